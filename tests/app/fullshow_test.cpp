#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <vector>

#include "base/streams.h"
#include "codec/bitmap.h"
#include "codec/jpegimage.h"
#include "platform/taskbar.h"
#include "support/apptest.h"
#include "support/testutil.h"

using namespace zavo;
using namespace zavo::fullshow;

namespace {

class TaskBarRecorder : public platform::TaskBar {
public:
    void ShowWindow(platform::ShowCommand command) override { calls.push_back(static_cast<int>(command)); }
    std::vector<int> calls;
};

constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kGreen = 0xFF008000;
constexpr QRgb kBlack = 0xFF000000;

// The smallest rectangle holding every pixel of that colour.
QRect Box(const QImage& image, QRgb colour) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour) box |= QRect(x, y, 1, 1);
    return box;
}

class Preview : public zavotest::AppTest {
protected:
    void SetUp() override {
        // The module's state is zero at program start.
        shownew = blink = false;
        imgx = imgy = capx = 0;
        platform::ReplaceTaskBar(&taskBar);
        AppTest::SetUp();
    }
    void TearDown() override {
        TOpenDialog::ExecuteHook = nullptr;
        AppTest::TearDown();
        platform::RestoreTaskBar();
    }

    // Loads a w x h picture through LOAD, as the user does.
    void Load(int w, int h) {
        TBitmap picture;
        picture.SetHeight(h);
        picture.SetWidth(w);
        for (int y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(picture.ScanLine(y));
            for (int x = 0; x < w; ++x) row[x] = uint32_t((x * 37) ^ (y * 91)) * 2654435761u;
        }
        std::string path = zavotest::TempDir() + "/picture.bmp";
        TFileStream out(path, FileMode::Create);
        picture.SaveStream(out);
        out.Close();
        TOpenDialog::ExecuteHook = [path](TOpenDialog& d) {
            d.SetFileName(path);
            return true;
        };
        main->loading->Click();
        ASSERT_TRUE(errors.empty());
    }
    // Gives newjpeg a size without compressing anything: only the placement reads it.
    void SizeOfCompressed(int w, int h) {
        TBitmap picture;
        picture.SetHeight(h);
        picture.SetWidth(w);
        mainview::newjpeg->AssignFrom(&picture);
    }
    // Waits until the window system has made the form's window the active one.
    static bool Active(TForm* form) {
        return QTest::qWaitFor([form] { return QApplication::activeWindow() == form->Widget(); }, 5000);
    }
    void BackToMain() {
        main->Show();
        ASSERT_TRUE(Active(main));
    }
    // Space typed in the comparison window with no control focused.
    void SpaceInMain() {
        main->SetActiveControl(nullptr);
        QTest::keyClick(main->Widget(), Qt::Key_Space);
        ASSERT_TRUE(preview->Showing());
        ASSERT_TRUE(Active(preview));
    }
    void ClickFullScreenButton() {
        QTest::mouseClick(main->preview->Widget(), Qt::LeftButton);
        ASSERT_TRUE(preview->Showing());
        ASSERT_TRUE(Active(preview));
    }
    // What the preview shows on the screen, through its own paint event.
    QImage Shot() { return preview->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    // The picture area of a shot, and a pane's picture, in one format.
    static QImage Part(const QImage& shot, int w, int h) { return shot.copy(imgx, imgy, w, h); }
    static QImage Pane(TImage* image) { return image->ShownImage().convertToFormat(QImage::Format_RGB32); }

    TaskBarRecorder taskBar;
};

TEST_F(Preview, PlacementCentresByTheCompressedSizeTruncatingTowardZero) {
    struct Case {
        const char* what;
        int width, height;
        int imgx, imgy, capx;
    } cases[] = {
        {"taller than the screen", 801, 1001, 111, -116, 59},
        {"wider than the screen", 1101, 500, -38, 134, -38},
        {"odd negative difference", 1031, 768, -3, 0, -3},
        {"left margin below 52", 940, 100, 42, 334, 42},
        {"left margin of exactly 52", 920, 100, 52, 334, 0},
        {"nothing loaded", 0, 0, 512, 384, 460},
    };
    preview->SetClientSize(1024, 768);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SizeOfCompressed(c.width, c.height);
        shownew = false;
        preview->FormShow(preview);
        EXPECT_EQ(imgx, c.imgx);
        EXPECT_EQ(imgy, c.imgy);
        EXPECT_EQ(capx, c.capx);
        EXPECT_TRUE(shownew);
        // No picture is loaded in the panes: only the caption shows, from (capx, imgy).
        preview->wideshow();
        QImage shot = Shot();
        ASSERT_EQ(shot.size(), QSize(1024, 768));
        QRect red = Box(shot, kRed);
        if (c.imgy + 20 <= 0) {
            EXPECT_TRUE(red.isEmpty());
        } else {
            ASSERT_FALSE(red.isEmpty());
            EXPECT_GE(red.left(), std::max(c.capx, 0));
            if (c.capx >= 0) {
                EXPECT_LE(red.left(), c.capx + 4);
            }
            EXPECT_LT(red.right(), c.capx + 64);
            EXPECT_GE(red.top(), c.imgy);
            EXPECT_LE(red.bottom(), c.imgy + 20);
        }
        EXPECT_EQ(shot.pixel(1023, 767), kBlack);
    }
    EXPECT_EQ(taskBar.calls, (std::vector<int>{4, 0, 4, 0, 4, 0, 4, 0, 4, 0, 4, 0}));
}

TEST_F(Preview, NothingLoadedShowsTheCaptionsAtTheCentre) {
    BackToMain();
    SpaceInMain();
    int w = preview->ClientWidth(), h = preview->ClientHeight();
    EXPECT_EQ(imgx, w / 2);
    EXPECT_EQ(capx, w / 2 - 52);
    QRect red = Box(Shot(), kRed);
    ASSERT_FALSE(red.isEmpty());
    EXPECT_LE(std::abs(red.left() - (w / 2 - 52)), 4);
    EXPECT_LE(std::abs(red.top() - h / 2), 6);
    QTest::keyClick(preview->Widget(), Qt::Key_Space);
    QImage flipped = Shot();
    EXPECT_TRUE(Box(flipped, kRed).isEmpty());
    QRect green = Box(flipped, kGreen);
    EXPECT_EQ(green.topLeft(), red.topLeft());
}

TEST_F(Preview, SpaceShowsTheAfterPictureAndFlipsToTheBeforePicture) {
    ASSERT_EQ(QApplication::primaryScreen()->geometry().size(), QSize(800, 800));
    BackToMain();
    Load(120, 80);
    ASSERT_NE(Pane(main->ex), Pane(main->new_));
    SpaceInMain();
    EXPECT_TRUE(preview->Widget()->windowState() & Qt::WindowFullScreen);
    EXPECT_EQ(preview->ClientWidth(), 800);
    EXPECT_EQ(imgx, 340);
    EXPECT_EQ(imgy, 360);
    EXPECT_EQ(capx, 288);
    EXPECT_FALSE(blink);

    QImage shot = Shot();
    ASSERT_EQ(shot.size(), QSize(800, 800));
    EXPECT_EQ(Part(shot, 120, 80), Pane(main->new_));
    QRect red = Box(shot, kRed);
    ASSERT_FALSE(red.isEmpty());
    EXPECT_GE(red.left(), 288);
    EXPECT_LT(red.right(), 340);
    EXPECT_GE(red.top(), 360);
    // Black everywhere else.
    for (int y = 0; y < 800; y += 7)
        for (int x = 0; x < 800; x += 7)
            if (!QRect(340, 360, 120, 80).contains(x, y) && !red.contains(x, y)) {
                ASSERT_EQ(shot.pixel(x, y), kBlack) << x << "," << y;
            }

    QTest::keyClick(preview->Widget(), Qt::Key_Space);
    EXPECT_FALSE(shownew);
    shot = Shot();
    EXPECT_EQ(Part(shot, 120, 80), Pane(main->ex));
    EXPECT_TRUE(Box(shot, kRed).isEmpty());
    EXPECT_EQ(Box(shot, kGreen).topLeft(), red.topLeft());

    QTest::keyClick(preview->Widget(), Qt::Key_Space);
    EXPECT_TRUE(shownew);
    EXPECT_EQ(Part(Shot(), 120, 80), Pane(main->new_));
    EXPECT_EQ(taskBar.calls, (std::vector<int>{4, 0}));
    EXPECT_TRUE(errors.empty());
}

TEST_F(Preview, CharacterKeysAndClicksCloseItOtherKeysDoNothing) {
    // Each key with the text X11 gives it.
    struct Input {
        const char* what;
        Qt::Key key;
        const char* text;
        Qt::KeyboardModifiers modifiers;
        bool closes;
    } inputs[] = {
        {"Escape", Qt::Key_Escape, "\x1b", {}, true},
        {"Backspace", Qt::Key_Backspace, "\b", {}, true},
        {"Enter", Qt::Key_Return, "\r", {}, true},
        {"a letter", Qt::Key_A, "a", {}, true},
        {"a digit", Qt::Key_1, "1", {}, true},
        {"Ctrl+A", Qt::Key_A, "\x01", Qt::ControlModifier, true},
        {"Delete", Qt::Key_Delete, "\x7f", {}, false},
        {"Delete on the keypad", Qt::Key_Delete, "\x7f", Qt::KeypadModifier, false},
        {"Ctrl+Delete", Qt::Key_Delete, "\x7f", Qt::ControlModifier, false},
        {"Clear", Qt::Key_Clear, "\x0b", {}, false},
        {"an arrow", Qt::Key_Left, "", {}, false},
        {"F1", Qt::Key_F1, "", {}, false},
        {"Shift", Qt::Key_Shift, "", {}, false},
        {"Tab", Qt::Key_Tab, "\t", {}, false},
    };
    BackToMain();
    for (const Input& input : inputs) {
        SCOPED_TRACE(input.what);
        taskBar.calls.clear();
        SpaceInMain();
        QTest::sendKeyEvent(QTest::Click, preview->Widget(), input.key, QString::fromLatin1(input.text),
                            input.modifiers);
        EXPECT_EQ(preview->Showing(), !input.closes);
        EXPECT_TRUE(shownew);
        std::vector<int> expected = input.closes ? std::vector<int>{4, 0, 8} : std::vector<int>{4, 0};
        EXPECT_EQ(taskBar.calls, expected);
        if (!input.closes) preview->Close();
        BackToMain();
    }
    taskBar.calls.clear();
    SpaceInMain();
    QTest::mouseClick(preview->Widget(), Qt::LeftButton, {}, QPoint(400, 400));
    EXPECT_FALSE(preview->Showing());
    EXPECT_EQ(taskBar.calls, (std::vector<int>{4, 0, 8}));
}

TEST_F(Preview, SpaceTypedInTheQualityEditOpensThePreviewAndReachesTheEdit) {
    BackToMain();
    main->FocusControl(main->press);
    static_cast<QLineEdit*>(main->press->Widget())->end(false);
    QTest::keyClick(main->press->Widget(), Qt::Key_Space);
    EXPECT_TRUE(preview->Showing());
    EXPECT_FALSE(blink);
    EXPECT_EQ(main->press->Text(), "80 ");
}

TEST_F(Preview, SpaceOnAFocusedButtonOpensTheStillPreviewWithoutClickingIt) {
    int dialogs = 0;
    TOpenDialog::ExecuteHook = [&](TOpenDialog&) {
        ++dialogs;
        return false;
    };
    BackToMain();
    for (TButton* button : {main->preview, main->loading}) {
        SCOPED_TRACE(button->Name());
        main->FocusControl(button);
        // Press and release both reach the button, as when the release comes before the window
        // system has moved the focus.
        QTest::keyClick(button->Widget(), Qt::Key_Space);
        QApplication::processEvents();
        EXPECT_TRUE(preview->Showing());
        EXPECT_FALSE(blink);
        preview->Close();
        BackToMain();
    }
    EXPECT_EQ(dialogs, 0);
}

TEST_F(Preview, TheFullScreenButtonAlternatesFromAFreshSecond) {
    BackToMain();
    Load(40, 30);
    // Meet the timer's own beat first: a tick flips the hidden preview while blink is set.
    blink = true;
    bool before = shownew;
    ASSERT_TRUE(QTest::qWaitFor([&] { return shownew != before; }, 3000));
    QTest::qWait(500);
    QElapsedTimer clock;
    clock.start();
    ClickFullScreenButton();
    EXPECT_TRUE(shownew);
    EXPECT_TRUE(blink);
    EXPECT_EQ(Part(Shot(), 40, 30), Pane(main->new_));
    // Without the restart the old beat would flip it about 500 ms after the click.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shownew; }, 4000));
    qint64 first = clock.elapsed();
    EXPECT_GE(first, 990);
    EXPECT_LE(first, 3000);
    EXPECT_EQ(Part(Shot(), 40, 30), Pane(main->ex));
    ASSERT_TRUE(QTest::qWaitFor([&] { return shownew; }, 4000));
    EXPECT_GE(clock.elapsed(), 1990);
    EXPECT_EQ(Part(Shot(), 40, 30), Pane(main->new_));

    // Space stops the alternation with an immediate flip.
    QTest::keyClick(preview->Widget(), Qt::Key_Space);
    EXPECT_FALSE(blink);
    EXPECT_FALSE(shownew);
    QTest::qWait(1300);
    EXPECT_FALSE(shownew);
    EXPECT_EQ(taskBar.calls, (std::vector<int>{4, 0}));
}

TEST_F(Preview, SpaceAfterAClosedAlternatingOpeningGivesAStillPreview) {
    BackToMain();
    ClickFullScreenButton();
    QTest::keyClick(preview->Widget(), Qt::Key_Escape);
    EXPECT_FALSE(preview->Showing());
    EXPECT_TRUE(blink);
    // Closed while alternating: ticks go on flipping the hidden preview.
    preview->TimerTimer(preview->Timer);
    EXPECT_FALSE(shownew);
    BackToMain();
    SpaceInMain();
    EXPECT_FALSE(blink);
    EXPECT_TRUE(shownew);
    preview->TimerTimer(preview->Timer);
    EXPECT_TRUE(shownew);
    EXPECT_EQ(Box(Shot(), kRed).isEmpty(), false);
}

TEST_F(Preview, TicksTakeTheFocusOffButtonsButLeaveTheQualityEdit) {
    BackToMain();
    EXPECT_EQ(main->ActiveControl(), main->loading);
    preview->TimerTimer(preview->Timer);
    EXPECT_EQ(main->ActiveControl(), nullptr);
    EXPECT_TRUE(main->Widget()->hasFocus());
    main->FocusControl(main->exdel);
    preview->TimerTimer(preview->Timer);
    EXPECT_EQ(main->ActiveControl(), nullptr);
    main->FocusControl(main->press);
    preview->TimerTimer(preview->Timer);
    EXPECT_EQ(main->ActiveControl(), main->press);
    EXPECT_TRUE(main->press->Focused());
}

TEST_F(Preview, AQualityEditLeftForThePreviewHearsItsExitWhenTheWindowComesBack) {
    BackToMain();
    Load(40, 30);
    int exits = 0;
    TNotifyEvent presson = main->press->OnExit;
    main->press->OnExit = [&](TObject* s) {
        ++exits;
        presson(s);
    };
    main->FocusControl(main->press);
    QLineEdit* edit = static_cast<QLineEdit*>(main->press->Widget());
    edit->setText("30");
    edit->home(false);
    QTest::keyClick(edit, Qt::Key_Space);
    ASSERT_TRUE(Active(preview));
    EXPECT_EQ(main->press->Text(), " 30");
    preview->TimerTimer(preview->Timer);
    EXPECT_EQ(main->ActiveControl(), nullptr);
    EXPECT_EQ(exits, 0);
    QTest::keyClick(preview->Widget(), Qt::Key_Escape);
    BackToMain();
    EXPECT_EQ(main->ActiveControl(), main->loading);
    EXPECT_EQ(exits, 1);
    // presson recompressed at the quality typed.
    EXPECT_EQ(mainview::srcjpeg->Quality(), 30);
    EXPECT_TRUE(errors.empty());
    preview->TimerTimer(preview->Timer);
    EXPECT_EQ(main->ActiveControl(), nullptr);
    EXPECT_EQ(exits, 1);
}

TEST_F(Preview, ThePreviewBelongsToTheComparisonWindow) {
    EXPECT_EQ(preview->Widget()->windowType(), Qt::Dialog);
    EXPECT_TRUE(preview->Widget()->windowFlags() & Qt::FramelessWindowHint);
    ASSERT_NE(preview->Widget()->windowHandle(), nullptr);
    EXPECT_EQ(preview->Widget()->windowHandle()->transientParent(), main->Widget()->windowHandle());
}

TEST_F(Preview, WithoutATaskBarThePreviewOpensAndClosesAsUsual) {
    platform::ReplaceTaskBar(nullptr);
    BackToMain();
    SpaceInMain();
    QTest::keyClick(preview->Widget(), Qt::Key_Escape);
    EXPECT_FALSE(preview->Showing());
    EXPECT_TRUE(errors.empty());
}

TEST_F(Preview, EndingTheProgramWithThePreviewOpenBringsTheTaskBarBack) {
    BackToMain();
    SpaceInMain();
    main->Close();
    EXPECT_EQ(taskBar.calls, (std::vector<int>{4, 0}));
    app.reset();
    EXPECT_EQ(taskBar.calls, (std::vector<int>{4, 0, 8}));
}

TEST_F(Preview, EndingTheProgramWithThePreviewClosedLeavesTheTaskBarAlone) {
    BackToMain();
    SpaceInMain();
    QTest::keyClick(preview->Widget(), Qt::Key_Escape);
    app.reset();
    EXPECT_EQ(taskBar.calls, (std::vector<int>{4, 0, 8}));
}

TEST_F(Preview, ShowingAgainRepaintsWhatWasLastDrawnNotTheBackground) {
    BackToMain();
    Load(60, 50);
    ClickFullScreenButton();
    QTest::keyClick(preview->Widget(), Qt::Key_Space);
    QImage drawn = Shot();
    EXPECT_EQ(Part(drawn, 60, 50), Pane(main->ex));
    preview->Close();
    // Shown without drawing: the window paints from what was drawn before it was hidden.
    preview->Show();
    ASSERT_TRUE(preview->Showing());
    QImage again = Shot();
    EXPECT_EQ(again, drawn);
    EXPECT_TRUE(Box(again, preview->Color().rgb()).isEmpty());
    EXPECT_EQ(again.pixel(0, 0), kBlack);
}

}  // namespace

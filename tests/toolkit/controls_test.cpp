#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QContextMenuEvent>
#include <QTimer>
#include <QWheelEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include <memory>
#include <vector>

#include "support/showntext.h"
#include "support/testutil.h"
#include "toolkit/application.h"
#include "toolkit/button.h"
#include "toolkit/edit.h"
#include "toolkit/errorbox.h"
#include "toolkit/form.h"
#include "toolkit/label.h"
#include "toolkit/scrollbar.h"
#include "toolkit/timer.h"
#include "toolkit/updown.h"

using namespace zavo;

namespace {

// A form read from a layout text, recording the events its handlers receive.
class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "Toolkit.test";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<TApplication>(argc, argv);
        app->ShowErrorBox = [this](const std::string& text, const std::string&) { log.push_back("error " + text); };
        handlers.Add("FormKeyPress", TKeyPressEvent([this](TObject*, char& k) { log.push_back("form key " + std::to_string(k)); }));
        handlers.Add("FormResize", TNotifyEvent([this](TObject*) { log.push_back("resize"); }));
        handlers.Add("editExit", TNotifyEvent([this](TObject*) { log.push_back("exit edit"); }));
        handlers.Add("editKeyDown", TKeyEvent([this](TObject*, uint16_t& k, TShiftState) { log.push_back("edit down " + std::to_string(k)); }));
        handlers.Add("buttonClick", TNotifyEvent([this](TObject*) { log.push_back("click"); }));
        handlers.Add("udClick", TUDClickEvent([this](TObject*, TUDBtnType b) {
            log.push_back(b == TUDBtnType::Up ? "ud up" : "ud down");
        }));
        handlers.Add("barScroll", TScrollEvent([this](TObject*, TScrollCode c, int& pos) {
            log.push_back("scroll " + std::to_string(int(c)) + " " + std::to_string(pos));
            if (overridePos >= 0) pos = overridePos;
        }));
    }

    TForm* Make(const std::string& body) {
        form = app->CreateForm<TForm>();
        form->LoadLayout("window f\n ClientWidth 300\n ClientHeight 200\n KeyPreview true\n"
                         " OnKeyPress FormKeyPress\n OnResize FormResize\n" + body + "end\n", handlers);
        return form;
    }
    void ShowActive() {
        form->Show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form->Widget()));
    }

    static constexpr const char* kFocusables =
        " TButton button\n  Left 0\n  Width 40\n  Height 20\n  TabOrder 0\n  OnClick buttonClick\n end\n"
        " TEdit edit\n  Left 50\n  Width 40\n  Height 20\n  Text \"80\"\n  TabOrder 1\n  OnExit editExit\n"
        "  OnKeyDown editKeyDown\n end\n"
        " TUpDown ud\n  Width 13\n  Associate edit\n  Min 1\n  Max 100\n  Increment 10\n  Position 80\n"
        "  OnClick udClick\n end\n";

    std::unique_ptr<TApplication> app;
    THandlerTable handlers;
    TForm* form = nullptr;
    std::vector<std::string> log;
    int overridePos = -1;
};

TEST_F(ControlsTest, LayoutFaultsAreStartUpFailures) {
    const auto fault = [this](const std::string& body) -> std::string {
        try {
            Make(body);
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "no fault";
    };
    EXPECT_EQ(fault(" TButton b\n  Colour clRed\n end\n"), "layout line 8: b has no property Colour");
    EXPECT_EQ(fault(" TButton b\n  OnClick nowhere\n end\n"), "layout names an unknown handler: nowhere");
    EXPECT_EQ(fault(" TButton b\n  OnClick FormKeyPress\n end\n"), "layout binds handler FormKeyPress to an event of another kind");
    // A name no class has is read as a property of the enclosing window.
    EXPECT_EQ(fault(" TWidget b\n end\n"), "layout line 7: f has no property TWidget");
    EXPECT_EQ(fault(" TButton b\n  Left x1\n"), "layout: integer expected");
}

TEST_F(ControlsTest, ResizeIsRaisedInsideTheSetterAndOnlyForRealChanges) {
    Make("");
    log.clear();
    form->SetClientWidth(300);
    EXPECT_TRUE(log.empty());
    form->SetClientWidth(301);
    ASSERT_EQ(log, std::vector<std::string>{"resize"});
    ShowActive();
    log.clear();
    form->SetClientWidth(320);
    EXPECT_EQ(log, std::vector<std::string>{"resize"});
    QApplication::processEvents();
    EXPECT_EQ(log.size(), 1u);
}

TEST_F(ControlsTest, KeyPreviewSeesCharactersFirstAndTabRaisesNone) {
    Make(kFocusables);
    ShowActive();
    QTest::mouseClick(form->Get<TEdit>("edit")->Widget(), Qt::LeftButton);
    log.clear();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A);
    EXPECT_EQ(log, (std::vector<std::string>{"edit down 65", "form key 97"}));
    EXPECT_EQ(form->Get<TEdit>("edit")->Text(), "80a");
    log.clear();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(log, (std::vector<std::string>{"edit down 13", "form key 13", "edit down 27", "form key 27"}));
    log.clear();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(log, (std::vector<std::string>{"exit edit"}));
    EXPECT_EQ(form->ActiveControl(), form->Get<TButton>("button"));
}

TEST_F(ControlsTest, ControlCharactersOnlyThePlatformGivesRaiseNoKeyPress) {
    Make(kFocusables);
    ShowActive();
    QTest::mouseClick(form->Get<TEdit>("edit")->Widget(), Qt::LeftButton);
    auto* edit = static_cast<QLineEdit*>(form->Get<TEdit>("edit")->Widget());
    edit->home(false);
    log.clear();
    // As X11 gives them: Delete and Clear with a control character, Backspace and Ctrl+B too.
    QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_Delete, QStringLiteral("\x7f"), Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_Clear, QStringLiteral("\x0b"), Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_B, QStringLiteral("\x02"), Qt::ControlModifier);
    edit->end(false);
    QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_Backspace, QStringLiteral("\b"), Qt::NoModifier);
    EXPECT_EQ(log, (std::vector<std::string>{"edit down 46", "edit down 17", "edit down 66", "form key 2", "edit down 8", "form key 8"}));
    // The edit still takes Delete and Backspace as editing keys.
    EXPECT_EQ(form->Get<TEdit>("edit")->Text(), "");
}

TEST_F(ControlsTest, ALabelsHintShowsAsPlainText) {
    Make(" TLabel label\n  Caption \"size\"\n end\n");
    ShowActive();
    auto* label = form->Get<TLabel>("label");
    for (const char* hint : {"<b>bold.jpg", "<img src=x>.bmp: 120 k", "PSNR 34.4 dB, SSIM 0.970 & more"}) {
        SCOPED_TRACE(hint);
        label->SetHint(hint);
        EXPECT_EQ(label->Hint(), hint);
        QWidget* w = label->Widget();
        QHelpEvent help(QEvent::ToolTip, QPoint(1, 1), w->mapToGlobal(QPoint(1, 1)));
        QApplication::sendEvent(w, &help);
        QLabel* tip = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->objectName() == QStringLiteral("qtooltip_label") && top->isVisible())
                    tip = qobject_cast<QLabel*>(top);
            return tip != nullptr;
        }));
        EXPECT_EQ(zavotest::ShownText(tip), hint) << tip->text().toStdString() << " / " << w->toolTip().toStdString();
    }
}

TEST_F(ControlsTest, EnterClicksAFocusedButtonWithoutACharacterAndSpaceClicksOnRelease) {
    Make(kFocusables);
    ShowActive();
    ASSERT_EQ(form->ActiveControl(), form->Get<TButton>("button"));
    log.clear();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(log, (std::vector<std::string>{"click"}));
    log.clear();
    QTest::keyPress(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(log, (std::vector<std::string>{"form key 32"}));
    QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(log, (std::vector<std::string>{"form key 32", "click"}));
}

TEST_F(ControlsTest, ExitComesBeforeTheFocusAndOnlyWithinTheWindow) {
    Make(kFocusables);
    ShowActive();
    auto* edit = form->Get<TEdit>("edit");
    QTest::mouseClick(edit->Widget(), Qt::LeftButton);
    bool focusMovedAtExit = true;
    form->Get<TEdit>("edit")->OnExit = [&](TObject*) { focusMovedAtExit = !edit->Focused() && form->ActiveControl() != edit; };
    form->SetActiveControl(nullptr);
    EXPECT_FALSE(focusMovedAtExit);
    EXPECT_TRUE(form->Widget()->hasFocus());
    int exits = 0;
    edit->OnExit = [&](TObject*) { ++exits; };
    log.clear();
    form->SetActiveControl(nullptr);  // no change, no event
    EXPECT_EQ(exits, 0);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(form->ActiveControl(), nullptr);
    EXPECT_TRUE(form->Widget()->hasFocus());
    // The second press of a double click comes as a double-click event alone, and focuses as well.
    QMouseEvent second(QEvent::MouseButtonDblClick, QPointF(5, 5), edit->Widget()->mapToGlobal(QPointF(5, 5)),
                       Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit->Widget(), &second);
    EXPECT_EQ(form->ActiveControl(), edit);
    EXPECT_TRUE(edit->Focused());
}

TEST_F(ControlsTest, ClearingTheActiveControlOfAnInactiveWindowWaitsForActivation) {
    Make(kFocusables);
    ShowActive();
    QTest::mouseClick(form->Get<TEdit>("edit")->Widget(), Qt::LeftButton);
    TForm* other = app->CreateForm<TForm>();
    other->LoadLayout("window g\n ClientWidth 50\n ClientHeight 50\nend\n", handlers);
    other->Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(other->Widget()));
    log.clear();
    form->SetActiveControl(nullptr);
    EXPECT_TRUE(log.empty());
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form->Widget()));
    EXPECT_EQ(log, std::vector<std::string>{"exit edit"});
    EXPECT_EQ(form->ActiveControl(), form->Get<TButton>("button"));
}

TEST_F(ControlsTest, UpDownStepsWithinItsLimitsAndReportsChangesOnly) {
    Make(kFocusables);
    auto* ud = form->Get<TUpDown>("ud");
    auto* edit = form->Get<TEdit>("edit");
    EXPECT_EQ(edit->Text(), "80");
    EXPECT_EQ(ud->Left(), edit->Left() + edit->Width());
    log.clear();
    ud->Step(TUDBtnType::Up);
    ud->Step(TUDBtnType::Up);
    ud->Step(TUDBtnType::Up);
    EXPECT_EQ(edit->Text(), "100");
    EXPECT_EQ(log, (std::vector<std::string>{"ud up", "ud up"}));
    log.clear();
    for (int i = 0; i < 12; ++i) ud->Step(TUDBtnType::Down);
    EXPECT_EQ(edit->Text(), "1");
    EXPECT_EQ(log.size(), 10u);
    ud->SetPosition(80);
    log.clear();
    edit->SetText("70");
    ud->Step(TUDBtnType::Up);
    EXPECT_EQ(edit->Text(), "80");
    EXPECT_TRUE(log.empty());
    edit->SetText("55");
    ud->Step(TUDBtnType::Up);
    EXPECT_EQ(edit->Text(), "65");
    EXPECT_EQ(log, std::vector<std::string>{"ud down"});
    log.clear();
    edit->SetText("5a");
    ud->Step(TUDBtnType::Up);
    EXPECT_EQ(edit->Text(), "75");
    EXPECT_EQ(log, std::vector<std::string>{"ud up"});
    log.clear();
    edit->SetText("95");
    ud->Step(TUDBtnType::Up);
    EXPECT_EQ(edit->Text(), "100");
    EXPECT_EQ(log, std::vector<std::string>{"ud up"});
}

TEST_F(ControlsTest, UpDownWritesThousandsSeparatorsOnlyWhenAsked) {
    Make(" TEdit e\n end\n TUpDown u\n  Associate e\n  Min -5000\n  Max 5000\n  Position 1234\n end\n"
         " TEdit plain\n end\n TUpDown v\n  Associate plain\n  Max 5000\n  Thousands false\n  Position 1234\n end\n");
    EXPECT_EQ(form->Get<TEdit>("e")->Text(), "1,234");
    form->Get<TUpDown>("u")->SetPosition(-4321);
    EXPECT_EQ(form->Get<TEdit>("e")->Text(), "-4,321");
    EXPECT_EQ(form->Get<TEdit>("plain")->Text(), "1234");
}

TEST_F(ControlsTest, UpDownArrowsAndArrowKeys) {
    Make(kFocusables);
    ShowActive();
    auto* ud = form->Get<TUpDown>("ud");
    auto* edit = form->Get<TEdit>("edit");
    QTest::mouseClick(ud->Widget()->findChild<QToolButton*>("down"), Qt::LeftButton);
    EXPECT_EQ(edit->Text(), "70");
    QTest::mouseClick(edit->Widget(), Qt::LeftButton);
    log.clear();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    EXPECT_EQ(edit->Text(), "80");
    EXPECT_EQ(log, (std::vector<std::string>{"edit down 38", "ud up"}));
    EXPECT_EQ(form->ActiveControl(), edit);
}

TEST_F(ControlsTest, ScrollBarProposalsAndRanges) {
    Make(" TScrollBar bar\n  Top 100\n  Width 200\n  Height 16\n  LargeChange 20\n  PageSize 20\n"
         "  OnScroll barScroll\n end\n");
    auto* bar = form->Get<TScrollBar>("bar");
    EXPECT_NO_THROW(bar->SetMax(20));
    EXPECT_THROW_MSG(bar->SetMax(19), EInvalidOperation, "スクロールバー プロパティが範囲を越えました");
    EXPECT_EQ(bar->Max(), 20);
    bar->SetMax(100);
    bar->SetPosition(50);
    log.clear();
    bar->SetMax(30);
    EXPECT_EQ(bar->Position(), 30);
    EXPECT_TRUE(log.empty());
    bar->SetPageSize(40);
    EXPECT_EQ(bar->PageSize(), 20);
    bar->SetMax(100);
    bar->SetPosition(95);
    EXPECT_EQ(bar->Widget()->property("value").toInt(), 81);
    bar->UserScroll(TScrollCode::LineDown);
    bar->UserScroll(TScrollCode::PageDown);
    bar->UserScroll(TScrollCode::EndScroll);
    bar->UserScroll(TScrollCode::Top);
    bar->UserScroll(TScrollCode::PageUp);
    EXPECT_EQ(log, (std::vector<std::string>{"scroll 1 96", "scroll 3 100", "scroll 8 100", "scroll 6 0", "scroll 2 0"}));
    overridePos = 7;
    bar->UserScroll(TScrollCode::Bottom);
    EXPECT_EQ(bar->Position(), 7);
}

TEST_F(ControlsTest, ScrollBarTakesMouseInputThroughItsOwnProposal) {
    Make(" TScrollBar bar\n  Top 100\n  Width 200\n  Height 16\n  LargeChange 20\n  PageSize 20\n"
         "  OnScroll barScroll\n end\n");
    ShowActive();
    auto* bar = form->Get<TScrollBar>("bar");
    log.clear();
    // The right arrow sits at the bar's right end.
    QTest::mouseClick(bar->Widget(), Qt::LeftButton, {}, QPoint(195, 8));
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log.front(), "scroll 1 1");
    EXPECT_EQ(log.back(), "scroll 8 1");
    EXPECT_EQ(bar->Position(), 1);
}

constexpr const char* kTwoBars =
    " TScrollBar h\n  Top 100\n  Width 200\n  Height 16\n  LargeChange 20\n  PageSize 20\n  Position 50\n"
    "  TabOrder 0\n  OnScroll barScroll\n end\n"
    " TScrollBar v\n  Left 250\n  Width 16\n  Height 150\n  Kind sbVertical\n  LargeChange 20\n  PageSize 20\n"
    "  Position 50\n  TabOrder 1\n  OnScroll barScroll\n end\n";

TEST_F(ControlsTest, ScrollBarKeysProposeTheirCodesAndTheReleaseEndsTheScroll) {
    Make(kTwoBars);
    ShowActive();
    struct Case {
        const char* bar;
        Qt::Key key;
        std::vector<std::string> events;
    };
    const Case cases[] = {
        {"h", Qt::Key_Right, {"scroll 1 51", "scroll 8 50"}}, {"h", Qt::Key_Left, {"scroll 0 49", "scroll 8 50"}},
        {"h", Qt::Key_Down, {"scroll 1 51", "scroll 8 50"}},  {"h", Qt::Key_Up, {"scroll 0 49", "scroll 8 50"}},
        {"v", Qt::Key_Down, {"scroll 1 51", "scroll 8 50"}},  {"v", Qt::Key_Up, {"scroll 0 49", "scroll 8 50"}},
        {"v", Qt::Key_Right, {"scroll 1 51", "scroll 8 50"}}, {"v", Qt::Key_Left, {"scroll 0 49", "scroll 8 50"}},
        {"h", Qt::Key_PageDown, {"scroll 3 70", "scroll 8 50"}}, {"v", Qt::Key_PageUp, {"scroll 2 30", "scroll 8 50"}},
        {"h", Qt::Key_Home, {"scroll 6 0", "scroll 8 50"}},  {"v", Qt::Key_End, {"scroll 7 100", "scroll 8 50"}},
    };
    // The handler puts the bar back at 50 each time, so that every key starts from there.
    overridePos = 50;
    for (const Case& c : cases) {
        auto* bar = form->Get<TScrollBar>(c.bar);
        form->FocusControl(bar);
        ASSERT_TRUE(bar->Focused());
        log.clear();
        QTest::keyPress(bar->Widget(), c.key);
        ASSERT_EQ(log.size(), 1u) << c.bar << " " << c.key;
        QTest::keyRelease(bar->Widget(), c.key);
        EXPECT_EQ(log, c.events) << c.bar << " " << c.key;
        EXPECT_EQ(bar->Position(), 50);
        EXPECT_EQ(bar->Widget()->property("value").toInt(), 50);
    }
    // A key of no meaning to the bar neither scrolls nor ends a scroll.
    log.clear();
    QTest::keyClick(form->Get<TScrollBar>("v")->Widget(), Qt::Key_A);
    EXPECT_EQ(log, std::vector<std::string>{"form key 97"});
}

TEST_F(ControlsTest, ScrollBarWheelStepsByLinesAndHasNoMenuOfItsOwn) {
    Make(kTwoBars);
    ShowActive();
    auto* bar = form->Get<TScrollBar>("v");
    QWidget* w = bar->Widget();
    const int lines = QApplication::wheelScrollLines();
    ASSERT_GT(lines, 0);
    auto wheel = [&](int delta) {
        QPoint at(8, 75);
        QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &e);
    };
    log.clear();
    wheel(-120);  // towards the user: down the bar
    std::vector<std::string> expected;
    for (int i = 1; i <= lines; ++i) expected.push_back("scroll 1 " + std::to_string(50 + i));
    expected.push_back("scroll 8 " + std::to_string(50 + lines));
    EXPECT_EQ(log, expected);
    EXPECT_EQ(bar->Position(), 50 + lines);
    log.clear();
    wheel(60);  // half a notch does nothing yet; the second half completes it
    EXPECT_TRUE(log.empty());
    wheel(60);
    ASSERT_EQ(log.size(), static_cast<size_t>(lines) + 1);
    EXPECT_EQ(log.front(), "scroll 0 " + std::to_string(50 + lines - 1));
    EXPECT_EQ(bar->Position(), 50);

    // The context menu of Qt's bar would move it without a proposal; no popup may open.
    bool popup = false;
    QTimer::singleShot(300, [&] {
        if (QWidget* p = QApplication::activePopupWidget()) {
            popup = true;
            p->close();
        }
    });
    log.clear();
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(8, 120), w->mapToGlobal(QPoint(8, 120)));
    QApplication::sendEvent(w, &menu);
    QTest::qWait(400);
    EXPECT_FALSE(popup);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(bar->Position(), 50);
}

TEST_F(ControlsTest, TimerRestartsOnlyWhenItsSettingsChange) {
    Make(" TTimer t\n  Interval 2000\n end\n");
    auto* timer = form->Get<TTimer>("t");
    EXPECT_FALSE(timer->Armed());  // no handler yet
    QElapsedTimer clock;
    std::vector<qint64> ticks;
    clock.start();
    timer->SetOnTimer([&](TObject*) { ticks.push_back(clock.elapsed()); });
    EXPECT_TRUE(timer->Armed());
    // Enabling an enabled timer changes nothing: the first tick comes 2000 ms after the start, not
    // 2000 ms after the call. The bounds leave the tick most of a second to be late on a busy machine.
    QTest::qWait(1000);
    const qint64 enabledAt = clock.elapsed();
    ASSERT_TRUE(ticks.empty());
    timer->SetEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(!ticks.empty(), 10000);
    EXPECT_LT(ticks.front(), enabledAt + 1990);
    // Off and on again restarts the countdown from zero; a precise timer never ticks early.
    QTest::qWait(300);
    qint64 restart = clock.elapsed();
    timer->SetEnabled(false);
    timer->SetEnabled(true);
    size_t before = ticks.size();
    QTRY_VERIFY_WITH_TIMEOUT(ticks.size() > before, 10000);
    EXPECT_GE(ticks[before] - restart, 1990);
}

TEST_F(ControlsTest, TimerErrorsAreReportedAndTheTimerGoesOn) {
    Make(" TTimer t\n  Interval 50\n end\n");
    log.clear();
    auto* timer = form->Get<TTimer>("t");
    timer->SetOnTimer([](TObject*) { throw EConvertError("'x' は整数ではありません"); });
    QTRY_VERIFY_WITH_TIMEOUT(log.size() >= 2, 5000);
    EXPECT_EQ(log.front(), "error 'x' は整数ではありません.");
    EXPECT_TRUE(timer->Armed());
}

TEST(ErrorBox, PeriodRuleAndTitle) {
    EXPECT_EQ(ErrorBoxText("ファイル a.bmp は開けません"), "ファイル a.bmp は開けません.");
    EXPECT_EQ(ErrorBoxText("JPEG エラー #42"), "JPEG エラー #42.");
    EXPECT_EQ(ErrorBoxText("done."), "done.");
    EXPECT_EQ(ErrorBoxText("(x)"), "(x)");
    EXPECT_EQ(ErrorBoxText("a "), "a ");
    EXPECT_EQ(ErrorBoxText(""), "");
    EXPECT_EQ(TitleFromProgramPath("/usr/bin/ZAVO.exe.bak"), "Zavo");
    EXPECT_EQ(TitleFromProgramPath("zavo"), "zavo");
}

}  // namespace

namespace {

TEST_F(ControlsTest, LayoutsScaleToTheScreenResolution) {
    form = app->CreateForm<TForm>();
    form->LoadLayout("window f\n Font.Height -12\n ClientWidth 530\n ClientHeight 292\n"
                     " TButton b\n  Left 100\n  Width 44\n  Height 24\n  Font.Height -13\n end\nend\n",
                     handlers, 144);
    EXPECT_EQ(form->Font().pixelSize(), 18);
    auto* b = form->Get<TButton>("b");
    EXPECT_EQ(b->Font().pixelSize(), 20);  // 13 * 1.5, rounded
    // Sizes scale by the height the 18-pixel font measures for "0", over 12; that height depends
    // on the installed fonts, so the expected sizes are listed for each height it can take.
    struct Scaled {
        int zeroHeight, clientWidth, left, width;
    };
    const int zero = QFontMetrics(form->Font()).boundingRect(QStringLiteral("0")).height();
    Scaled want{};
    for (const Scaled& c : {Scaled{12, 530, 100, 44}, Scaled{13, 574, 108, 48}, Scaled{14, 618, 117, 51},
                            Scaled{15, 663, 125, 55}, Scaled{16, 707, 133, 59}, Scaled{17, 751, 142, 62},
                            Scaled{18, 795, 150, 66}, Scaled{19, 839, 158, 70}, Scaled{20, 883, 167, 73},
                            Scaled{21, 928, 175, 77}, Scaled{22, 972, 183, 81}, Scaled{23, 1016, 192, 84},
                            Scaled{24, 1060, 200, 88}})
        if (c.zeroHeight == zero) want = c;
    ASSERT_NE(want.zeroHeight, 0) << "\"0\" measures " << zero << " pixels";
    EXPECT_EQ(form->ClientWidth(), want.clientWidth);
    EXPECT_EQ(b->Left(), want.left);
    EXPECT_EQ(b->Width(), want.width);
    TForm* same = app->CreateForm<TForm>();
    same->LoadLayout("window g\n Font.Height -12\n ClientWidth 530\n TButton b\n  Left 100\n end\nend\n", handlers, 96);
    EXPECT_EQ(same->ClientWidth(), 530);
    EXPECT_EQ(same->Get<TButton>("b")->Left(), 100);
}

}  // namespace

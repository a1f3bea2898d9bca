#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QComboBox>
#include <QCompleter>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>
#include <string>
#include <vector>

#include "codec/picture.h"
#include "support/testutil.h"
#include "toolkit/previewfiles.h"
#include "toolkit/application.h"
#include "toolkit/fittedimage.h"
#include "toolkit/panel.h"
#include "toolkit/picturedialog.h"
#include "toolkit/previewform.h"
#include "toolkit/previewloader.h"

using namespace zavo;
using zavotest::Text;
using zavotest::WriteBmp;

namespace {

TEST(PreviewScaling, ProportionalFitIntoTheBox) {
    const struct {
        int w, h, cw, ch;
        QRect fit;
    } cases[] = {
        {200, 100, 100, 100, QRect(0, 25, 100, 50)},   // wide
        {100, 200, 100, 100, QRect(25, 0, 50, 100)},   // tall
        {10, 5, 100, 100, QRect(0, 25, 100, 50)},      // small, grown
        {10, 10, 100, 60, QRect(20, 0, 60, 60)},       // square counts as tall
        {300, 200, 100, 50, QRect(12, 0, 75, 50)},     // wide, limited by the height
        {100, 300, 60, 100, QRect(13, 0, 33, 100)},    // tall, width truncated
        {100, 300, 20, 100, QRect(0, 20, 20, 60)},     // tall, limited by the width
        {3, 2, 100, 100, QRect(0, 17, 100, 66)},       // height truncated, offset rounded down
        {0, 5, 40, 30, QRect(0, 0, 40, 30)},           // no width: the whole box
        {5, 0, 40, 30, QRect(0, 0, 40, 30)},           // no height: the whole box
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProportionalRect(c.w, c.h, c.cw, c.ch), c.fit) << c.w << "x" << c.h << " in " << c.cw << "x" << c.ch;
}

TEST(PreviewScaling, FullSizeWindowRule) {
    const QSize client(320, 240), panel(318, 238), monitor(1280, 1024);
    // A picture that fits: its own size inside the frame and the 5-pixel border.
    EXPECT_EQ(PreviewFormClientSize(client, QSize(100, 50), panel, monitor), QSize(112, 62));
    // Wider and higher than three quarters of the monitor.
    EXPECT_EQ(PreviewFormClientSize(client, QSize(2000, 900), panel, monitor), QSize(960, 768));
    EXPECT_EQ(PreviewFormClientSize(client, QSize(1, 1), panel, monitor), QSize(13, 13));
    // No width: the new window's size stays.
    EXPECT_EQ(PreviewFormClientSize(client, QSize(0, 50), panel, monitor), QSize(320, 240));
}

class PreviewArea : public ::testing::Test {
protected:
    void SetUp() override { dir = zavotest::TempDir(); }
    // Selects path and waits until its preview, or that there is none, shows: on a busy machine
    // the loading worker, at idle priority, may take longer than the selection's own wait.
    static void Select(PicturePreview& preview, const std::string& path) {
        preview.SelectionChanged(path);
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return Text(preview.PictureLabel()) != "画像:" || !preview.PaintPanel()->Caption().empty();
        }, 10000));
    }
    std::string dir;
    QWidget host;
};

TEST_F(PreviewArea, StartsEmptyAndShowsNoneForFoldersAndUnknownFiles) {
    PicturePreview preview(&host);
    EXPECT_EQ(Text(preview.PictureLabel()), "");
    EXPECT_EQ(preview.PaintPanel()->Caption(), "(なし)");
    EXPECT_FALSE(preview.PreviewButton()->isEnabled());
    EXPECT_FALSE(preview.PreviewButton()->icon().isNull());
    EXPECT_EQ(preview.PreviewButton()->toolTip().toStdString(), "プレビュー");

    const std::string picture = WriteBmp(dir, "p.bmp", 7, 5);
    QFile::copy(QString::fromStdString(picture), QString::fromStdString(dir + "/p.txt"));
    QDir().mkpath(QString::fromStdString(dir + "/folder.bmp"));
    QFile bad(QString::fromStdString(dir + "/bad.bmp"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("BM not a bitmap");
    bad.close();
    for (const char* name : {"/folder.bmp", "/p.txt", "/bad.bmp", "/missing.bmp"}) {
        Select(preview, picture);
        ASSERT_EQ(Text(preview.PictureLabel()), " (7x5)");
        Select(preview, dir + name);
        EXPECT_EQ(Text(preview.PictureLabel()), "画像:") << name;
        EXPECT_EQ(preview.PaintPanel()->Caption(), "(なし)") << name;
        EXPECT_FALSE(preview.PreviewButton()->isEnabled()) << name;
        EXPECT_EQ(preview.Picture(), nullptr) << name;
        EXPECT_TRUE(preview.PaintBox()->Image().isNull()) << name;
    }
}

TEST_F(PreviewArea, APictureShowsItsSizeAndTheSameNameIsNotLoadedAgain) {
    PicturePreview preview(&host);
    const std::string path = WriteBmp(dir, "a.bmp", 7, 5);
    Select(preview, path);
    EXPECT_EQ(Text(preview.PictureLabel()), " (7x5)");
    EXPECT_TRUE(preview.PreviewButton()->isEnabled());
    EXPECT_EQ(preview.PaintPanel()->Caption(), "");
    EXPECT_EQ(preview.PaintBox()->Image().size(), QSize(7, 5));
    WriteBmp(dir, "a.bmp", 3, 9);
    preview.SelectionChanged(path);
    EXPECT_EQ(Text(preview.PictureLabel()), " (7x5)");
    Select(preview, dir);
    Select(preview, path);
    EXPECT_EQ(Text(preview.PictureLabel()), " (3x9)");
}

TEST(SilentPaintPanel, APaintFailureBecomesTheCaption) {
    TSilentPaintPanel panel;
    panel.PaintSilently([] { throw std::bad_alloc(); });
    EXPECT_EQ(panel.Caption(), "画像が不正です");
}

class FileDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "dialogs";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<TApplication>(argc, argv);
        dir = QDir(QString::fromStdString(zavotest::TempDir())).canonicalPath().toStdString();
    }
    // Runs f with the Qt dialog once Execute shows it.
    template <typename F>
    void WhenShown(F f) {
        QTimer::singleShot(0, [f] {
            QTRY_VERIFY(qobject_cast<QFileDialog*>(QApplication::activeModalWidget()));
            f(*qobject_cast<QFileDialog*>(QApplication::activeModalWidget()));
        });
    }
    std::unique_ptr<TApplication> app;
    std::string dir;
};

TEST_F(FileDialogs, NameAndFilterCarryOverAndCancelKeepsThem) {
    TOpenDialog dialog(nullptr);
    dialog.SetFilter("画像(*.bmp,*,jpg)|*.bmp;*.jpg|全部|*.*");
    const std::string first = WriteBmp(dir, "first.bmp", 2, 2), second = dir + "/second.jpg";
    WhenShown([&](QFileDialog& d) {
        EXPECT_EQ(d.selectedNameFilter().toStdString(), "画像(*.bmp,*,jpg)");
        d.selectNameFilter(d.nameFilters().at(1));
        d.selectFile(QString::fromStdString(first));
        EXPECT_EQ(dialog.FileName(), first);
        static_cast<QDialog&>(d).accept();
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName(), first);
    EXPECT_EQ(dialog.FilterIndex(), 2);

    std::string startedWith, filterShown, whileOpen;
    WhenShown([&](QFileDialog& d) {
        startedWith = d.selectedFiles().value(0).toStdString();
        filterShown = d.selectedNameFilter().toStdString();
        d.selectFile(QString::fromStdString(second));
        whileOpen = dialog.FileName();
        d.reject();
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(startedWith, first);
    EXPECT_EQ(filterShown, "全部");
    EXPECT_EQ(whileOpen, second);
    EXPECT_EQ(dialog.FileName(), first);
    EXPECT_EQ(dialog.FilterIndex(), 2);

    // A written name is where the next dialog starts; a typed missing name is accepted.
    dialog.SetFileName(second);
    WhenShown([&](QFileDialog& d) {
        startedWith = d.selectedFiles().value(0).toStdString();
        static_cast<QDialog&>(d).accept();
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(startedWith, second);
    EXPECT_EQ(dialog.FileName(), second);
}

// Notes, as the dialog closes, whether a popup window of the program is still shown.
class PopupWatch : public TOpenDialog {
public:
    using TOpenDialog::TOpenDialog;
    bool popupLeft = true;

protected:
    void Finished() override {
        popupLeft = false;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowType() == Qt::Popup) popupLeft = true;
    }
};

TEST_F(FileDialogs, TheNameCompletionListClosesWithTheDialog) {
    WriteBmp(dir, "sea.bmp", 2, 2);
    WriteBmp(dir, "sky.bmp", 2, 2);
    PopupWatch dialog(nullptr);
    dialog.SetFilter("全部|*.*");
    dialog.SetFileName(dir + "/sea.bmp");
    bool listShown = false;
    WhenShown([&](QFileDialog& d) {
        auto* edit = d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(edit, nullptr);
        ASSERT_NE(edit->completer(), nullptr);
        QAbstractItemView* list = edit->completer()->popup();
        // The list opens only for a field that has the focus within the active window.
        d.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, "s");
        listShown = QTest::qWaitFor([list] { return list->isVisible(); }, 10000);
        static_cast<QDialog&>(d).accept();
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_TRUE(listShown);
    EXPECT_FALSE(dialog.popupLeft);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(FileDialogs, MasksMatchWhateverTheLetterCase) {
    WriteBmp(dir, "PHOTO.BMP", 2, 2);
    WriteBmp(dir, "small.bmp", 2, 2);
    QFile other(QString::fromStdString(dir + "/notes.txt"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    TOpenPictureDialog dialog(nullptr);
    dialog.SetFilter("画像(*.bmp,*,jpg)|*.bmp;*.jpg|全部|*.*");
    dialog.SetFileName(dir + "/small.bmp");
    QStringList listed;
    bool previewInDialog = false;
    WhenShown([&](QFileDialog& d) {
        auto* view = d.findChild<QAbstractItemView*>(QStringLiteral("listView"));
        ASSERT_NE(view, nullptr);
        QTRY_VERIFY(view->model()->rowCount(view->rootIndex()) >= 2);
        for (int r = 0; r < view->model()->rowCount(view->rootIndex()); ++r)
            listed << view->model()->index(r, 0, view->rootIndex()).data().toString();
        previewInDialog = dialog.Preview() && dialog.Preview()->PicturePanel()->window() == &d;
        d.reject();
    });
    EXPECT_FALSE(dialog.Execute());
    listed.sort();
    EXPECT_EQ(listed, (QStringList{"PHOTO.BMP", "small.bmp"}));
    EXPECT_TRUE(previewInDialog);
    EXPECT_EQ(dialog.Preview(), nullptr);
}

// The names the dialog's file list shows.
QStringList Listed(QFileDialog& d) {
    auto* view = d.findChild<QAbstractItemView*>(QStringLiteral("listView"));
    QStringList names;
    if (view == nullptr) return names;
    for (int r = 0; r < view->model()->rowCount(view->rootIndex()); ++r)
        names << view->model()->index(r, 0, view->rootIndex()).data().toString();
    names.sort();
    return names;
}

TEST_F(FileDialogs, AllShowsNamesWithoutADotThePictureMaskDoesNot) {
    WriteBmp(dir, "small.bmp", 2, 2);
    for (const char* name : {"README", "notes.txt"}) {
        QFile file(QString::fromStdString(dir + "/" + name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const std::string filter = "画像(*.bmp,*,jpg)|*.bmp;*.jpg|全部|*.*";
    TOpenPictureDialog dialog(nullptr);
    dialog.SetFilter(filter);
    dialog.SetFilterIndex(2);
    dialog.SetFileName(dir + "/small.bmp");
    QStringList all, pictures, entries;
    // Each wait ends in a listing either way, so that the dialog closes even when one is wrong.
    WhenShown([&](QFileDialog& d) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return Listed(d).size() >= 3; }));
        all = Listed(d);
        d.selectNameFilter(d.nameFilters().at(0));
        EXPECT_TRUE(QTest::qWaitFor([&] { return Listed(d).size() == 1; }));
        pictures = Listed(d);
        if (auto* types = d.findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
            for (int i = 0; i < types->count(); ++i) entries << types->itemText(i);
        d.reject();
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(all, (QStringList{"README", "notes.txt", "small.bmp"}));
    EXPECT_EQ(pictures, QStringList{"small.bmp"});
    // The entries show their descriptions, and the filter stays as it was given.
    EXPECT_EQ(entries, (QStringList{"画像(*.bmp,*,jpg)", "全部"}));
    EXPECT_EQ(dialog.Filter(), filter);
    EXPECT_EQ(QtNameFilters("x|a.*;*.b"), QStringList{"x (a.* a *.b)"});
}

TEST_F(FileDialogs, ThePreviewLabelIsEmptyUntilTheFirstSelection) {
    const std::string picture = WriteBmp(dir, "p.bmp", 7, 5);
    TOpenPictureDialog dialog(nullptr);
    dialog.SetFilter("画像(*.bmp,*,jpg)|*.bmp;*.jpg|全部|*.*");
    std::string atOpening = "(no preview)", afterPicture;
    WhenShown([&](QFileDialog& d) {
        if (PicturePreview* preview = dialog.Preview()) {
            atOpening = Text(preview->PictureLabel());
            d.selectFile(QString::fromStdString(picture));
            EXPECT_TRUE(QTest::qWaitFor([&] { return Text(preview->PictureLabel()) == " (7x5)"; }));
            afterPicture = Text(preview->PictureLabel());
        }
        d.reject();
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(atOpening, "");
    EXPECT_EQ(afterPicture, " (7x5)");
}

TEST_F(FileDialogs, TheFullSizePreviewTakesThePicturesSizeAndEscCloses) {
    TPicture picture;
    picture.LoadPictureFile(WriteBmp(dir, "p.bmp", 100, 50));
    QSize client;
    std::string title;
    QTimer::singleShot(0, [&] {
        QTRY_VERIFY(QApplication::activeModalWidget());
        QWidget* form = QApplication::activeModalWidget();
        title = form->objectName().toStdString() + " " + form->windowTitle().toStdString();
        client = form->size();
        QTest::keyClick(form, Qt::Key_Escape);
    });
    ShowPreviewForm(&picture, nullptr);
    EXPECT_EQ(title, "PreviewForm プレビュー");
    EXPECT_EQ(client, QSize(112, 62));

    QTimer::singleShot(0, [&] {
        QTRY_VERIFY(QApplication::activeModalWidget());
        client = QApplication::activeModalWidget()->size();
        QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape);
    });
    ShowPreviewForm(nullptr, nullptr);
    EXPECT_EQ(client, QSize(320, 240));
}

}  // namespace

TEST_F(FileDialogs, AClosedDialogLeavesNoSettingsBehind) {
    TOpenDialog dialog(nullptr);
    dialog.SetFilter("全部|*.*");
    dialog.SetFileName(WriteBmp(dir, "kept.bmp", 2, 2));
    WhenShown([](QFileDialog& d) { static_cast<QDialog&>(d).accept(); });
    ASSERT_TRUE(dialog.Execute());
    // Where Qt's file dialog keeps its history and the last folder it showed.
    const QString settings = QSettings(QSettings::UserScope, QStringLiteral("QtProject")).fileName();
    EXPECT_FALSE(QFile::exists(settings)) << settings.toStdString();
    EXPECT_FALSE(QFileInfo(settings).absoluteDir().exists()) << settings.toStdString();
}

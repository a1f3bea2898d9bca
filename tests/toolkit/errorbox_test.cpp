#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "base/exceptions.h"
#include "toolkit/application.h"
#include "toolkit/errorbox.h"
#include "toolkit/modal.h"

using namespace zavo;

namespace {

TEST(ErrorBoxText, PeriodRule) {
    const struct {
        const char* message;
        const char* shown;
    } cases[] = {
        {"ファイル /tmp/a.bmp は開けません", "ファイル /tmp/a.bmp は開けません."},
        {"JPEG エラー #42", "JPEG エラー #42."},
        {"'abc' は整数ではありません", "'abc' は整数ではありません."},
        {"word", "word."},
        {"slash/", "slash/."},
        {"(x)", "(x)"},
        {"ends in a blank ", "ends in a blank "},
        {"done.", "done."},
        {"minus-", "minus-"},
        {"comma,", "comma,"},
        {"システムエラー。コード：5.\r\n", "システムエラー。コード：5.\r\n"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ErrorBoxText(c.message), c.shown) << c.message;
}

TEST(ErrorBoxTitle, FromTheProgramFileName) {
    const struct {
        const char* path;
        const char* title;
    } cases[] = {
        {"/usr/bin/ZAVO.exe.bak", "Zavo"},
        {"zavo", "zavo"},
        {"./Tools/MyTool", "Mytool"},
        {"/opt/ÄBCÖ.bin", "Äbcö"},
        {"/opt/ΣΟΦΙΑ", "Σοφια"},
        {"/home/u/.hidden", ""},
        {"X", "X"},
    };
    for (const auto& c : cases) EXPECT_EQ(TitleFromProgramPath(c.path), c.title) << c.path;
}

TEST(ErrorBoxText, OutOfMemoryIsTheProgramsOwnText) {
    EXPECT_EQ(ExceptionMessage(std::bad_alloc()), "メモリが足りません");
    EXPECT_EQ(ExceptionMessage(std::bad_array_new_length()), "メモリが足りません");
    EXPECT_EQ(ExceptionMessage(std::length_error("vector::reserve")), "メモリが足りません");
    EXPECT_EQ(ExceptionMessage(EFOpenError("ファイル a は開けません")), "ファイル a は開けません");
}

TEST(ModalPlacement, CentredAtAThirdOrAHalfOfTheFreeHeight) {
    const QRect second(1280, 0, 1920, 1080);
    EXPECT_EQ(PlaceOnMonitor(second, QSize(600, 300), 3), QPoint(1940, 260));
    EXPECT_EQ(PlaceOnMonitor(second, QSize(600, 300), 2), QPoint(1940, 390));
    EXPECT_EQ(PlaceOnMonitor(QRect(0, 0, 1280, 1024), QSize(501, 301), 3), QPoint(389, 241));
    // Larger than the monitor: the corner stays on it.
    EXPECT_EQ(PlaceOnMonitor(QRect(0, 100, 800, 600), QSize(1000, 700), 3), QPoint(0, 100));
}

class HandlerErrors : public ::testing::Test {
protected:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "/opt/zavo/ZAVO.bin";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<TApplication>(argc, argv);
        app->ShowErrorBox = [this](const std::string& text, const std::string& caption) {
            shown.push_back(caption + ": " + text);
        };
    }
    std::unique_ptr<TApplication> app;
    std::vector<std::string> shown;
};

TEST_F(HandlerErrors, RunningOutOfMemoryShowsTheProgramsMessage) {
    TApplication::Guard([] { throw std::bad_alloc(); });
    TApplication::Guard([] { std::vector<int> v; v.reserve(v.max_size() + 1); });
    TApplication::Guard([] { throw EAbort("操作は中止されました"); });
    TApplication::Guard([] { throw EInvalidGraphic("JPEG エラー #1"); });
    EXPECT_EQ(shown, (std::vector<std::string>{"Zavo: メモリが足りません.", "Zavo: メモリが足りません.",
                                               "Zavo: JPEG エラー #1."}));
}

TEST_F(HandlerErrors, AMouseCaptureIsCancelledEvenForASilentAbort) {
    QWidget w;
    w.resize(50, 50);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.grabMouse();
    ASSERT_EQ(QWidget::mouseGrabber(), &w);
    TApplication::Guard([] { throw EAbort("操作は中止されました"); });
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_TRUE(shown.empty());
}

TEST_F(HandlerErrors, TheBoxHasTheStopIconAndOneFocusedOkButton) {
    std::string seen;
    QTimer::singleShot(0, [&] {
        QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QTRY_VERIFY(box->isVisible());
        seen = box->windowTitle().toStdString() + " | " + box->text().toStdString();
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        EXPECT_EQ(box->buttons().size(), 1);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box->button(QMessageBox::Ok)));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    });
    ShowStopBox("メモリが足りません.", "Zavo");
    EXPECT_EQ(seen, "Zavo | メモリが足りません.");
}

}  // namespace

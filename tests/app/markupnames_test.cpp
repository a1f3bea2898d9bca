#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <string>

#include "support/apptest.h"
#include "support/showntext.h"
#include "support/testutil.h"
#include "toolkit/errorbox.h"
#include "toolkit/filedialogs.h"

using namespace zavo;

namespace {

// The comparison window with the real error box.
class MarkupNames : public zavotest::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        app->ShowErrorBox = [](const std::string& text, const std::string& caption) { ShowStopBox(text, caption); };
    }
    void TearDown() override {
        TOpenDialog::ExecuteHook = nullptr;
        AppTest::TearDown();
    }
};

TEST_F(MarkupNames, AFileNamedWithMarkupShowsLiterallyInTheErrorBox) {
    ShowMain();
    const std::string dir = zavotest::TempDir();
    // One that cannot be opened for not being there, one for being a folder.
    const std::string bold = dir + "/<b>bold.jpg", image = dir + "/<img src=x>.bmp";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(image)));
    for (const std::string& path : {bold, image}) {
        SCOPED_TRACE(path);
        TOpenDialog::ExecuteHook = [path](TOpenDialog& d) {
            d.SetFileName(path);
            return true;
        };
        Qt::TextFormat format = Qt::AutoText;
        std::string text, shown;
        QTimer::singleShot(0, [&] {
            QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            format = box->textFormat();
            text = box->text().toStdString();
            if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) shown = zavotest::ShownText(label);
            box->accept();
        });
        main->loading->Click();
        const std::string expected = "ファイル " + path + " は開けません.";
        EXPECT_EQ(format, Qt::PlainText);
        EXPECT_EQ(text, expected);
        EXPECT_EQ(shown, expected);
    }
}

}  // namespace

#include <QApplication>
#include <QCheckBox>
#include "codec/bitmap.h"
#include "codec/jpegimage.h"
#include "codec/picture.h"
#include <QTest>

#include <memory>
#include <vector>

#include "support/testutil.h"
#include "toolkit/application.h"
#include "toolkit/button.h"
#include "toolkit/checkbox.h"
#include "toolkit/form.h"
#include "toolkit/image.h"
#include "toolkit/label.h"
#include "toolkit/scrollbox.h"

using namespace zavo;

namespace {

class WindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "windows";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<TApplication>(argc, argv);
        app->ShowErrorBox = [this](const std::string& text, const std::string& caption) {
            log.push_back("box " + caption + ": " + text);
        };
        handlers.Add("show", TNotifyEvent([this](TObject*) {
            log.push_back(std::string("show, visible ") + (form->Showing() ? "yes" : "no"));
            if (failShow) throw EInvalidOperation("Canvas に対する描画ができません");
        }));
        handlers.Add("close", TCloseEvent([this](TObject*, TCloseAction& a) {
            log.push_back(a == TCloseAction::Hide ? "close hide" : "close other");
        }));
    }
    TForm* Make(const std::string& body) {
        form = app->CreateForm<TForm>();
        form->LoadLayout("window w\n ClientWidth 200\n ClientHeight 100\n OnShow show\n OnClose close\n" + body + "end\n",
                         handlers);
        return form;
    }

    std::unique_ptr<TApplication> app;
    THandlerTable handlers;
    TForm* form = nullptr;
    std::vector<std::string> log;
    bool failShow = false;
};

TEST_F(WindowsTest, ShowRaisesOnShowBeforeVisibleAndOnlyFromHidden) {
    Make("");
    failShow = true;
    form->Show();
    EXPECT_TRUE(form->Showing());
    EXPECT_EQ(log, (std::vector<std::string>{"show, visible no", "box windows: Canvas に対する描画ができません."}));
    log.clear();
    form->Show();
    EXPECT_TRUE(log.empty());
}

TEST_F(WindowsTest, CloseOfASecondWindowHidesItAndTheMainWindowEndsTheProgram) {
    TForm* mainForm = Make("");
    TForm* other = app->CreateForm<TForm>();
    other->LoadLayout("window o\n ClientWidth 50\n ClientHeight 50\n OnClose close\nend\n", handlers);
    other->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(other->Widget()));
    other->Widget()->close();
    EXPECT_FALSE(other->Showing());
    EXPECT_FALSE(app->Terminated());
    mainForm->Close();
    EXPECT_EQ(log, (std::vector<std::string>{"close hide", "close hide"}));
    EXPECT_TRUE(app->Terminated());
}

TEST_F(WindowsTest, AutoSizedLabelsKeepTheirLeftOrForRightAlignmentTheirRightEdge) {
    Make(" TLabel left\n  Left 10\n  Width 5\n  Caption \"a\"\n end\n"
         " TLabel right\n  Left 100\n  Width 17\n  Alignment taRightJustify\n  Caption \"0 k\"\n end\n");
    auto* left = form->Get<TLabel>("left");
    auto* right = form->Get<TLabel>("right");
    int rightEdge = right->Left() + right->Width();
    EXPECT_EQ(rightEdge, 117);
    left->SetCaption("a much longer text");
    EXPECT_EQ(left->Left(), 10);
    EXPECT_GT(left->Width(), 40);
    right->SetCaption("12345 k");
    EXPECT_EQ(right->Left() + right->Width(), rightEdge);
    EXPECT_LT(right->Left(), 100);
    EXPECT_EQ(right->Height(), QFontMetrics(right->Font()).height());
}

TEST_F(WindowsTest, TopRightAnchorsKeepTheDistanceToTheRightEdge) {
    Make(" TLabel l\n  Left 150\n  Anchors [akTop, akRight]\n  Caption \"x\"\n end\n"
         " TButton b\n  Left 20\n  Width 30\n end\n");
    form->SetClientWidth(300);
    EXPECT_EQ(form->Get<TLabel>("l")->Left(), 250);
    EXPECT_EQ(form->Get<TButton>("b")->Left(), 20);
    form->SetClientWidth(120);
    EXPECT_EQ(form->Get<TLabel>("l")->Left(), 70);
}

TEST_F(WindowsTest, AutoSizedImagesFollowOnlyPicturesOfAtLeastOnePixel) {
    Make(" TImage i\n  AutoSize true\n end\n TImage fixed\n end\n");
    auto* image = form->Get<TImage>("i");
    EXPECT_EQ(image->Width(), 105);
    TBitmap bitmap;
    bitmap.SetHeight(40);
    bitmap.SetWidth(30);
    image->Picture().AssignFrom(&bitmap);
    EXPECT_EQ(image->Width(), 30);
    EXPECT_EQ(image->Height(), 40);
    EXPECT_EQ(image->ShownImage().size(), QSize(30, 40));
    TBitmap empty;
    image->Picture().AssignFrom(&empty);
    EXPECT_EQ(image->Width(), 30);
    EXPECT_TRUE(image->ShownImage().isNull());
    auto* fixed = form->Get<TImage>("fixed");
    bitmap.SetWidth(300);
    fixed->Picture().AssignFrom(&bitmap);
    EXPECT_EQ(fixed->Width(), 105);
    // A JPEG object without bytes shows nothing and raises nothing.
    TJPEGImage nothing;
    fixed->Picture().AssignFrom(&nothing);
    EXPECT_TRUE(fixed->ShownImage().isNull());
}

TEST_F(WindowsTest, ShiftContentMovesEveryChildAndWhatIsShown) {
    Make(" TScrollBox box\n  Width 100\n  Height 100\n  TImage a\n   Left 0\n  end\n  TImage b\n   Left 50\n  end\n end\n");
    auto* box = form->Get<TScrollBox>("box");
    auto* a = form->Get<TImage>("a");
    auto* b = form->Get<TImage>("b");
    box->ShiftContent(-7, 3);
    EXPECT_EQ(a->Left(), -7);
    EXPECT_EQ(a->Top(), 3);
    EXPECT_EQ(b->Left(), 43);
    EXPECT_EQ(b->Widget()->pos(), QPoint(43, 3));
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget()));
    box->ShiftContent(-10, 0);
    EXPECT_EQ(a->Left(), -17);
    EXPECT_EQ(a->Widget()->pos(), QPoint(-17, 3));
    EXPECT_EQ(b->Widget()->pos(), QPoint(33, 3));
    EXPECT_EQ(box->ClientWidget()->size(), QSize(96, 96));
}

TEST_F(WindowsTest, CheckBoxTogglesByClickAndSpaceAndTakesTheFocus) {
    Make(" TCheckBox c\n  Width 80\n  Height 20\n  Caption \"元画像消去\"\n end\n");
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form->Widget()));
    form->SetActiveControl(nullptr);
    auto* box = form->Get<TCheckBox>("c");
    QTest::mouseClick(box->Widget(), Qt::LeftButton, {}, QPoint(5, 10));
    EXPECT_TRUE(box->Checked());
    EXPECT_EQ(form->ActiveControl(), box);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_FALSE(box->Checked());
}

}  // namespace

#include "codec/bitmap.h"
#include "codec/picture.h"
#include <QScrollBar>
#include <QTest>

#include "support/apptest.h"

using namespace zavo;

namespace {

class Scrolling : public zavotest::AppTest {
protected:
    // Puts a picture of w x h into both panes the way a load does, then lays out the bars.
    void Picture(int w, int h) {
        TBitmap bitmap;
        bitmap.SetHeight(h);
        bitmap.SetWidth(w);
        main->ex->Picture().AssignFrom(&bitmap);
        main->new_->Picture().AssignFrom(&bitmap);
        main->new_->SetWidth(w);
        main->new_->SetHeight(h);
        main->barset();
    }
    void ExpectSameOffset(int x, int y) {
        EXPECT_EQ(main->ex->Left(), x);
        EXPECT_EQ(main->new_->Left(), x);
        EXPECT_EQ(main->ex->Top(), y);
        EXPECT_EQ(main->new_->Top(), y);
    }
};

TEST_F(Scrolling, ExactFitHasNoBarAndOnePixelMoreGivesMaxTwentyPlusTheOtherBar) {
    // At 530 x 292 the inner areas are 261 x 264.
    Picture(261, 264);
    EXPECT_FALSE(main->exh->Visible());
    EXPECT_FALSE(main->exv->Visible());
    Picture(262, 264);
    EXPECT_TRUE(main->exh->Visible());
    EXPECT_TRUE(main->newh->Visible());
    EXPECT_FALSE(main->exv->Visible());
    EXPECT_EQ(main->exh->Max(), 20);
    Picture(262, 265);
    EXPECT_TRUE(main->exv->Visible());
    EXPECT_EQ(main->exh->Max(), 20 + main->exv->Width());
    EXPECT_EQ(main->newh->Max(), main->exh->Max());
    EXPECT_EQ(main->exv->Max(), 20 + main->exh->Height());
    // Bars lie over the inner areas, along the bottom and the right edge of each pane.
    EXPECT_EQ(main->exh->Left(), 2);
    EXPECT_EQ(main->newh->Left(), 267);
    EXPECT_EQ(main->exh->Width(), 261);
    EXPECT_EQ(main->exh->Top(), 24 + 268 - 13 - 2);
    EXPECT_EQ(main->exv->Left(), 265 - 16 - 2);
    EXPECT_EQ(main->newv->Left(), 265 + 265 - 16 - 2);
    EXPECT_EQ(main->exv->Height(), 268 - 13 - 4);
}

TEST_F(Scrolling, ATallPictureUnderTheHorizontalBarGetsNoVerticalBar) {
    Picture(400, 264);
    EXPECT_TRUE(main->exh->Visible());
    EXPECT_FALSE(main->exv->Visible());
    EXPECT_EQ(main->exh->Max(), 400 - 265 + 23);
}

TEST_F(Scrolling, AcceptedScrollsMoveBothPanesAndTheTwinBar) {
    ShowMain();
    Picture(1000, 800);
    int hmax = main->exh->Max();
    main->exh->UserScroll(TScrollCode::PageDown);
    ExpectSameOffset(-20, 0);
    EXPECT_EQ(main->newh->Position(), 20);
    main->newv->UserScroll(TScrollCode::LineDown);
    ExpectSameOffset(-20, -1);
    EXPECT_EQ(main->exv->Position(), 1);
    main->newh->UserScroll(TScrollCode::Track, 37);
    ExpectSameOffset(-37, -1);
    EXPECT_EQ(main->exh->Position(), 37);
    // The far end: the thumb stops at Max - 19; a step beyond is recorded but moves nothing.
    main->exh->UserScroll(TScrollCode::Track, hmax - 19);
    ExpectSameOffset(-(hmax - 19), -1);
    main->exh->UserScroll(TScrollCode::LineDown);
    EXPECT_EQ(main->exh->Position(), hmax - 18);
    EXPECT_EQ(main->newh->Position(), hmax - 19);
    ExpectSameOffset(-(hmax - 19), -1);
    main->exh->UserScroll(TScrollCode::LineUp);
    EXPECT_EQ(main->exh->Position(), hmax - 19);
    ExpectSameOffset(-(hmax - 19), -1);
    main->exh->UserScroll(TScrollCode::Bottom);
    EXPECT_EQ(main->exh->Position(), hmax);
    ExpectSameOffset(-(hmax - 19), -1);
    // At the far end the picture's right edge meets the vertical bar.
    EXPECT_EQ(main->ex->Left() + main->ex->Width(), main->exview->Width() - 4 - main->exv->Width());
    main->exh->UserScroll(TScrollCode::Top);
    ExpectSameOffset(0, -1);
}

TEST_F(Scrolling, GrowingTheWindowReanchorsAndHidesBarsThatAreNoLongerNeeded) {
    ShowMain();
    Picture(600, 500);
    main->exh->UserScroll(TScrollCode::Track, main->exh->Max() - 19);
    main->exv->UserScroll(TScrollCode::Track, 50);
    int far = main->ex->Left();
    main->SetClientSize(700, 292);
    // Panes of 350: inner width 346; the right edge comes back to the inner edge, under the bar.
    EXPECT_GT(main->ex->Left(), far);
    EXPECT_EQ(main->ex->Left() + 600, 346);
    ExpectSameOffset(main->ex->Left(), -50);
    EXPECT_LE(main->exh->Position(), main->exh->Max());
    main->SetClientSize(700, 600);
    EXPECT_FALSE(main->exv->Visible());
    EXPECT_EQ(main->exv->Position(), 0);
    ExpectSameOffset(main->ex->Left(), 0);
    main->SetClientSize(1300, 600);
    EXPECT_FALSE(main->exh->Visible());
    EXPECT_EQ(main->newh->Position(), 0);
    ExpectSameOffset(0, 0);
}

TEST_F(Scrolling, SmallPanesShowBarsForTheEmptyImagesBeforeAnyPicture) {
    main->SetClientSize(210, 292);
    EXPECT_EQ(main->exview->Width(), 105);
    EXPECT_TRUE(main->exh->Visible());
    EXPECT_EQ(main->exh->Max(), 105 - 105 + 23);
    EXPECT_FALSE(main->exv->Visible());
    main->SetClientSize(218, 292);
    EXPECT_FALSE(main->exh->Visible());
}

TEST_F(Scrolling, RealMouseClicksOnTheBarScrollBothPanes) {
    ShowMain();
    Picture(2000, 1500);
    QApplication::processEvents();
    QWidget* bar = main->newh->Widget();
    // A click in the track right of the thumb pages by 20.
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() / 2));
    ExpectSameOffset(-20, 0);
    EXPECT_EQ(main->exh->Position(), 20);
    EXPECT_EQ(main->newh->Position(), 20);
}

}  // namespace

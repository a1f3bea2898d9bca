#include <QApplication>
#include <QScreen>
#include <QTest>

#include "support/apptest.h"
#include "support/testutil.h"
#include "toolkit/keys.h"

using namespace zavo;
using zavotest::AppTest;

using MainWindow = AppTest;

TEST_F(MainWindow, FirstLayoutAtTheStoredClientSize) {
    EXPECT_EQ(main->ClientWidth(), 530);
    EXPECT_EQ(main->ClientHeight(), 292);
    EXPECT_EQ(main->saving->Left(), 382);
    EXPECT_EQ(main->exdel->Left(), 302);
    EXPECT_EQ(main->press->Left(), 249);
    EXPECT_EQ(main->pressud->Left(), 282);
    EXPECT_EQ(main->Label3->Left(), 225);
    EXPECT_EQ(main->savesize->Left() + main->savesize->Width(), 466);
    EXPECT_EQ(main->exview->Width(), 265);
    EXPECT_EQ(main->newview->Width(), 265);
    EXPECT_EQ(main->exview->Height(), 268);
    EXPECT_EQ(main->newview->Height(), 268);
    EXPECT_EQ(main->newview->Left(), 265);
    EXPECT_EQ(main->Label2->Left(), 480);
}

TEST_F(MainWindow, WideningMovesTheRightControlsFullyAndTheCentreOnesByHalf) {
    int label1 = main->Label1->Left(), exsize = main->exsize->Left();
    int loading = main->loading->Left(), preview = main->preview->Left();
    main->SetClientWidth(600);
    EXPECT_EQ(main->saving->Left(), 382 + 70);
    EXPECT_EQ(main->exdel->Left(), 302 + 70);
    EXPECT_EQ(main->savesize->Left() + main->savesize->Width(), 466 + 70);
    EXPECT_EQ(main->Label2->Left(), 480 + 70);
    EXPECT_EQ(main->press->Left(), 249 + 35);
    EXPECT_EQ(main->pressud->Left(), 282 + 35);
    EXPECT_EQ(main->Label3->Left(), 225 + 35);
    EXPECT_EQ(main->Label1->Left(), label1);
    EXPECT_EQ(main->exsize->Left(), exsize);
    EXPECT_EQ(main->loading->Left(), loading);
    EXPECT_EQ(main->preview->Left(), preview);
    EXPECT_EQ(main->exview->Width(), 300);
    EXPECT_EQ(main->newview->Left(), 300);
    // An odd width grows by one pixel so that both panes are equally wide.
    main->SetClientWidth(531);
    EXPECT_EQ(main->ClientWidth(), 532);
    EXPECT_EQ(main->exview->Width(), 266);
    EXPECT_EQ(main->newview->Width(), 266);
    EXPECT_EQ(main->newview->Left(), 266);
}

TEST_F(MainWindow, NarrowWidthsTruncateTowardZeroAndTinyWindowsDoNotFail) {
    main->SetClientSize(30, 100);
    EXPECT_EQ(main->press->Left(), -1);
    main->SetClientSize(32, 100);
    EXPECT_EQ(main->press->Left(), 0);
    main->SetClientSize(10, 5);
    EXPECT_EQ(main->exview->Height(), 5 - 24);
    EXPECT_EQ(main->exview->Widget()->height(), 0);
    EXPECT_TRUE(errors.empty());
}

TEST_F(MainWindow, InitialState) {
    ShowMain();
    EXPECT_EQ(main->exsize->Caption(), "0 k");
    EXPECT_EQ(main->savesize->Caption(), "0 k");
    EXPECT_EQ(main->press->Text(), "80");
    EXPECT_EQ(main->pressud->Position(), 80);
    for (TScrollBar* bar : {main->exh, main->exv, main->newh, main->newv}) {
        EXPECT_FALSE(bar->Visible());
        EXPECT_FALSE(bar->Widget()->isVisible());
    }
    EXPECT_FALSE(preview->Showing());
    EXPECT_EQ(main->ActiveControl(), main->loading);
    EXPECT_TRUE(main->loading->Focused());
    EXPECT_FALSE(main->exdel->Checked());
    EXPECT_EQ(main->Caption(), "zavo");
    EXPECT_TRUE(main->Widget()->acceptDrops());
}

TEST_F(MainWindow, TabFollowsTheTabOrderAndSkipsHiddenBarsAndLabels) {
    ShowMain();
    std::vector<TControl*> seen;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        seen.push_back(main->ActiveControl());
    }
    std::vector<TControl*> expected = {main->saving, main->press, main->preview, main->exdel, main->loading,
                                       main->saving};
    EXPECT_EQ(seen, expected);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(main->ActiveControl(), main->loading);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(main->ActiveControl(), main->exdel);
    main->exh->SetVisible(true);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(main->ActiveControl(), main->saving);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(main->ActiveControl(), main->exh);
}

TEST_F(MainWindow, ClickingTheEmptyStripTakesTheFocusOffTheControlsButALabelDoesNot) {
    ShowMain();
    QTest::mouseClick(main->press->Widget(), Qt::LeftButton);
    EXPECT_EQ(main->ActiveControl(), main->press);
    QTest::mouseClick(main->Label1->Widget(), Qt::LeftButton);
    EXPECT_EQ(main->ActiveControl(), main->press);
    // Between the LOAD and 全画面 buttons nothing lies.
    QTest::mouseClick(main->Widget(), Qt::LeftButton, {}, QPoint(150, 10));
    EXPECT_EQ(main->ActiveControl(), nullptr);
    EXPECT_TRUE(main->Widget()->hasFocus());
}

TEST_F(MainWindow, ClicksOnAPaneOrAPictureLeaveTheFocusWhereItIs) {
    ShowMain();
    QTest::mouseClick(main->press->Widget(), Qt::LeftButton);
    ASSERT_EQ(main->ActiveControl(), main->press);
    // The pictures are 105 x 105 at the inner areas' top-left; below them lies the bare pane.
    QTest::mouseClick(main->ex->Widget(), Qt::LeftButton, {}, QPoint(50, 50));
    QTest::mouseClick(main->new_->Widget(), Qt::LeftButton, {}, QPoint(50, 50));
    QTest::mouseClick(main->exview->ClientWidget(), Qt::LeftButton, {}, QPoint(150, 200));
    QTest::mouseClick(main->newview->Widget(), Qt::LeftButton, {}, QPoint(1, 100));
    EXPECT_EQ(main->ActiveControl(), main->press);
    EXPECT_TRUE(main->press->Focused());
}

TEST_F(MainWindow, ClosingThePreviewOnlyHidesIt) {
    ShowMain();
    preview->Show();
    EXPECT_TRUE(preview->Showing());
    preview->Close();
    EXPECT_FALSE(preview->Showing());
    EXPECT_FALSE(app->Terminated());
    main->Close();
    EXPECT_TRUE(app->Terminated());
}

TEST_F(MainWindow, ThePreviewIsScreenSizedAndBorderless) {
    EXPECT_EQ(preview->ClientWidth(), QApplication::primaryScreen()->geometry().width());
    EXPECT_EQ(preview->ClientHeight(), QApplication::primaryScreen()->geometry().height());
    EXPECT_TRUE(preview->Widget()->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(preview->Timer->Armed());
}

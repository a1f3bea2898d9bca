#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QTest>
#include <QWheelEvent>

#include <fstream>

#include "app/zoomview.h"
#include "comparisonfixture.h"
#include "platform/zoomscaling.h"
#include "toolkit/keys.h"

using namespace zavo;
using zavotest::Bmp24;

namespace {

// A 24-bit bitmap file of one colour.
std::string FlatBmp(int w, int h, uint8_t grey) {
    std::string s = Bmp24(w, h, 0);
    const int stride = (w * 3 + 3) & ~3;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 3; ++x) s[54 + size_t(y) * stride + x] = char(grey);
    return s;
}

// The picture reduced to w x h by the panes' filter.
QImage Reduce(const QImage& from, int w, int h) {
    QImage to(w, h, QImage::Format_BGR888);
    platform::AreaReducer reducer(from.width(), from.height(), 3, w, h, to.bits(), to.bytesPerLine());
    for (int y = 0; y < from.height(); ++y) reducer.AddRow(from.constScanLine(y));
    return to;
}

// The compressed picture decoded whole, upright.
QImage WholeDecode() {
    TJPEGImage whole;
    whole.AssignFrom(mainview::newjpeg);
    TBitmap* decoded = whole.EnsureDecoded();
    if (decoded == nullptr) return QImage();
    bool upsideDown = false;
    QImage full = BitmapImage(*decoded, upsideDown).convertToFormat(QImage::Format_BGR888);
    return upsideDown ? full.mirrored(false, true) : full;
}

class Zoom : public zavotest::Comparison {
protected:
    void LoadBytes(const std::string& bytes) {
        std::string path = dir + "/picture.bmp";
        std::ofstream(path, std::ios::binary) << bytes;
        Load(path);
        ASSERT_TRUE(errors.empty());
    }
    TZoomView& View() { return main->Zoom(); }
    // Turns the wheel over the left pane at (x, y) of its inner area.
    void Wheel(int notches, Qt::KeyboardModifiers modifiers, int x, int y, TScrollBox* pane = nullptr) {
        QWidget* frame = (pane ? pane : main->exview)->Widget();
        QPointF at(x + 2, y + 2);
        QWheelEvent e(at, frame->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(frame, &e);
    }
    // The picture point at (x, y) of the left pane's inner area.
    QPointF PictureAt(int x, int y) {
        platform::ZoomScale s = main->ex->Zoom();
        return {platform::ToPicture(x - main->ex->Left(), main->ex->Picture().Width(), s),
                platform::ToPicture(y - main->ex->Top(), main->ex->Picture().Height(), s)};
    }
    void ExpectPanesInStep() {
        EXPECT_EQ(main->ex->Left(), main->new_->Left());
        EXPECT_EQ(main->ex->Top(), main->new_->Top());
        EXPECT_EQ(main->ex->Width(), main->new_->Width());
        EXPECT_EQ(main->ex->Height(), main->new_->Height());
        EXPECT_EQ(main->exh->Max(), main->newh->Max());
        EXPECT_EQ(main->exv->Max(), main->newv->Max());
        EXPECT_EQ(main->exh->Position(), main->newh->Position());
        EXPECT_EQ(main->exv->Position(), main->newv->Position());
        EXPECT_EQ(main->exh->Visible(), main->newh->Visible());
        EXPECT_EQ(main->exv->Visible(), main->newv->Visible());
    }
    // What a pane shows in its inner area: the image control painted where it lies, on blue.
    static QImage Shown(TImage* image, TScrollBox* pane) {
        QImage shown(pane->Width() - 4, pane->Height() - 4, QImage::Format_RGB32);
        shown.fill(Qt::blue);
        QPainter painter(&shown);
        painter.translate(image->Left(), image->Top());
        image->PaintPart(painter, QRect(-image->Left(), -image->Top(), shown.width(), shown.height()));
        return shown;
    }
};

TEST_F(Zoom, AFlatPictureShowsTheSameScreenPixelsInBothPanesAtEveryLevel) {
    ShowMain();
    main->SetClientSize(700, 500);
    LoadBytes(FlatBmp(1203, 905, 128));
    for (TZoomLevel level : kZoomLevels) {
        SCOPED_TRACE(LevelName(level));
        View().SetLevelAtCentre(level);
        EXPECT_EQ(View().Level(), level);
        ExpectPanesInStep();
        QImage left = Shown(main->ex, main->exview), right = Shown(main->new_, main->newview);
        ASSERT_EQ(left.size(), right.size());
        EXPECT_TRUE(left == right);
        // The picture is seen: its grey lies at the pane's inner top-left corner.
        EXPECT_EQ(left.pixel(1, 1), qRgb(128, 128, 128));
    }
}

TEST_F(Zoom, CtrlWheelKeepsThePicturePointUnderThePointer) {
    ShowMain();
    main->SetClientSize(800, 600);
    LoadBytes(Bmp24(1500, 1100, 7));
    const int x = 211, y = 137;
    // Scrolled first, so that the point is not the picture's own corner.
    main->exh->UserScroll(TScrollCode::Track, 300);
    main->exv->UserScroll(TScrollCode::Track, 250);
    for (int notches : {1, 1, 1, -1, -2, -1, -1, 1}) {
        TZoomLevel was = View().Level();
        QPointF before = PictureAt(x, y);
        Wheel(notches, Qt::ControlModifier, x, y);
        EXPECT_NE(View().Level(), was);
        QPointF now = PictureAt(x, y);
        SCOPED_TRACE(LevelName(View().Level()));
        // Within the picture pixel the pointer lies on, wherever the scroll range lets it stay (at fit
        // the whole picture shows, so the point moves).
        if (main->exh->Visible() && main->exh->Position() > 0 && main->exh->Position() < main->exh->Max() - 19) {
            EXPECT_NEAR(now.x(), before.x(), 1.0 + 2.0 * platform::ToPicture(1, 1500, main->ex->Zoom()));
        }
        if (main->exv->Visible() && main->exv->Position() > 0 && main->exv->Position() < main->exv->Max() - 19) {
            EXPECT_NEAR(now.y(), before.y(), 1.0 + 2.0 * platform::ToPicture(1, 1100, main->ex->Zoom()));
        }
        ExpectPanesInStep();
        EXPECT_EQ(-main->ex->Left(), main->exh->Visible() ? main->exh->Position() : 0);
        EXPECT_EQ(-main->ex->Top(), main->exv->Visible() ? main->exv->Position() : 0);
    }
}

TEST_F(Zoom, BarsWorkInScreenPixelsOfTheZoomedPictureAtTwoToOneAndAtFit) {
    ShowMain();
    LoadBytes(Bmp24(400, 300, 3));
    // At 1:1 in the 530 x 292 window the inner areas are 261 x 264.
    ASSERT_TRUE(main->exh->Visible());
    View().SetLevelAtCentre(TZoomLevel::Double);
    EXPECT_EQ(main->ex->Width(), 800);
    EXPECT_EQ(main->ex->Height(), 600);
    EXPECT_EQ(main->exh->Max(), 800 + main->exv->Width() - 265 + 23);
    EXPECT_EQ(main->exv->Max(), 600 + main->exh->Height() - 268 + 23);
    ExpectPanesInStep();
    // A line step of either pane's bar moves both pictures and the twin bar.
    int left = main->ex->Left();
    main->newh->UserScroll(TScrollCode::LineDown);
    EXPECT_EQ(main->ex->Left(), left - 1);
    ExpectPanesInStep();
    main->exv->UserScroll(TScrollCode::Bottom);
    main->exv->UserScroll(TScrollCode::Track, main->exv->Max() - 19);
    EXPECT_EQ(main->new_->Top(), -(main->exv->Max() - 19));
    ExpectPanesInStep();

    View().SetLevelAtCentre(TZoomLevel::Fit);
    EXPECT_FALSE(main->exh->Visible());
    EXPECT_FALSE(main->exv->Visible());
    EXPECT_EQ(main->ex->Width(), 261);
    EXPECT_EQ(main->ex->Height(), 300 * 261 / 400);
    EXPECT_EQ(main->ex->Left(), 0);
    EXPECT_EQ(main->ex->Top(), 0);
    ExpectPanesInStep();
    // Fit follows the panes' size, and never enlarges.
    // Inner areas of 361 x 264: the height sets the scale.
    main->SetClientSize(730, 292);
    EXPECT_EQ(main->ex->Width(), 400 * 264 / 300);
    EXPECT_EQ(main->ex->Height(), 264);
    main->SetClientSize(930, 600);
    EXPECT_EQ(main->ex->Width(), 400);
    EXPECT_EQ(main->ex->Height(), 300);
    ExpectPanesInStep();
}

TEST_F(Zoom, ZoomingInFromFitKeepsTheMiddleOfThePictureWhereItDoesNotReachThePanesCentre) {
    ShowMain();
    LoadBytes(Bmp24(1200, 400, 5));
    View().SetLevelAtCentre(TZoomLevel::Fit);
    // 261 x 87 at the top of a 261 x 264 inner area: the panes' centre lies below the picture.
    ASSERT_LT(main->ex->Height(), 264 / 2);
    for (TZoomLevel level : {TZoomLevel::Actual, TZoomLevel::Double}) {
        View().SetLevelAtCentre(TZoomLevel::Fit);
        View().SetLevelAtCentre(level);
        SCOPED_TRACE(LevelName(level));
        ASSERT_TRUE(main->exv->Visible());
        QPointF centre = PictureAt((261 - main->exv->Width()) / 2, (264 - main->exh->Height()) / 2);
        EXPECT_NEAR(centre.x(), 600, 4);
        EXPECT_NEAR(centre.y(), 200, 4);
        ExpectPanesInStep();
    }
}

TEST_F(Zoom, BackAtOneToOneTheWindowIsAsAPlainLoadLeavesIt) {
    ShowMain();
    LoadBytes(Bmp24(400, 300, 3));
    int hmax = main->exh->Max(), vmax = main->exv->Max();
    View().SetLevelAtCentre(TZoomLevel::Quadruple);
    View().SetLevelAtCentre(TZoomLevel::Fit);
    View().SetLevelAtCentre(TZoomLevel::Actual);
    EXPECT_EQ(main->ex->Width(), 400);
    EXPECT_EQ(main->new_->Height(), 300);
    EXPECT_EQ(main->exh->Max(), hmax);
    EXPECT_EQ(main->newv->Max(), vmax);
    ExpectPanesInStep();
    // A new load comes in at 1:1 whatever the level was.
    View().SetLevelAtCentre(TZoomLevel::Octuple);
    LoadBytes(Bmp24(400, 300, 9));
    EXPECT_EQ(View().Level(), TZoomLevel::Actual);
    EXPECT_EQ(main->ex->Zoom(), platform::ZoomScale{});
    EXPECT_EQ(main->new_->Width(), 400);
}

TEST_F(Zoom, ThePlainWheelScrollsBothPanesDownAndShiftWheelAcross) {
    ShowMain();
    LoadBytes(Bmp24(900, 900, 1));
    int lines = std::max(1, QApplication::wheelScrollLines());
    Wheel(-1, Qt::NoModifier, 50, 50, main->newview);
    EXPECT_EQ(main->exv->Position(), lines);
    EXPECT_EQ(main->ex->Top(), -lines);
    ExpectPanesInStep();
    Wheel(-2, Qt::ShiftModifier, 50, 50);
    EXPECT_EQ(main->newh->Position(), 2 * lines);
    EXPECT_EQ(main->new_->Left(), -2 * lines);
    ExpectPanesInStep();
    EXPECT_EQ(View().Level(), TZoomLevel::Actual);
}

TEST_F(Zoom, CtrlKeysZoomAroundTheCentreAndNeverReachTheQualityBox) {
    ShowMain();
    LoadBytes(Bmp24(900, 700, 1));
    main->FocusControl(main->press);
    std::string text = main->press->Text();
    QWidget* edit = main->press->Widget();
    QTest::keyClick(edit, Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(View().Level(), TZoomLevel::Double);
    QTest::keyClick(edit, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(View().Level(), TZoomLevel::Quadruple);
    QTest::keyClick(edit, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(View().Level(), TZoomLevel::Double);
    QTest::keyClick(edit, Qt::Key_9, Qt::ControlModifier);
    EXPECT_EQ(View().Level(), TZoomLevel::Fit);
    // Fit lies between 1:4 and 1:2 here, so a step out goes to 1:4.
    QTest::keyClick(edit, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(View().Level(), TZoomLevel::Quarter);
    QTest::keyClick(edit, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(View().Level(), TZoomLevel::Actual);
    EXPECT_EQ(main->press->Text(), text);
    EXPECT_EQ(main->ActiveControl(), main->press);
}

TEST_F(Zoom, ThePaneMenuListsTheLevelsInJapaneseAndSetsFitWithoutTakingTheFocus) {
    ShowMain();
    LoadBytes(Bmp24(900, 700, 1));
    main->FocusControl(main->press);
    std::string size = main->savesize->Caption();
    QWidget* pane = main->newview->Widget();
    QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(40, 40), pane->mapToGlobal(QPoint(40, 40)));
    QApplication::sendEvent(pane, &e);
    QMenu* menu = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())); }));
    QStringList texts;
    QAction* fit = nullptr;
    // The zoom levels are the menu's first group.
    for (QAction* a : menu->actions()) {
        if (a->isSeparator()) break;
        texts << a->text();
        if (a->text() == "全体表示") fit = a;
        if (a->text() == "等倍") {
            EXPECT_TRUE(a->isChecked());
        }
    }
    EXPECT_EQ(texts.size(), 9) << texts.join(",").toStdString();
    ASSERT_NE(fit, nullptr);
    EXPECT_FALSE(fit->isChecked());
    menu->hide();
    fit->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return View().Level() == TZoomLevel::Fit; }));
    EXPECT_EQ(main->ActiveControl(), main->press);
    EXPECT_EQ(main->savesize->Caption(), size);
    EXPECT_TRUE(errors.empty());
}

TEST_F(Zoom, APartDecodedAtAZoomEqualsTheWholeDecodeScaledTheSameWay) {
    ShowMain();
    LoadBytes(Bmp24(333, 251, 5));
    // The right pane decodes from the bytes; a copy decoded whole is the reference.
    QImage full = WholeDecode();
    ASSERT_FALSE(full.isNull());
    // Enlarged: a part away from the corner, across tile edges.
    QRect part(4 * 61 + 3, 4 * 70 + 1, 301, 277);
    QImage shown = main->new_->ZoomedPart({4, 1}, part);
    ASSERT_EQ(shown.size(), part.size());
    QImage reference(part.size(), QImage::Format_BGR888);
    platform::Enlarge(full.constBits(), full.bytesPerLine(), 3, 4, part.left(), part.top(), part.width(),
                      part.height(), reference.bits(), reference.bytesPerLine());
    EXPECT_TRUE(shown == reference);
    // Reduced, to a size that is not a whole fraction.
    main->new_->Picture().AssignFrom(mainview::newjpeg);
    QImage reduced = main->new_->ZoomedPart({1, 3}, QRect(0, 0, 111, 83));
    // Reductions to half the size or less go through the half-size picture.
    EXPECT_TRUE(reduced == Reduce(Reduce(full, 167, 126), 111, 83));
    // The left pane reduces its bitmap the same way.
    QImage leftFull = main->ex->ShownImage().convertToFormat(QImage::Format_BGR888);
    EXPECT_TRUE(main->ex->ZoomedPart({1, 3}, QRect(0, 0, 111, 83)) == Reduce(Reduce(leftFull, 167, 126), 111, 83));
}

TEST_F(Zoom, ReductionsMadeAheadOrKeptEqualThoseMadeAloneAtEveryReducedLevel) {
    ShowMain();
    LoadBytes(Bmp24(700, 500, 3));
    preview->SetClientSize(320, 240);
    QImage full = WholeDecode();
    ASSERT_FALSE(full.isNull());
    QImage leftFull = main->ex->ShownImage().convertToFormat(QImage::Format_BGR888);
    // Fit first makes the other reduced levels and the preview's fit in its pass; the half-size
    // level then shown is kept and the quarter made from it.
    for (TZoomLevel level : {TZoomLevel::Fit, TZoomLevel::Eighth, TZoomLevel::Quarter, TZoomLevel::Half,
                             TZoomLevel::Quarter, TZoomLevel::Fit}) {
        View().SetLevelAtCentre(level);
        SCOPED_TRACE(LevelName(level));
        std::vector<platform::ZoomScale> scales{main->ex->Zoom()};
        if (level == TZoomLevel::Fit) scales.push_back(View().PreviewScale(320, 240));
        for (platform::ZoomScale scale : scales) {
            QRect shown = main->new_->ShownRect(scale);
            ASSERT_TRUE(scale.Reduces());
            auto expected = [&](const QImage& from) {
                QImage half = Reduce(from, 350, 250);
                return shown.size() == half.size() ? half : Reduce(half, shown.width(), shown.height());
            };
            EXPECT_TRUE(main->new_->ZoomedPart(scale, shown) == expected(full));
            EXPECT_TRUE(main->ex->ZoomedPart(scale, shown) == expected(leftFull));
        }
    }
}

TEST_F(Zoom, ThePreviewOpensAtThePanesZoomWithTheirCentreAtTheScreensCentre) {
    ShowMain();
    LoadBytes(Bmp24(700, 500, 2));
    preview->SetClientSize(640, 480);
    View().SetLevelAtCentre(TZoomLevel::Quadruple);
    main->exh->UserScroll(TScrollCode::Track, 1000);
    main->newv->UserScroll(TScrollCode::Track, 700);
    preview->FormShow(preview);
    EXPECT_EQ(fullshow::scale, (platform::ZoomScale{4, 1}));
    // The pane's visible centre, beside its bars, lands on the screen's centre.
    int cx = (261 - main->exv->Width()) / 2 + 1000, cy = (264 - main->exh->Height()) / 2 + 700;
    EXPECT_EQ(fullshow::imgx, 320 - cx);
    EXPECT_EQ(fullshow::imgy, 240 - cy);
    // The picture covers the screen, so the caption stands at its top left corner.
    EXPECT_EQ(fullshow::capx, 0);
    EXPECT_EQ(fullshow::capy, 0);
    preview->wideshow();
    QImage shot = preview->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QRect around(320 - 100, 240 - 100, 200, 200);
    QImage pane = main->new_->ZoomedPart({4, 1}, around.translated(-fullshow::imgx, -fullshow::imgy));
    EXPECT_TRUE(shot.copy(around) == pane.convertToFormat(QImage::Format_RGB32));
    // Flipped, the same screen pixels show the left pane's picture.
    fullshow::shownew = false;
    preview->wideshow();
    shot = preview->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    pane = main->ex->ZoomedPart({4, 1}, around.translated(-fullshow::imgx, -fullshow::imgy));
    EXPECT_TRUE(shot.copy(around) == pane.convertToFormat(QImage::Format_RGB32));

    // At fit the whole picture fits the screen, centred.
    View().SetLevelAtCentre(TZoomLevel::Fit);
    preview->FormShow(preview);
    EXPECT_EQ(fullshow::scale, (platform::ZoomScale{640, 700}));
    EXPECT_EQ(fullshow::imgx, 0);
    EXPECT_EQ(fullshow::imgy, (480 - 500 * 640 / 700) / 2);
    EXPECT_EQ(fullshow::capy, fullshow::imgy);
    // At 1:1 everything is placed as ever: centred by the compressed picture's size.
    View().SetLevelAtCentre(TZoomLevel::Actual);
    preview->FormShow(preview);
    EXPECT_EQ(fullshow::scale, platform::ZoomScale{});
    EXPECT_EQ(fullshow::imgx, (640 - 700) / 2);
    EXPECT_EQ(fullshow::capx, fullshow::imgx);
    EXPECT_EQ(fullshow::capy, fullshow::imgy);
}

}  // namespace

#include <QPainter>
#include <QTest>

#include <cmath>
#include <fstream>

#include "app/lossview.h"
#include "app/zoomview.h"
#include "comparisonfixture.h"

using namespace zavo;

namespace {

// A grey ramp, bottom-up, that compresses almost without loss but for a 32 x 32 block of noise
// with its top-left corner at (bx, by), which the compression smooths away.
std::string FlawBmp(int w, int h, int bx, int by) {
    std::string s = zavotest::Bmp24(w, h, 0);
    const int stride = (w * 3 + 3) & ~3;
    uint32_t noise = 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int v = 60 + x * 120 / w;
            if (x >= bx && x < bx + 32 && y >= by && y < by + 32) {
                noise = noise * 1664525u + 1013904223u;
                v += int(noise >> 24) % 41 - 20;
            }
            for (int c = 0; c < 3; ++c) s[54 + size_t(h - 1 - y) * stride + size_t(x) * 3 + c] = char(v);
        }
    return s;
}

class LossView : public zavotest::Comparison {
protected:
    void LoadFlaw(int w, int h, int bx, int by) {
        std::string path = dir + "/flaw.bmp";
        std::ofstream(path, std::ios::binary) << FlawBmp(w, h, bx, by);
        Load(path);
        ASSERT_TRUE(errors.empty());
    }
    TLossView& View() { return main->Loss(); }
    bool MapCame() { return QTest::qWaitFor([&] { return View().Map() != nullptr; }, 10000); }
    void SetQuality(const char* quality) {
        main->press->SetText(quality);
        main->presson(main->press);
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(main->press->Widget(), key, modifiers);
    }
    // The picture point at the centre of what the left pane shows beside its bars.
    QPointF Centre() {
        int x = (main->exview->Width() - 4 - (main->exv->Visible() ? main->exv->Width() : 0)) / 2;
        int y = (main->exview->Height() - 4 - (main->exh->Visible() ? main->exh->Height() : 0)) / 2;
        platform::ZoomScale s = main->ex->Zoom();
        return {platform::ToPicture(x - main->ex->Left(), main->ex->Picture().Width(), s),
                platform::ToPicture(y - main->ex->Top(), main->ex->Picture().Height(), s)};
    }
    TQualityFigures HeldFigures() {
        std::string bytes = Held();
        return zavotest::SourceFigures(bytes.data(), bytes.size());
    }
};

}  // namespace

TEST_F(LossView, TheMapIsTheSizeHintsMeasureOfTheNewestBytesOnly) {
    ShowMain();
    LoadFlaw(200, 150, 100, 60);
    for (const char* quality : {"10", "50", "90", "30"}) {
        SetQuality(quality);
        EXPECT_EQ(View().Map(), nullptr) << quality;
    }
    ASSERT_TRUE(MapCame());
    // Maps of the earlier qualities may still be under way; none of them may take the place.
    QTest::qWait(300);
    const TLossMap& map = *View().Map();
    TQualityFigures held = HeldFigures();
    EXPECT_EQ(map.Mean(), map.figures.ssim);
    EXPECT_EQ(map.figures.ssim, held.ssim);
    EXPECT_EQ(map.figures.worst, held.worst);
    EXPECT_GE(map.figures.worstX, 100 - 8);
    EXPECT_LE(map.figures.worstX, 100 + 32);
    EXPECT_NE(main->savesize->Hint().find("SSIM " + SsimText(held.ssim) + " (最低 " + SsimText(held.worst) + "), "),
              std::string::npos)
        << main->savesize->Hint();
}

TEST_F(LossView, F3ToursTheWorstSpotsAtOneToOneAndShiftF3GoesBack) {
    ShowMain();
    LoadFlaw(1600, 1200, 1200, 900);
    main->FocusControl(main->press);
    const std::string quality = main->press->Text();
    Key(Qt::Key_9, Qt::ControlModifier);
    ASSERT_EQ(main->Zoom().Level(), TZoomLevel::Fit);
    ASSERT_TRUE(MapCame());
    Key(Qt::Key_F3);
    EXPECT_EQ(main->Zoom().Level(), TZoomLevel::Actual);
    QPointF first = Centre();
    // The worst window lies on the block or on its edge, where the compression rings over the ramp.
    EXPECT_GE(first.x(), 1200 - 8);
    EXPECT_LE(first.x(), 1232 + 8);
    EXPECT_GE(first.y(), 900 - 8);
    EXPECT_LE(first.y(), 932 + 8);
    EXPECT_EQ(main->exh->Position(), main->newh->Position());
    EXPECT_EQ(main->exv->Position(), main->newv->Position());
    EXPECT_EQ(main->ex->Left(), main->new_->Left());
    EXPECT_EQ(main->ex->Top(), main->new_->Top());
    Key(Qt::Key_F3);
    QPointF second = Centre();
    EXPECT_GE(std::hypot(second.x() - first.x(), second.y() - first.y()), main->exview->Width() - 4 - 1);
    Key(Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(Centre(), first);
    Key(Qt::Key_F3);
    EXPECT_EQ(Centre(), second);
    EXPECT_EQ(main->press->Text(), quality);
    EXPECT_EQ(main->ActiveControl(), main->press);
    // A new quality starts the tour again, once its map is known.
    main->Zoom().SetLevelAtCentre(TZoomLevel::Fit);
    SetQuality("70");
    Key(Qt::Key_F3);
    EXPECT_EQ(main->Zoom().Level(), TZoomLevel::Fit);
    ASSERT_TRUE(MapCame());
    Key(Qt::Key_F3);
    EXPECT_LE(std::hypot(Centre().x() - first.x(), Centre().y() - first.y()), 48);
    EXPECT_TRUE(errors.empty());
}

TEST_F(LossView, CtrlDShowsTheLossOverTheRightPaneOnlyAndKeepsItAcrossQualities) {
    ShowMain();
    main->FocusControl(main->press);
    // Before a picture is loaded there is nothing to show.
    Key(Qt::Key_D, Qt::ControlModifier);
    EXPECT_FALSE(View().Shown());
    LoadFlaw(240, 200, 100, 100);
    main->FocusControl(main->press);
    ASSERT_TRUE(MapCame());
    auto entries = [&] { return main->PaneMenu()[1]; };
    EXPECT_EQ(entries()[0].caption, "劣化マップ");
    EXPECT_FALSE(entries()[0].checked);
    EXPECT_EQ(entries()[1].caption, "最も劣化した場所へ");
    EXPECT_TRUE(entries()[1].enabled);
    auto pixel = [](TImage* image, int x, int y) {
        QImage one(1, 1, QImage::Format_RGB32);
        QPainter painter(&one);
        painter.translate(-x, -y);
        image->PaintPart(painter, QRect(x, y, 1, 1));
        painter.end();
        return one.pixelColor(0, 0);
    };
    const QColor plainRamp = pixel(main->new_, 10, 10);
    const QColor left = pixel(main->ex, 116, 116);
    Key(Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(View().Shown());
    EXPECT_TRUE(entries()[0].checked);
    QColor block = pixel(main->new_, 116, 116), ramp = pixel(main->new_, 10, 10);
    EXPECT_GT(block.red(), 200);
    EXPECT_LT(block.green(), 120);
    EXPECT_EQ(ramp, plainRamp);  // grey stays grey where nothing is lost
    EXPECT_EQ(pixel(main->ex, 116, 116), left);
    // A new quality shows the plain result until its map comes, and its loss then.
    SetQuality("60");
    EXPECT_TRUE(View().Shown());
    EXPECT_FALSE(entries()[1].enabled);
    QColor waiting = pixel(main->new_, 116, 116);
    EXPECT_TRUE(waiting.red() == waiting.green() && waiting.green() == waiting.blue());
    ASSERT_TRUE(MapCame());
    EXPECT_GT(pixel(main->new_, 116, 116).red(), 200);
    // So does a new picture.
    LoadFlaw(240, 200, 20, 120);
    EXPECT_TRUE(View().Shown());
    ASSERT_TRUE(MapCame());
    EXPECT_LT(pixel(main->new_, 116, 116).red(), 200);
    EXPECT_GT(pixel(main->new_, 36, 136).red(), 200);
    entries()[0].onClick();
    EXPECT_FALSE(View().Shown());
}

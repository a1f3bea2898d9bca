#include "codec/canvas.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "codec/bitmap.h"
#include "platform/screen.h"
#include "support/testutil.h"

namespace zavo {
namespace {

using platform::ColorRef;
using platform::MakeColorRef;

constexpr ColorRef kWhite = 0xFFFFFF;
constexpr ColorRef kRed = MakeColorRef(255, 0, 0);
constexpr ColorRef kBlue = MakeColorRef(0, 0, 255);
constexpr ColorRef kLime = MakeColorRef(0, 255, 0);

std::unique_ptr<TBitmap> Sized(int width, int height) {
    auto b = std::make_unique<TBitmap>();
    b->SetHeight(height);
    b->SetWidth(width);
    return b;
}

ColorRef PixelOf(TBitmap& b, int x, int y) { return b.Image().Handle()->Pixel(x, y); }

// A canvas that never gets a device context.
class TDeadCanvas : public TCanvas {
protected:
    void CreateHandle() override {}
};

TEST(Canvas, StartsWithWhiteSolidBrushAndWindowTextFont) {
    TDeadCanvas c;
    EXPECT_EQ(c.Brush().Color(), clWhite);
    EXPECT_EQ(c.Brush().Style(), TBrushStyle::Solid);
    EXPECT_EQ(c.Font().Color(), clWindowText);
    EXPECT_FALSE(c.HandleAllocated());
    EXPECT_EQ(ColorToRGB(clWindowText), 0u);
    EXPECT_EQ(ColorToRGB(clWindow), kWhite);
}

TEST(Canvas, DrawingWithoutAContextFails) {
    TDeadCanvas c;
    auto b = Sized(2, 2);
    EXPECT_THROW_MSG(c.DrawGraphic(0, 0, b.get()), EInvalidOperation, "Canvas に対する描画ができません");
    EXPECT_THROW_MSG(c.FillRect(Rect(0, 0, 1, 1)), EInvalidOperation, "Canvas に対する描画ができません");
}

TEST(Canvas, DrawingAnEmptyGraphicDoesNothingAndRunsNoCallbacks) {
    auto target = Sized(3, 3);
    TBitmap shared;
    shared.AssignFrom(target.get());
    int changing = 0, changed = 0, notified = 0;
    TCanvas& canvas = target->Canvas();
    canvas.OnChanging = [&](TCanvas*) { ++changing; };
    canvas.OnChange = [&](TCanvas*) { ++changed; };
    target->OnChange = [&](TGraphic*) { ++notified; };
    TBitmap empty;
    canvas.DrawGraphic(0, 0, &empty);
    canvas.DrawGraphic(0, 0, nullptr);
    EXPECT_EQ(changing + changed + notified, 0);
    EXPECT_FALSE(canvas.HandleAllocated());
    EXPECT_EQ(&shared.Image(), &target->Image());

    auto picture = Sized(1, 1);
    canvas.DrawGraphic(0, 0, picture.get());
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changed, 1);
}

TEST(Canvas, BitmapCanvasSignalsTheBitmap) {
    auto b = Sized(2, 2);
    int notified = 0;
    b->OnChange = [&](TGraphic*) { ++notified; };
    b->Canvas().FillRect(Rect(0, 0, 1, 1));
    b->Canvas().SetPixel(1, 1, clRed);
    EXPECT_EQ(notified, 2);
    EXPECT_TRUE(b->Modified());
}

TEST(Canvas, FillRectUsesTheBrushUnlessClear) {
    auto b = Sized(4, 2);
    b->Canvas().Brush().SetColor(clBlue);
    b->Canvas().FillRect(Rect(1, 0, 3, 2));
    b->Canvas().Brush().SetColor(clRed);
    b->Canvas().Brush().SetStyle(TBrushStyle::Clear);
    b->Canvas().FillRect(Rect(0, 0, 4, 2));
    for (int x = 0; x < 4; ++x) EXPECT_EQ(PixelOf(*b, x, 1), (x == 1 || x == 2) ? kBlue : kWhite) << x;
    // Choosing a colour makes the brush solid again.
    b->Canvas().Brush().SetColor(clLime);
    EXPECT_EQ(b->Canvas().Brush().Style(), TBrushStyle::Solid);
}

TEST(Canvas, StretchDrawScalesTheBitmap) {
    auto source = Sized(2, 1);
    source->Canvas().SetPixel(0, 0, clRed);
    source->Canvas().SetPixel(1, 0, clBlue);
    auto target = Sized(4, 2);
    target->Canvas().StretchDraw(Rect(0, 0, 4, 2), source.get());
    const ColorRef expected[4] = {kRed, kRed, kBlue, kBlue};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(PixelOf(*target, x, y), expected[x]) << x << "," << y;
}

TEST(Canvas, MonochromeSourcesTakeTheFontAndBrushColours) {
    auto pixels = platform::Surface::CreateMonochrome(2, 1);
    pixels->SetPixel(1, 0, kWhite);
    TBitmap source;
    source.AdoptImage(std::move(pixels), nullptr, {}, nullptr, false);
    EXPECT_TRUE(source.Monochrome());
    auto target = Sized(2, 1);
    target->Canvas().Font().SetColor(clRed);
    target->Canvas().Brush().SetColor(clLime);
    target->Canvas().DrawGraphic(0, 0, &source);
    EXPECT_EQ(PixelOf(*target, 0, 0), kRed);
    EXPECT_EQ(PixelOf(*target, 1, 0), kLime);
}

TEST(Canvas, TextIsDrawnOnTheBrushOrWithoutBackground) {
    auto b = Sized(80, 30);
    b->Canvas().Brush().SetColor(clBlue);
    b->Canvas().FillRect(Rect(0, 0, 80, 30));
    b->Canvas().Font().SetColor(clWhite);
    b->Canvas().Brush().SetColor(clRed);
    platform::Size extent = b->Canvas().TextExtent("使用前");
    ASSERT_GT(extent.width, 0);
    ASSERT_GT(extent.height, 0);
    b->Canvas().TextOut(2, 2, "使用前");
    EXPECT_EQ(b->Canvas().PenPos(), (TPoint{2 + extent.width, 2}));
    int white = 0, red = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 80; ++x) {
            ColorRef c = PixelOf(*b, x, y);
            bool inside = x >= 2 && y >= 2 && x < 2 + extent.width && y < 2 + extent.height;
            if (!inside) {
                ASSERT_EQ(c, kBlue) << x << "," << y;
            }
            white += c == kWhite;
            red += c == kRed;
        }
    EXPECT_GT(white, 0);
    EXPECT_GT(red, 0);

    auto clear = Sized(80, 30);
    clear->Canvas().Brush().SetColor(clBlue);
    clear->Canvas().FillRect(Rect(0, 0, 80, 30));
    clear->Canvas().Brush().SetStyle(TBrushStyle::Clear);
    clear->Canvas().Font().SetColor(clLime);
    clear->Canvas().TextOut(2, 2, "使用後");
    int lime = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 80; ++x) {
            ColorRef c = PixelOf(*clear, x, y);
            ASSERT_NE(c, kRed);
            lime += c == kLime;
        }
    EXPECT_GT(lime, 0);
}

TEST(Canvas, TextReachesPaletteBitmapsToo) {
    auto b = Sized(40, 20);
    b->SetPixelFormat(TPixelFormat::Bit4);
    b->Canvas().Font().SetColor(clBlack);
    b->Canvas().Font().SetStyle(static_cast<TFontStyles>(TFontStyle::Bold));
    b->Canvas().TextOut(1, 1, "W");
    int black = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) black += PixelOf(*b, x, y) == 0;
    EXPECT_GT(black, 0);
    EXPECT_EQ(b->PixelFormat(), TPixelFormat::Bit4);
}

TEST(Canvas, ASurfaceIsOpenInOneBitmapCanvasAtATime) {
    auto a = Sized(2, 2);
    EXPECT_EQ(a->Canvas().Pixel(0, 0), static_cast<TColor>(kWhite));
    EXPECT_TRUE(a->Canvas().HandleAllocated());
    TBitmap b;
    b.AssignFrom(a.get());
    EXPECT_FALSE(b.HasCanvas());
    EXPECT_EQ(b.Canvas().Pixel(1, 1), static_cast<TColor>(kWhite));
    EXPECT_TRUE(b.Canvas().HandleAllocated());
    EXPECT_FALSE(a->Canvas().HandleAllocated());
    // Replacing the image closes the context.
    b.SetWidth(3);
    EXPECT_FALSE(b.Canvas().HandleAllocated());
}

TEST(Canvas, FontSizeFollowsThePixelsPerInch) {
    // Point size of a 16-pixel font and pixel height of a 10-point font at common screen densities.
    struct Density {
        int ppi, size, height;
    };
    const int ppi = platform::ScreenPixelsPerInch();
    Density d{};
    for (const Density& c : {Density{96, 12, -13}, Density{120, 10, -17}, Density{144, 8, -20}, Density{192, 6, -27}})
        if (c.ppi == ppi) d = c;
    if (d.ppi == 0) GTEST_SKIP() << "no expected sizes for " << ppi << " pixels per inch";
    TFont font;
    int changes = 0;
    font.OnChange = [&] { ++changes; };
    font.SetHeight(-16);
    EXPECT_EQ(font.Size(), d.size);
    font.SetSize(10);
    EXPECT_EQ(font.Height(), d.height);
    font.SetSize(10);
    EXPECT_EQ(changes, 2);
}

}  // namespace
}  // namespace zavo

#include "platform/surfacepainter.h"

#include <gtest/gtest.h>

#include "dibheader.h"
#include "platform/devicecontext.h"

namespace zavo::platform {
namespace {

using zavotest::DibHeader;

constexpr ColorRef kRed = MakeColorRef(255, 0, 0);
constexpr ColorRef kBlue = MakeColorRef(0, 0, 255);

TEST(SurfaceImage, WrapsThirtyTwoBitTopDownPixelsInPlace) {
    auto display = Surface::CreateDisplay(3, 2);
    display->SetPixel(2, 1, kRed);
    QImage image = SurfaceImage(*display);
    EXPECT_EQ(image.constBits(), display->Bits());
    EXPECT_EQ(image.pixelColor(2, 1).rgb() & 0xFFFFFF, 0xFF0000u);
    // Other layouts are converted into a copy.
    auto bottomUp = Surface::CreateDib(DibHeader(3, 2, 24), {});
    bottomUp->SetPixel(0, 0, kBlue);
    QImage copy = SurfaceImage(*bottomUp);
    EXPECT_NE(copy.constBits(), bottomUp->Bits());
    EXPECT_EQ(copy.pixelColor(0, 0).rgb() & 0xFFFFFF, 0x0000FFu);
    EXPECT_TRUE(SurfaceImage(*Surface::CreateDisplay(0, 4)).isNull());
}

TEST(SurfacePainter, PaintsThroughACopyAndWritesBackOnlyTheArea) {
    std::vector<RgbQuad> table = {{0, 0, 0, 0}, {0, 0, 255, 0}, {255, 0, 0, 0}};
    auto eight = Surface::CreateDib(DibHeader(6, 4, 8), table);
    {
        SurfacePainter painter(*eight, {1, 1, 3, 3});
        painter.Painter().fillRect(QRect(0, 0, 6, 4), QColor(255, 0, 0));
    }
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(eight->Pixel(x, y), (x >= 1 && x < 3 && y >= 1 && y < 3) ? kRed : 0u) << x << "," << y;
}

TEST(SurfacePainter, PaintsInPlaceOnTheDisplayFormat) {
    auto display = Surface::CreateDisplay(4, 4);
    {
        SurfacePainter painter(*display, {0, 0, 2, 4});
        painter.Painter().fillRect(QRect(0, 0, 4, 4), QColor(0, 0, 255));
    }
    EXPECT_EQ(display->Pixel(1, 3), kBlue);
    EXPECT_EQ(display->Pixel(2, 0), 0u);
    // An area wholly outside paints nothing.
    SurfacePainter outside(*display, {10, 10, 20, 20});
    EXPECT_FALSE(outside.Painter().isActive());
}

}  // namespace
}  // namespace zavo::platform

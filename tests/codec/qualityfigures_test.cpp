#include "codec/qualityfigures.h"

#include <gtest/gtest.h>

#include <cmath>

#include "codec/bitmap.h"
#include "codec/picturefile.h"
#include "support/testutil.h"

using namespace zavo;

namespace {

struct Plane {
    int width;
    int height;
    std::vector<uint8_t> values;
    const uint8_t* Row(int y) const { return values.data() + size_t(y) * size_t(width); }
};

Plane MakePlane(int w, int h, uint8_t (*value)(int x, int y)) {
    Plane p{w, h, std::vector<uint8_t>(size_t(w) * size_t(h))};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.values[size_t(y) * size_t(w) + size_t(x)] = value(x, y);
    return p;
}

TQualityFigures CompareLuma(const Plane& a, const Plane& b) {
    TQualityMeter meter(a.width, a.height);
    for (int y = 0; y < a.height; ++y) meter.AddRow(a.Row(y), b.Row(y));
    return meter.Figures();
}

}  // namespace

TEST(QualityFigures, IdenticalPlanesAreLossless) {
    for (auto [w, h] : {std::pair{64, 48}, {5, 3}, {8, 8}, {13, 9}}) {
        Plane a = MakePlane(w, h, [](int x, int y) { return uint8_t(x * 7 + y * 3); });
        TQualityFigures f = CompareLuma(a, a);
        EXPECT_TRUE(std::isinf(f.psnr)) << w << "x" << h;
        EXPECT_DOUBLE_EQ(f.ssim, 1.0) << w << "x" << h;
        EXPECT_EQ(PsnrText(f.psnr), "inf");
        EXPECT_EQ(SsimText(f.ssim), "1.000");
    }
}

TEST(QualityFigures, PsnrFollowsTheMeanSquaredError) {
    // Every pixel off by 10: MSE 100. Every other pixel off by 2: MSE 2. Off by 8: MSE 64.
    struct Case {
        uint8_t (*b)(int, int);
        double psnr;
        const char* text;
    } cases[] = {
        {[](int, int) { return uint8_t(110); }, 28.130803608679, "28.1"},
        {[](int x, int) { return uint8_t(x % 2 ? 102 : 100); }, 45.120503652039, "45.1"},
        {[](int, int y) { return uint8_t(y % 2 ? 92 : 108); }, 30.069003868840, "30.1"},
    };
    Plane a = MakePlane(16, 12, [](int, int) { return uint8_t(100); });
    for (const Case& c : cases) {
        TQualityFigures f = CompareLuma(a, MakePlane(16, 12, c.b));
        EXPECT_NEAR(f.psnr, c.psnr, 1e-9);
        EXPECT_EQ(PsnrText(f.psnr), c.text);
    }
}

TEST(QualityFigures, SsimOfOneWindowMatchesTheFormula) {
    // 8 x 8 is exactly one window. Stripes of 0 and 255 against flat 127: no structure in common.
    Plane stripes = MakePlane(8, 8, [](int x, int) { return uint8_t(x % 2 ? 255 : 0); });
    Plane flat = MakePlane(8, 8, [](int, int) { return uint8_t(127); });
    EXPECT_NEAR(CompareLuma(stripes, flat).ssim, 0.003587058803, 1e-9);
    // A ramp against itself shifted up by 8: only the luminance term is below 1.
    Plane ramp = MakePlane(8, 8, [](int x, int) { return uint8_t(x * 4); });
    Plane shifted = MakePlane(8, 8, [](int x, int) { return uint8_t(x * 4 + 8); });
    EXPECT_NEAR(CompareLuma(ramp, shifted).ssim, 0.906773828209, 1e-7);  // kept in single precision
}

TEST(QualityFigures, SsimAveragesWindowsEveryFourPixels) {
    // 12 x 8: windows at x = 0 and x = 4. The left one sees the ramp unchanged (1), the right one
    // sees columns 8..11 shifted, which the left never covers.
    Plane a = MakePlane(12, 8, [](int x, int) { return uint8_t(x * 4); });
    Plane b = MakePlane(12, 8, [](int x, int) { return uint8_t(x < 8 ? x * 4 : x * 4 + 8); });
    TQualityFigures f = CompareLuma(a, b);
    EXPECT_GT(f.ssim, 0.5);
    EXPECT_LT(f.ssim, 1.0);
    // Columns 12.. do not exist: a 13th column beyond the last window changes PSNR but not SSIM.
    Plane a13 = MakePlane(13, 8, [](int x, int) { return uint8_t(x * 4); });
    Plane b13 = MakePlane(13, 8, [](int x, int) { return uint8_t(x < 8 ? x * 4 : x == 12 ? 0 : x * 4 + 8); });
    TQualityFigures g = CompareLuma(a13, b13);
    EXPECT_DOUBLE_EQ(g.ssim, f.ssim);
    EXPECT_LT(g.psnr, f.psnr);
}

TEST(QualityFigures, PlanesOfDifferentSizesAreRefused) {
    EXPECT_THROW_MSG(TQualityMeter(0, 0), EInvalidGraphicOperation, "画像フォーマットが不正です");
    Plane a = MakePlane(8, 8, [](int, int) { return uint8_t(0); });
    TQualityMeter meter(8, 9);
    for (int y = 0; y < 8; ++y) meter.AddRow(a.Row(y), a.Row(y));
    EXPECT_THROW_MSG(meter.Figures(), EInvalidGraphicOperation, "画像フォーマットが不正です");
    meter.AddRow(a.Row(0), a.Row(0));
    EXPECT_THROW_MSG(meter.AddRow(a.Row(0), a.Row(0)), EInvalidGraphicOperation, "画像フォーマットが不正です");
    // A file of another size than the pixels is refused before a row of it is read.
    TBitmap taller;
    taller.SetPixelFormat(TPixelFormat::Bit24);
    taller.SetWidth(8);
    taller.SetHeight(9);
    TBitmap pixels;
    pixels.SetPixelFormat(TPixelFormat::Bit24);
    pixels.SetWidth(8);
    pixels.SetHeight(8);
    std::vector<uint8_t> jpeg = TPictureCompressor(taller).Compress(80);
    TMemoryStream bytes;
    bytes.WriteBuffer(jpeg.data(), int64_t(jpeg.size()));
    bytes.SetPosition(0);
    EXPECT_THROW_MSG(MeasureJpeg(*WithPlainRows(pixels), bytes), EInvalidGraphicOperation, "画像フォーマットが不正です");
}

TEST(QualityFigures, LumaWeighsRedGreenAndBlueAsTheCompressor) {
    for (TPixelFormat format : {TPixelFormat::Bit24, TPixelFormat::Bit32, TPixelFormat::Bit8}) {
        TBitmap bitmap;
        bitmap.SetPixelFormat(TPixelFormat::Bit24);
        bitmap.SetWidth(4);
        bitmap.SetHeight(2);
        const uint8_t bgr[4][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {255, 255, 255}};
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x)
                for (int c = 0; c < 3; ++c) bitmap.ScanLine(y)[x * 3 + c] = y == 0 ? bgr[x][c] : 0;
        bitmap.SetPixelFormat(format);
        const platform::Surface* surface = WithPlainRows(bitmap);
        ASSERT_NE(surface, nullptr);
        uint8_t luma[4];
        LumaRow(*surface, 0, luma);
        EXPECT_EQ(std::vector<uint8_t>(luma, luma + 4), (std::vector<uint8_t>{76, 150, 29, 255}));
        LumaRow(*surface, 1, luma);
        EXPECT_EQ(luma[0], 0);
    }
}

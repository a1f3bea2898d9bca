#include "platform/surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "dibheader.h"
#include "platform/memory.h"
#include "platform/palette.h"
#include "platform/pixelconvert.h"
#include "support/testutil.h"

namespace zavo::platform {
namespace {

using zavotest::DibHeader;

constexpr ColorRef kWhite = 0xFFFFFF;
constexpr ColorRef kBlack = 0x000000;
constexpr ColorRef kRed = MakeColorRef(255, 0, 0);
constexpr ColorRef kLime = MakeColorRef(0, 255, 0);
constexpr ColorRef kBlue = MakeColorRef(0, 0, 255);
constexpr ColorRef kYellow = MakeColorRef(255, 255, 0);

std::vector<RgbQuad> Table(std::initializer_list<ColorRef> colors) {
    std::vector<RgbQuad> t;
    for (ColorRef c : colors) t.push_back({BlueOf(c), GreenOf(c), RedOf(c), 0});
    return t;
}

// A named way of making a surface of one format.
struct Format {
    std::string name;
    std::function<std::unique_ptr<Surface>(int, int)> make;
    bool twoColors;  // only black and white survive
};

std::vector<Format> AllFormats() {
    auto palette = Table({kBlack, kRed, kLime, kBlue, kYellow, kWhite});
    const uint32_t masks565[3] = {0xF800, 0x07E0, 0x001F};
    const uint32_t masks101010[3] = {0x3FF00000, 0x000FFC00, 0x000003FF};
    return {
        {"display", [](int w, int h) { return Surface::CreateDisplay(w, h); }, false},
        {"mono", [](int w, int h) { return Surface::CreateMonochrome(w, h); }, true},
        {"dib1", [](int w, int h) { return Surface::CreateDib(DibHeader(w, h, 1), {}); }, true},
        {"dib4", [palette](int w, int h) { return Surface::CreateDib(DibHeader(w, h, 4), palette); }, false},
        {"dib4-16", [](int w, int h) { return Surface::CreateDib(DibHeader(w, h, 4), ColorTableFromPalette(*SixteenColorPalette())); }, false},
        {"dib8", [palette](int w, int h) { return Surface::CreateDib(DibHeader(w, -h, 8), palette); }, false},
        {"dib8-halftone", [](int w, int h) { return Surface::CreateDib(DibHeader(w, h, 8), ColorTableFromPalette(*CreateHalftonePalette())); }, false},
        {"dib15", [](int w, int h) { return Surface::CreateDib(DibHeader(w, h, 16), {}); }, false},
        {"dib16", [masks565](int w, int h) { return Surface::CreateDib(DibHeader(w, h, 16, kBiBitFields), {}, masks565); }, false},
        {"dib24", [](int w, int h) { return Surface::CreateDib(DibHeader(w, h, 24), {}); }, false},
        {"dib24-topdown", [](int w, int h) { return Surface::CreateDib(DibHeader(w, -h, 24), {}); }, false},
        {"dib32", [](int w, int h) { return Surface::CreateDib(DibHeader(w, h, 32), {}); }, false},
        {"dib32-101010", [masks101010](int w, int h) { return Surface::CreateDib(DibHeader(w, h, 32, kBiBitFields), {}, masks101010); }, false},
    };
}

ColorRef PatternColor(int x, int y, bool twoColors) {
    static constexpr ColorRef kColors[] = {kBlack, kWhite, kRed, kLime, kBlue, kYellow};
    int i = (x * 7 + y * 3) % (twoColors ? 2 : 6);
    return kColors[i];
}

TEST(Surface, RowsArePaddedAndOrderedByHeightSign) {
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        auto up = Surface::CreateDib(DibHeader(5, 3, bits), {});
        auto down = Surface::CreateDib(DibHeader(5, -3, bits), {});
        ASSERT_TRUE(up && down);
        int64_t stride = ((5 * bits + 31) / 32) * 4;
        EXPECT_EQ(up->Stride(), stride);
        EXPECT_EQ(up->ImageSize(), stride * 3);
        EXPECT_EQ(up->Row(0), up->Bits() + 2 * stride) << bits;
        EXPECT_EQ(down->Row(0), down->Bits()) << bits;
        EXPECT_FALSE(up->TopDown());
        EXPECT_TRUE(down->TopDown());
        EXPECT_EQ(up->Header().height, 3);
        EXPECT_EQ(down->Header().height, -3);
    }
    auto display = Surface::CreateDisplay(3, 2);
    EXPECT_TRUE(display->IsDisplayFormat());
    EXPECT_EQ(display->Stride(), 12);
    EXPECT_EQ(display->Row(1), display->Bits() + 12);
    EXPECT_EQ(display->Header().size, 0u);
}

// The memory of a freed picture, full of its pixels, is what the next picture of about its size gets.
// Whatever other spares there were are given back first.
void FreePictureOf(int width, int height) {
    Surface::CreateDisplay(128, 128).reset();
    auto used = Surface::CreateDisplay(width, height);
    std::memset(used->Bits(), 0xA5, static_cast<size_t>(used->ImageSize()));
}

TEST(Surface, MemoryOfAFreedPictureStartsAsAskedAndASmallPictureGivesItBack) {
    FreePictureOf(1024, 600);
    ASSERT_EQ(size_t{1024} * 600 * 4, SparePictureMemory());
    auto zeroed = Surface::CreateDisplay(1000, 600);
    EXPECT_EQ(0u, SparePictureMemory());
    EXPECT_TRUE(std::all_of(zeroed->Bits(), zeroed->Bits() + zeroed->ImageSize(), [](uint8_t b) { return b == 0; }));
    zeroed.reset();
    // Blocks of many megabytes, mapped on their own, are zero whether fresh or taken from a spare.
    for (int i = 0; i < 2; ++i) {
        auto large = Surface::CreateDisplay(2000, 1200);
        EXPECT_TRUE(std::all_of(large->Bits(), large->Bits() + large->ImageSize(), [](uint8_t b) { return b == 0; }));
        std::memset(large->Bits(), 0xA5, static_cast<size_t>(large->ImageSize()));
    }

    FreePictureOf(1024, 600);
    ReleaseSparePictureMemory();
    EXPECT_EQ(0u, SparePictureMemory());
    FreePictureOf(1024, 600);
    // 1001 pixels of 3 bytes leave one byte of padding in each row.
    auto unfilled = Surface::CreateDib(DibHeader(1001, 600, 24), {}, nullptr, Surface::Contents::Unfilled);
    EXPECT_EQ(0u, SparePictureMemory());
    for (int y = 0; y < unfilled->Height(); ++y) ASSERT_EQ(0, unfilled->Row(y)[3003]) << y;
    unfilled.reset();

    {
        auto one = Surface::CreateDisplay(1024, 600);
        auto two = Surface::CreateDisplay(2048, 600);
    }
    // The larger block may be rounded up to whole huge pages.
    ASSERT_GE(SparePictureMemory(), size_t{3072} * 600 * 4);
    ASSERT_LT(SparePictureMemory(), size_t{3072} * 600 * 4 + (size_t{2} << 20));
    auto small = Surface::CreateDib(DibHeader(640, 480, 24), {});
    EXPECT_EQ(0u, SparePictureMemory());

    // A load makes its new pictures before it frees the old ones, which nothing asks for again.
    auto large = Surface::CreateDisplay(2048, 600);
    auto newFile = Surface::CreateDib(DibHeader(640, 480, 24), {});
    auto newWorking = Surface::CreateDisplay(640, 480);
    large.reset();
    EXPECT_EQ(0u, SparePictureMemory());
}

TEST(Surface, RefusesNegativeAndOversizedSurfacesBeforeAllocating) {
    EXPECT_THROW_MSG(Surface::CreateDisplay(-1, 5), EOutOfResources, "システム リソースが足りません");
    EXPECT_THROW_MSG(Surface::CreateDisplay(5, -1), EOutOfResources, "システム リソースが足りません");
    EXPECT_THROW_MSG(Surface::CreateDisplay(40000, 40000), EOutOfResources, "システム リソースが足りません");
    EXPECT_THROW_MSG(Surface::CreateMonochrome(0x7FFFFFFF, 0x7FFFFFFF), EOutOfResources,
                     "システム リソースが足りません");
    EXPECT_THROW_MSG(Surface::CreateDib(DibHeader(-4, 4, 24), {}), EOutOfResources, "システム リソースが足りません");
    EXPECT_THROW_MSG(Surface::CreateDib(DibHeader(0x7FFFFFFF, -0x7FFFFFFF, 32), {}), EOutOfResources,
                     "システム リソースが足りません");
    EXPECT_THROW_MSG(Surface::CreateDib(DibHeader(4, INT32_MIN, 8), {}), EOutOfResources, "システム リソースが足りません");
    // Exactly 2 GiB is still allowed by size; one row more is not.
    EXPECT_THROW_MSG(Surface::CreateDib(DibHeader(16384, 32769, 32), {}), EOutOfResources, "システム リソースが足りません");
}

TEST(Surface, RefusesFormatsThatDoNotExist) {
    EXPECT_EQ(Surface::CreateDib(DibHeader(4, 4, 2), {}), nullptr);
    EXPECT_EQ(Surface::CreateDib(DibHeader(4, 4, 0), {}), nullptr);
    EXPECT_EQ(Surface::CreateDib(DibHeader(4, 4, 24, kBiBitFields), {}), nullptr);
    EXPECT_EQ(Surface::CreateDib(DibHeader(4, 4, 8, kBiRle8), {}), nullptr);
    const uint32_t overlapping[3] = {0xFF00, 0x0FF0, 0x000F};
    EXPECT_EQ(Surface::CreateDib(DibHeader(4, 4, 16, kBiBitFields), {}, overlapping), nullptr);
    const uint32_t holes[3] = {0xF00F, 0x00F0, 0x0F00};
    EXPECT_EQ(Surface::CreateDib(DibHeader(4, 4, 16, kBiBitFields), {}, holes), nullptr);
    const uint32_t wide[3] = {0xFF0000, 0xFF00, 0xFF};
    EXPECT_EQ(Surface::CreateDib(DibHeader(4, 4, 16, kBiBitFields), {}, wide), nullptr);
}

TEST(Surface, ColorTablesArePaddedAndOneBitDefaultsToBlackAndWhite) {
    auto mono = Surface::CreateDib(DibHeader(8, 1, 1), {});
    ASSERT_EQ(mono->Colors().size(), 2u);
    EXPECT_EQ(mono->Colors()[0], (RgbQuad{0, 0, 0, 0}));
    EXPECT_EQ(mono->Colors()[1], (RgbQuad{255, 255, 255, 0}));
    auto eight = Surface::CreateDib(DibHeader(8, 1, 8), Table({kRed, kBlue}));
    ASSERT_EQ(eight->Colors().size(), 256u);
    EXPECT_EQ(eight->Colors()[1], (RgbQuad{255, 0, 0, 0}));
    EXPECT_EQ(eight->Colors()[2], RgbQuad{});
    std::vector<RgbQuad> tooMany(300, RgbQuad{1, 2, 3, 0});
    auto four = Surface::CreateDib(DibHeader(8, 1, 4), tooMany);
    EXPECT_EQ(four->Colors().size(), 16u);
}

// Every format copied into every other, checked pixel by pixel, at unaligned positions.
TEST(PixelConvert, ConvertsBetweenEveryPairOfFormats) {
    const int w = 13, h = 5;
    for (const Format& from : AllFormats()) {
        for (const Format& to : AllFormats()) {
            bool two = from.twoColors || to.twoColors;
            auto src = from.make(w, h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) src->SetPixel(x, y, PatternColor(x, y, two));
            auto dst = to.make(w + 3, h + 1);
            CopySurface(*dst, 3, 1, w - 2, h, *src, 2, 0);
            for (int y = 0; y < h; ++y)
                for (int x = 2; x < w; ++x)
                    ASSERT_EQ(dst->Pixel(x + 1, y + 1), PatternColor(x, y, two))
                        << from.name << " -> " << to.name << " at " << x << "," << y;
            // Pixels left of the copy are untouched (still the zero fill).
            EXPECT_EQ(dst->Pixel(0, 1), dst->Pixel(0, 0)) << from.name << " -> " << to.name;
        }
    }
}

// The plain 24/32-bit copies run four pixels at a time; every row length and offset must come out whole.
TEST(PixelConvert, DirectCopiesHandleEveryRowLength) {
    for (int width = 1; width <= 40; ++width) {
        for (int offset : {0, 1, 3}) {
            auto display = Surface::CreateDisplay(width + offset, 1);
            for (int x = 0; x < width + offset; ++x)
                display->SetPixel(x, 0, MakeColorRef(static_cast<uint8_t>(x * 5), static_cast<uint8_t>(x * 11 + 1), static_cast<uint8_t>(255 - x)));
            auto packed = Surface::CreateDib(DibHeader(width + offset, 1, 24), {});
            std::memset(packed->Bits(), 0xAB, static_cast<size_t>(packed->ImageSize()));
            CopySurface(*packed, offset, 0, width, 1, *display, offset, 0);
            auto back = Surface::CreateDisplay(width + offset, 1);
            CopySurface(*back, offset, 0, width, 1, *packed, offset, 0);
            for (int x = 0; x < offset; ++x) ASSERT_EQ(packed->Row(0)[3 * x], 0xAB) << width << "+" << offset;
            for (int x = offset; x < width + offset; ++x) {
                ASSERT_EQ(packed->Pixel(x, 0), display->Pixel(x, 0)) << width << "+" << offset << " at " << x;
                ASSERT_EQ(back->Pixel(x, 0), display->Pixel(x, 0)) << width << "+" << offset << " at " << x;
                // The unused byte of the display format stays 0.
                ASSERT_EQ(back->Row(0)[4 * x + 3], 0) << width << "+" << offset << " at " << x;
            }
            // The row's padding is not written.
            for (int64_t b = 3 * (width + offset); b < packed->Stride(); ++b) ASSERT_EQ(packed->Row(0)[b], 0xAB);
        }
    }
}

TEST(PixelConvert, SixteenBitChannelsWidenWithRounding) {
    auto src = Surface::CreateDib(DibHeader(32, 1, 16), {});
    for (int v = 0; v < 32; ++v) {
        uint16_t p = static_cast<uint16_t>(v << 10 | v << 5 | v);
        std::memcpy(src->Row(0) + 2 * v, &p, 2);
    }
    auto dst = Surface::CreateDib(DibHeader(32, 1, 24), {});
    CopySurface(*dst, 0, 0, 32, 1, *src, 0, 0);
    for (int v = 0; v < 32; ++v) {
        int expected = (v * 255 + 15) / 31;
        EXPECT_EQ(dst->Row(0)[3 * v], expected) << v;
        EXPECT_EQ(dst->Row(0)[3 * v + 2], expected) << v;
    }
    // Back to 5 bits, every value comes home.
    auto back = Surface::CreateDib(DibHeader(32, 1, 16), {});
    CopySurface(*back, 0, 0, 32, 1, *dst, 0, 0);
    EXPECT_EQ(std::memcmp(back->Row(0), src->Row(0), 64), 0);
}

TEST(PixelConvert, FiveSixFiveKeepsSixBitsOfGreen) {
    const uint32_t masks[3] = {0xF800, 0x07E0, 0x001F};
    auto dst = Surface::CreateDib(DibHeader(2, 1, 16, kBiBitFields), {}, masks);
    auto src = Surface::CreateDisplay(2, 1);
    src->SetPixel(0, 0, MakeColorRef(0, 4, 0));
    src->SetPixel(1, 0, kRed);
    CopySurface(*dst, 0, 0, 2, 1, *src, 0, 0);
    uint16_t p0, p1;
    std::memcpy(&p0, dst->Row(0), 2);
    std::memcpy(&p1, dst->Row(0) + 2, 2);
    EXPECT_EQ(p0, 1 << 5);
    EXPECT_EQ(p1, 0xF800);
}

TEST(PixelConvert, PaletteTargetsTakeTheNearestEntry) {
    auto dst = Surface::CreateDib(DibHeader(3, 1, 4), ColorTableFromPalette(*SixteenColorPalette()));
    auto src = Surface::CreateDisplay(3, 1);
    src->SetPixel(0, 0, MakeColorRef(250, 10, 5));
    src->SetPixel(1, 0, MakeColorRef(120, 130, 125));
    src->SetPixel(2, 0, MakeColorRef(5, 5, 140));
    CopySurface(*dst, 0, 0, 3, 1, *src, 0, 0);
    EXPECT_EQ(dst->Pixel(0, 0), kRed);
    EXPECT_EQ(dst->Pixel(1, 0), MakeColorRef(128, 128, 128));
    EXPECT_EQ(dst->Pixel(2, 0), MakeColorRef(0, 0, 128));
}

TEST(PixelConvert, MonochromeTakesTheContextColours) {
    auto mono = Surface::CreateMonochrome(2, 1);
    mono->SetPixel(1, 0, kWhite);
    auto colour = Surface::CreateDisplay(2, 1);
    CopySurface(*colour, 0, 0, 2, 1, *mono, 0, 0, MonoColors{kRed, kBlue, kWhite});
    EXPECT_EQ(colour->Pixel(0, 0), kRed);
    EXPECT_EQ(colour->Pixel(1, 0), kBlue);
    // Into monochrome: the source background becomes 1, everything else 0.
    colour->SetPixel(0, 0, kLime);
    colour->SetPixel(1, 0, kYellow);
    auto back = Surface::CreateMonochrome(2, 1);
    CopySurface(*back, 0, 0, 2, 1, *colour, 0, 0, MonoColors{kBlack, kWhite, kLime});
    EXPECT_EQ(back->Pixel(0, 0), kWhite);
    EXPECT_EQ(back->Pixel(1, 0), kBlack);
}

TEST(PixelConvert, FillTouchesOnlyTheClippedRectangle) {
    for (const Format& f : AllFormats()) {
        auto s = f.make(11, 4);
        FillSurface(*s, {0, 0, 11, 4}, kBlack);
        FillSurface(*s, {3, 1, 20, 3}, kWhite);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 11; ++x)
                ASSERT_EQ(s->Pixel(x, y), (x >= 3 && y >= 1 && y < 3) ? kWhite : kBlack) << f.name << " " << x << "," << y;
    }
}

TEST(PixelConvert, BlockCopyClipsBothSides) {
    auto src = Surface::CreateDisplay(4, 4);
    FillSurface(*src, {0, 0, 4, 4}, kRed);
    auto dst = Surface::CreateDisplay(4, 4);
    FillSurface(*dst, {0, 0, 4, 4}, kBlue);
    CopySurface(*dst, -1, 2, 10, 10, *src, 2, -1);
    // Target (x, y) takes source (x + 3, y - 3): only x = 0, y = 3 lies inside both.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(dst->Pixel(x, y), (x == 0 && y == 3) ? kRed : kBlue) << x << "," << y;
}

TEST(PixelConvert, StretchEnlargesShrinksAndMirrors) {
    auto src = Surface::CreateDib(DibHeader(2, 2, 24), {});
    src->SetPixel(0, 0, kRed);
    src->SetPixel(1, 0, kLime);
    src->SetPixel(0, 1, kBlue);
    src->SetPixel(1, 1, kYellow);
    auto big = Surface::CreateDisplay(4, 4);
    StretchSurface(*big, {0, 0, 4, 4}, *src, {0, 0, 2, 2});
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(big->Pixel(x, y), src->Pixel(x / 2, y / 2)) << x << "," << y;

    auto small = Surface::CreateDib(DibHeader(1, 1, 8), Table({kRed, kLime, kBlue, kYellow}));
    StretchSurface(*small, {0, 0, 1, 1}, *big, {0, 0, 4, 4});
    EXPECT_EQ(small->Pixel(0, 0), big->Pixel(2, 2));

    auto mirrored = Surface::CreateDisplay(2, 2);
    StretchSurface(*mirrored, {2, 0, 0, 2}, *src, {0, 0, 2, 2});
    EXPECT_EQ(mirrored->Pixel(0, 0), kLime);
    EXPECT_EQ(mirrored->Pixel(1, 0), kRed);
    EXPECT_EQ(mirrored->Pixel(0, 1), kYellow);
}

TEST(PixelConvert, StretchKeepsTargetPixelsWithoutSource) {
    auto src = Surface::CreateDisplay(2, 2);
    FillSurface(*src, {0, 0, 2, 2}, kRed);
    auto dst = Surface::CreateDisplay(4, 1);
    FillSurface(*dst, {0, 0, 4, 1}, kBlue);
    // The source rectangle reaches two pixels beyond the source's right edge.
    StretchSurface(*dst, {0, 0, 4, 1}, *src, {0, 0, 4, 1});
    EXPECT_EQ(dst->Pixel(1, 0), kRed);
    EXPECT_EQ(dst->Pixel(2, 0), kBlue);
    EXPECT_EQ(dst->Pixel(3, 0), kBlue);
}

TEST(PixelConvert, MaskedDrawLeavesTransparentPixels) {
    auto src = Surface::CreateDib(DibHeader(3, 1, 24), {});
    src->SetPixel(0, 0, kRed);
    src->SetPixel(1, 0, kLime);
    src->SetPixel(2, 0, kRed);
    auto mask = BuildMask(*src, kRed);
    EXPECT_EQ(mask->Pixel(0, 0), kWhite);
    EXPECT_EQ(mask->Pixel(1, 0), kBlack);
    auto dst = Surface::CreateDisplay(6, 1);
    FillSurface(*dst, {0, 0, 6, 1}, kBlue);
    MaskedStretchSurface(*dst, {0, 0, 6, 1}, *src, {0, 0, 3, 1}, *mask);
    const ColorRef expected[6] = {kBlue, kBlue, kLime, kLime, kBlue, kBlue};
    for (int x = 0; x < 6; ++x) EXPECT_EQ(dst->Pixel(x, 0), expected[x]) << x;
}

TEST(PixelConvert, FarOffCoordinatesDrawNothingAndDoNotWrap) {
    auto src = Surface::CreateDisplay(2, 2);
    FillSurface(*src, {0, 0, 2, 2}, kRed);
    auto dst = Surface::CreateDisplay(3, 3);
    FillSurface(*dst, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, kBlue);
    CopySurface(*dst, INT32_MIN, 0, INT32_MAX, 3, *src, INT32_MAX, 0);
    CopySurface(*dst, INT32_MAX, INT32_MAX, 5, 5, *src, 0, 0);
    StretchSurface(*dst, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, *src, {INT32_MAX, 0, INT32_MIN, 2});
    StretchSurface(*dst, {0, 0, 3, 3}, *src, {INT32_MIN, INT32_MIN, INT32_MIN + 1, INT32_MIN + 1});
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(dst->Pixel(x, y), kBlue) << x << "," << y;
    // A huge target rectangle still maps its visible pixels into the source.
    StretchSurface(*dst, {0, 0, INT32_MAX, INT32_MAX}, *src, {0, 0, 2, 2});
    EXPECT_EQ(dst->Pixel(2, 2), kRed);
}

// Rows longer than the converters' work buffers are done piece by piece.
TEST(PixelConvert, WideRowsAreConvertedWhole) {
    const int w = 10007;
    auto mono = Surface::CreateDib(DibHeader(w, 2, 1), Table({kBlue, kYellow}));
    for (int x = 0; x < w; ++x) mono->SetPixel(x, 1, (x % 3 == 0 || x > 9000) ? kYellow : kBlue);
    auto display = Surface::CreateDisplay(w + 5, 2);
    CopySurface(*display, 5, 0, w, 2, *mono, 0, 0);
    for (int x = 0; x < w; ++x) ASSERT_EQ(display->Pixel(x + 5, 1), mono->Pixel(x, 1)) << x;

    auto filled = Surface::CreateDib(DibHeader(w, 1, 4), Table({kBlack, kRed}));
    FillSurface(*filled, {3, 0, w - 2, 1}, kRed);
    for (int x = 0; x < w; ++x) ASSERT_EQ(filled->Pixel(x, 0), (x >= 3 && x < w - 2) ? kRed : kBlack) << x;

    // Enlarged across several pieces, and through a mask.
    auto wide = Surface::CreateDisplay(3 * w, 1);
    StretchSurface(*wide, {0, 0, 3 * w, 1}, *mono, {0, 1, w, 2});
    for (int x = 0; x < 3 * w; ++x) ASSERT_EQ(wide->Pixel(x, 0), mono->Pixel(x / 3, 1)) << x;
    auto mask = BuildMask(*mono, kYellow);
    FillSurface(*wide, {0, 0, 3 * w, 1}, kRed);
    MaskedStretchSurface(*wide, {0, 0, 3 * w, 1}, *mono, {0, 1, w, 2}, *mask);
    for (int x = 0; x < 3 * w; ++x) ASSERT_EQ(wide->Pixel(x, 0), mono->Pixel(x / 3, 1) == kYellow ? kRed : kBlue) << x;
}

// Shrinking a very wide picture reads only the source pixels it shows.
TEST(PixelConvert, StrongShrinkPicksTheCentrePixels) {
    const int w = 1000000;
    auto mono = Surface::CreateDib(DibHeader(w, 1, 1), {});
    for (int k = 0; k < 10; ++k) mono->SetPixel(k * (w / 10) + w / 20, 0, kWhite);
    auto small = Surface::CreateDib(DibHeader(10, 1, 24), {});
    StretchSurface(*small, {0, 0, 10, 1}, *mono, {0, 0, w, 1});
    for (int x = 0; x < 10; ++x) EXPECT_EQ(small->Pixel(x, 0), kWhite) << x;
}

TEST(PixelConvert, MasksOfMonochromeSourcesFollowTheTransparentColour) {
    auto mono = Surface::CreateMonochrome(2, 1);
    mono->SetPixel(1, 0, kWhite);
    auto whiteMask = BuildMask(*mono, kWhite);
    EXPECT_EQ(whiteMask->Pixel(0, 0), kBlack);
    EXPECT_EQ(whiteMask->Pixel(1, 0), kWhite);
    auto blackMask = BuildMask(*mono, kBlack);
    EXPECT_EQ(blackMask->Pixel(0, 0), kWhite);
    EXPECT_EQ(blackMask->Pixel(1, 0), kBlack);
}

TEST(PixelConvert, RasterOperationsCombineWithTheTarget) {
    auto src = Surface::CreateDisplay(1, 1);
    src->SetPixel(0, 0, MakeColorRef(0xF0, 0x0F, 0xFF));
    auto dst = Surface::CreateDib(DibHeader(1, 1, 24), {});
    auto run = [&](RasterOp op) {
        dst->SetPixel(0, 0, MakeColorRef(0x3C, 0x3C, 0x00));
        CopySurface(*dst, 0, 0, 1, 1, *src, 0, 0, {}, op);
        return dst->Pixel(0, 0);
    };
    EXPECT_EQ(run(RasterOp::SrcAnd), MakeColorRef(0x30, 0x0C, 0x00));
    EXPECT_EQ(run(RasterOp::SrcPaint), MakeColorRef(0xFC, 0x3F, 0xFF));
    EXPECT_EQ(run(RasterOp::SrcInvert), MakeColorRef(0xCC, 0x33, 0xFF));
    EXPECT_EQ(run(RasterOp::NotSrcCopy), MakeColorRef(0x0F, 0xF0, 0x00));
    EXPECT_EQ(run(RasterOp::Blackness), kBlack);
    EXPECT_EQ(run(RasterOp::Whiteness), kWhite);
    EXPECT_EQ(run(RasterOp::DstInvert), MakeColorRef(0xC3, 0xC3, 0xFF));
}

TEST(Palette, StandardPalettes) {
    auto sixteen = SixteenColorPalette();
    ASSERT_EQ(sixteen->Count(), 16);
    EXPECT_EQ(sixteen, SixteenColorPalette());
    EXPECT_EQ(sixteen->Entries().front(), (PaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(sixteen->Entries().back(), (PaletteEntry{255, 255, 255, 0}));
    auto halftone = CreateHalftonePalette();
    ASSERT_EQ(halftone->Count(), 256);
    EXPECT_TRUE(halftone->IsHalftone());
    // The colour cube's corners are all there.
    for (ColorRef c : {kBlack, kWhite, kRed, kLime, kBlue, kYellow}) {
        PaletteEntry e{RedOf(c), GreenOf(c), BlueOf(c), 0};
        EXPECT_NE(std::find(halftone->Entries().begin(), halftone->Entries().end(), e), halftone->Entries().end());
    }
    auto table = ColorTableFromPalette(*sixteen);
    EXPECT_EQ(table[9], (RgbQuad{0, 0, 255, 0}));
    EXPECT_EQ(PaletteFromColorTable(table)->Entries(), sixteen->Entries());
}

}  // namespace
}  // namespace zavo::platform

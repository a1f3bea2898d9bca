#include "codec/lossmap.h"

#include <gtest/gtest.h>

#include <cmath>

#include "codec/bitmap.h"
#include "codec/picturefile.h"
#include "support/testutil.h"

using namespace zavo;

namespace {

// A fine texture with some structure, so that a coarse copy of any part of it loses.
void Texture(TBitmap& bitmap, int width, int height) {
    bitmap.SetPixelFormat(TPixelFormat::Bit24);
    bitmap.SetWidth(width);
    bitmap.SetHeight(height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                bitmap.ScanLine(y)[x * 3 + c] = uint8_t((x * 37 + y * 91 + c * 50 + ((x ^ y) & 7) * 23) % 256);
}

// The region's pixels replaced by the mean of each 8 x 8 block of it.
void Coarsen(TBitmap& bitmap, int left, int top, int size) {
    for (int by = top; by < top + size; by += 8)
        for (int bx = left; bx < left + size; bx += 8)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int y = by; y < by + 8; ++y)
                    for (int x = bx; x < bx + 8; ++x) sum += bitmap.ScanLine(y)[x * 3 + c];
                for (int y = by; y < by + 8; ++y)
                    for (int x = bx; x < bx + 8; ++x) bitmap.ScanLine(y)[x * 3 + c] = uint8_t(sum / 64);
            }
}

TLossMap Map(TBitmap& original, TBitmap& compressed, int quality) {
    std::vector<uint8_t> jpeg = TPictureCompressor(compressed).Compress(quality);
    TMemoryStream bytes;
    bytes.WriteBuffer(jpeg.data(), int64_t(jpeg.size()));
    bytes.SetPosition(0);
    return MeasureLossMap(*WithPlainRows(original), bytes);
}

// The map of a 256 x 192 texture against its copy with the 32 x 32 region at (160, 96) coarsened,
// compressed at the quality.
TLossMap DamagedMap(int quality) {
    TBitmap original;
    Texture(original, 256, 192);
    TBitmap damaged;
    Texture(damaged, 256, 192);
    Coarsen(damaged, 160, 96, 32);
    return Map(original, damaged, quality);
}

}  // namespace

TEST(LossMap, MeanAndWorstAreTheFiguresOfTheSameMeasure) {
    for (auto [w, h] : {std::pair{96, 64}, {37, 21}, {5, 30}}) {
        TBitmap pixels;
        Texture(pixels, w, h);
        TLossMap map = Map(pixels, pixels, 40);
        ASSERT_EQ(map.windows.size(), size_t(map.across) * size_t(map.down)) << w << "x" << h;
        EXPECT_EQ(map.Mean(), map.figures.ssim) << w << "x" << h;
        std::vector<uint8_t> jpeg = TPictureCompressor(pixels).Compress(40);
        TMemoryStream bytes;
        bytes.WriteBuffer(jpeg.data(), int64_t(jpeg.size()));
        bytes.SetPosition(0);
        EXPECT_EQ(MeasureJpeg(*WithPlainRows(pixels), bytes).ssim, map.figures.ssim);
        auto lowest = std::min_element(map.windows.begin(), map.windows.end());
        EXPECT_EQ(map.figures.worst, *lowest);
        size_t i = size_t(lowest - map.windows.begin());
        EXPECT_EQ(map.figures.worstX, int(i % size_t(map.across)) * 4);
        EXPECT_EQ(map.figures.worstY, int(i / size_t(map.across)) * 4);
        if (w >= 8) {  // a smaller picture is one window, the worst the mean
            EXPECT_LT(map.figures.worst, map.figures.ssim);
        }
    }
}

TEST(LossMap, TheWorstSpotIsTheDamagedBlockAndTheTourNeverComesBack) {
    TLossMap map = DamagedMap(95);
    std::vector<TLossSpot> visited;
    auto first = WorstSpotAwayFrom(map, visited, 64);
    ASSERT_TRUE(first);
    EXPECT_GE(first->x, 160);
    EXPECT_LE(first->x, 192);
    EXPECT_GE(first->y, 96);
    EXPECT_LE(first->y, 128);
    EXPECT_EQ(first->ssim, map.figures.worst);
    // Each next spot lies at least the distance from every one before it, until none is left.
    visited.push_back(*first);
    while (auto next = WorstSpotAwayFrom(map, visited, 64)) {
        for (const TLossSpot& v : visited) EXPECT_GE(std::hypot(next->x - v.x, next->y - v.y), 64);
        EXPECT_GE(next->ssim, visited.back().ssim);
        visited.push_back(*next);
        ASSERT_LT(visited.size(), 40u);
    }
    EXPECT_GT(visited.size(), 4u);
}

TEST(LossMap, TheViewIsGreyWhereNothingIsLostAndRedOverTheDamage) {
    TLossMap map = DamagedMap(100);
    map.cells[0] = 0;  // the top-left cell lost nothing
    // At 2:1, shown (0, 0) .. (7, 7) is the top-left cell; shown (352, 224) is picture (176, 112).
    for (platform::ZoomScale scale : {platform::ZoomScale{}, platform::ZoomScale{2, 1}}) {
        int dx = 176 * scale.num, dy = 112 * scale.num;
        uint8_t grey[3] = {10, 200, 40};
        PaintLoss(map, scale, 0, 0, grey, 3, 1, 1);
        uint8_t luma = uint8_t((7471u * 10 + 38470u * 200 + 19595u * 40 + 32768u) >> 16);
        EXPECT_EQ(std::vector<uint8_t>(grey, grey + 3), std::vector<uint8_t>(3, luma));
        uint8_t red[3] = {128, 128, 128};
        PaintLoss(map, scale, dx, dy, red, 3, 1, 1);
        EXPECT_GT(red[2], 200) << scale.num;
        EXPECT_LT(red[1], 60) << scale.num;
        EXPECT_LT(red[0], 60) << scale.num;
    }
}

TEST(LossMap, AStopRequestedEndsTheMeasure) {
    TBitmap pixels;
    Texture(pixels, 64, 64);
    std::vector<uint8_t> jpeg = TPictureCompressor(pixels).Compress(80);
    TMemoryStream bytes;
    bytes.WriteBuffer(jpeg.data(), int64_t(jpeg.size()));
    bytes.SetPosition(0);
    std::stop_source stop;
    stop.request_stop();
    EXPECT_THROW(MeasureLossMap(*WithPlainRows(pixels), bytes, stop.get_token()), EAbort);
}

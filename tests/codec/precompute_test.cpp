#include "codec/precompute.h"

#include <algorithm>
#include <vector>

#include "codec/jpegbitmaps.h"
#include "support/precomputeorder.h"
#include "support/testutil.h"

using namespace zavo;
using namespace zavotest;

namespace {

// A picture in the display format (as the working bitmap is) or as 24-bit rows, varied by seed.
std::unique_ptr<TBitmap> Picture(int w, int h, uint8_t seed, bool bit24) {
    auto bitmap = BitmapFromRgb(RgbPattern(w, h), w, h);
    bitmap->ScanLine(h / 2)[seed % (w * 3)] ^= seed;
    if (!bit24) bitmap->SetPixelFormat(TPixelFormat::Device);
    return bitmap;
}

std::vector<uint8_t> Fresh(TBitmap& bitmap, uint8_t quality) {
    TJPEGImage jpeg;
    jpeg.AssignFrom(&bitmap);
    jpeg.SetQuality(quality);
    jpeg.Compress();
    return HeldBytes(jpeg);
}

// Part of the pictures below, reaching past their right edge.
const TRect kView = Rect(40, 13, 400, 50);

// The up-down's qualities from 80, and typed ones.
const std::vector<uint8_t> kQualities = {90, 100, 70, 60, 50, 40, 30, 20, 10, 1, 75, 0, 255};

TEST(Precompute, GivesTheBytesOfCompressForEveryQualityInBothPixelLayouts) {
    for (bool bit24 : {false, true}) {
        auto bitmap = Picture(97, 61, 3, bit24);
        TJPEGImage source;
        source.AssignFrom(bitmap.get());
        source.SetQuality(80);
        source.Compress();
        TPrecompute precompute(2);
        precompute.Schedule(source, kQualities, kView);
        precompute.WaitIdle();
        for (uint8_t q : kQualities) {
            source.SetQuality(q);
            std::shared_ptr<const TDecodedPart> part;
            ASSERT_TRUE(precompute.Use(source, &part)) << int(q);
            EXPECT_EQ(HeldBytes(source), Fresh(*bitmap, q)) << int(q) << " bit24 " << bit24;
            // The part decoded ahead is that of the full decode.
            TJPEGImage whole;
            LoadBytes(whole, HeldBytes(source));
            std::vector<uint8_t> full = BgrOf(*whole.EnsureDecoded());
            ASSERT_NE(part, nullptr) << int(q);
            ASSERT_EQ(part->rect, Rect(40, 13, 97, 50));
            for (int y = 13; y < 50; ++y)
                ASSERT_TRUE(std::equal(part->pixels.begin() + (y - 13) * part->stride,
                                       part->pixels.begin() + (y - 13) * part->stride + 57 * 3,
                                       full.begin() + (y * 97 + 40) * 3))
                    << int(q) << " row " << y;
            EXPECT_EQ(source.Holder().ImageWidth, 97);
            EXPECT_EQ(source.Holder().ImageHeight, 61);
        }
        // The bytes compressed on the spot are kept, without a part.
        source.SetQuality(80);
        std::shared_ptr<const TDecodedPart> part;
        ASSERT_TRUE(precompute.Use(source, &part));
        EXPECT_EQ(HeldBytes(source), Fresh(*bitmap, 80));
        EXPECT_EQ(part, nullptr);
        source.SetQuality(85);
        EXPECT_FALSE(precompute.Use(source));
    }
}

TEST(Precompute, APictureChangedMidWayNeverGetsTheBytesOfTheOldOne) {
    auto a = Picture(320, 240, 1, false);
    auto b = Picture(320, 240, 2, false);
    TPrecompute precompute(2);
    TJPEGImage source, stale;
    for (int round = 0; round < 6; ++round) {
        TBitmap* first = round % 2 ? b.get() : a.get();
        TBitmap* second = round % 2 ? a.get() : b.get();
        source.AssignFrom(first);
        source.SetQuality(80);
        source.Compress();
        stale.AssignFrom(&source);
        precompute.Schedule(source, kQualities, kView);
        if (round == 5) precompute.Cancel();
        // A new picture arrives while the old one is being compressed.
        source.AssignFrom(second);
        EXPECT_FALSE(precompute.Use(source));
        source.SetQuality(80);
        source.Compress();
        precompute.Schedule(source, kQualities, kView);
        precompute.WaitIdle();
        stale.SetQuality(90);
        EXPECT_FALSE(precompute.Use(stale));
        for (uint8_t q : kQualities) {
            source.SetQuality(q);
            ASSERT_TRUE(precompute.Use(source));
            ASSERT_EQ(HeldBytes(source), Fresh(*second, q)) << round << " " << int(q);
        }
    }
    precompute.Cancel();
    source.SetQuality(80);
    EXPECT_FALSE(precompute.Use(source));
}

}  // namespace

TEST(Precompute, OneWorkerMakesTheQualitiesInTheOrderGiven) {
    // Large enough that each quality takes far longer than a look.
    auto bitmap = Picture(1200, 900, 5, true);
    TJPEGImage source;
    source.AssignFrom(bitmap.get());
    source.SetQuality(80);
    source.Compress();
    TPrecompute precompute(1);
    const std::vector<uint8_t> order = {90, 70, 100, 60, 50};
    precompute.Schedule(source, order, Rect(0, 0, 0, 0));
    EXPECT_EQ(OrderMade(precompute, source, order), std::vector<int>(order.begin(), order.end()));
}

TEST(Precompute, BytesMadeAheadCarryTheMetadataCompressWrites) {
    auto bitmap = Picture(64, 40, 5, false);
    TJPEGImage source;
    source.AssignFrom(bitmap.get());
    auto metadata = std::make_shared<TMetadata>();
    metadata->markers.push_back({0xFE, std::vector<uint8_t>(3000, 'm')});
    metadata->iccProfile.assign(600, 7);
    source.SetMetadataToWrite(metadata);
    source.SetQuality(80);
    source.Compress();
    TPrecompute precompute(2);
    precompute.Schedule(source, {90, 70}, kView);
    precompute.WaitIdle();
    source.SetQuality(70);
    ASSERT_TRUE(precompute.Use(source));
    std::vector<uint8_t> ahead = HeldBytes(source);
    source.Compress();
    EXPECT_EQ(ahead, HeldBytes(source));
    EXPECT_GT(ahead.size(), Fresh(*bitmap, 70).size() + 3600);
    // Another choice of metadata makes what was made ahead useless.
    source.SetMetadataToWrite(nullptr);
    source.SetQuality(90);
    EXPECT_FALSE(precompute.Use(source));
}

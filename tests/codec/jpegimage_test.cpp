#include "codec/jpegimage.h"

#include <jerror.h>

#include <algorithm>
#include <initializer_list>

#include <string>
#include <vector>

#include "base/format.h"
#include "codec/jpegbitmaps.h"
#include "support/testutil.h"

using namespace zavo;
using namespace zavotest;

namespace {

std::string JpegError(int code) { return Format(msg::JPEGError, code); }

std::vector<uint8_t> SmallJpeg(int width = 24, int height = 16, ReferenceOptions options = {}) {
    return EncodeReference(RgbPattern(width, height), width, height, options);
}

struct ProgressLog {
    std::vector<TProgressStage> stages;
    std::vector<int> percents;
    TProgressStage abortOn = TProgressStage::StageRunning;
    bool abort = false;

    TProgressEvent Handler() {
        return [this](TGraphic*, TProgressStage stage, uint8_t percent, bool, const TRect&, const std::string&) {
            stages.push_back(stage);
            percents.push_back(percent);
            if (abort && stage == abortOn) throw EAbort(msg::Abort);
        };
    }
};

}  // namespace

TEST(JpegImage, NewObjectIsEmptyAndSavesNothing) {
    TJPEGImage image;
    EXPECT_EQ(0, image.Width());
    EXPECT_EQ(0, image.Height());
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(1, image.Holder().RefCount());
    TMemoryStream out;
    image.SaveStream(out);
    EXPECT_EQ(0, out.Size());
    ASSERT_NE(nullptr, image.Holder().Bytes);
    EXPECT_EQ(0, image.Holder().Bytes->Size());
    EXPECT_FALSE(image.IsEmpty());
}

TEST(JpegImage, TakesItsSettingsFromTheDefaults) {
    TJPEGDefaults saved = DefaultJpegSettings;
    DefaultJpegSettings.Quality = 33;
    DefaultJpegSettings.GrayMode = true;
    DefaultJpegSettings.DecodeScale = 2;
    DefaultJpegSettings.BlockSmoothing = false;
    TJPEGImage image;
    DefaultJpegSettings = saved;
    EXPECT_EQ(33, image.Quality());
    EXPECT_TRUE(image.GrayMode());
    EXPECT_EQ(2, image.DecodeScale());
    EXPECT_FALSE(image.BlockSmoothing());
    TJPEGImage plain;
    EXPECT_EQ(90, plain.Quality());
    EXPECT_EQ(TJPEGPerformance::Accurate, plain.DecodeMode());
    EXPECT_EQ(TJPEGPixelFormat::Depth24, plain.OutputDepth());
    EXPECT_FALSE(plain.ShowProgressively());
    EXPECT_FALSE(plain.ProgressiveFile());
}

TEST(JpegImage, ScreenOf8BitsMakesNewObjectsDecodeTo8Bits) {
    TJPEGDefaults saved = DefaultJpegSettings;
    AdjustDefaultsToScreen(8);
    TJPEGImage image;
    EXPECT_EQ(TJPEGPixelFormat::Depth8, image.OutputDepth());
    LoadBytes(image, SmallJpeg());
    EXPECT_EQ(TPixelFormat::Bit8, image.EnsureDecoded()->PixelFormat());
    TJPEGImage unloaded;
    unloaded.SetOutputDepth(TJPEGPixelFormat::Depth24);
    EXPECT_NE(nullptr, unloaded.Palette());
    AdjustDefaultsToScreen();
    EXPECT_EQ(TJPEGPixelFormat::Depth24, DefaultJpegSettings.OutputDepth);
    TJPEGImage later;
    EXPECT_EQ(nullptr, later.Palette());
    DefaultJpegSettings = saved;
}

TEST(JpegImage, SizeCannotBeSet) {
    TJPEGImage image;
    LoadBytes(image, SmallJpeg());
    EXPECT_THROW_MSG(image.SetWidth(5), EInvalidGraphicOperation, "JPEG イメージのサイズは変更できません");
    EXPECT_THROW_MSG(image.SetHeight(5), EInvalidGraphicOperation, "JPEG イメージのサイズは変更できません");
    EXPECT_EQ(24, image.Width());
    EXPECT_EQ(16, image.Height());
}

TEST(JpegImageLoad, LearnsTheSizeFromTheHeaderWithoutDecoding) {
    TJPEGImage image;
    int changes = 0;
    image.OnChange = [&](TGraphic*) { ++changes; };
    LoadBytes(image, SmallJpeg(37, 21));
    EXPECT_EQ(37, image.Width());
    EXPECT_EQ(21, image.Height());
    EXPECT_EQ(nullptr, image.Bitmap());
    EXPECT_FALSE(image.ProgressiveFile());
    EXPECT_FALSE(image.Holder().IsGray);
    EXPECT_TRUE(image.PaletteModified());
    EXPECT_EQ(1, changes);
}

TEST(JpegImageLoad, ProgressiveFileFollowsTheScans) {
    ReferenceOptions progressive;
    progressive.progressive = true;
    TJPEGImage image;
    LoadBytes(image, SmallJpeg(24, 16, progressive));
    EXPECT_TRUE(image.ProgressiveFile());
    LoadBytes(image, SmallJpeg());
    EXPECT_FALSE(image.ProgressiveFile());
    ReferenceOptions gray;
    gray.gray = true;
    LoadBytes(image, SmallJpeg(24, 16, gray));
    EXPECT_TRUE(image.Holder().IsGray);
}

TEST(JpegImageLoad, ReadsFromThePositionToTheEnd) {
    std::vector<uint8_t> jpeg = SmallJpeg();
    TMemoryStream stream;
    stream.WriteBuffer("xyz", 3);
    stream.WriteBuffer(jpeg.data(), static_cast<int64_t>(jpeg.size()));
    stream.SetPosition(3);
    TJPEGImage image;
    image.LoadStream(stream);
    EXPECT_EQ(jpeg, HeldBytes(image));
    EXPECT_EQ(stream.Size(), stream.Position());
    // At the end of the stream: zero bytes, a 0 x 0 object that is not empty.
    image.LoadStream(stream);
    ASSERT_NE(nullptr, image.Holder().Bytes);
    EXPECT_EQ(0, image.Holder().Bytes->Size());
    EXPECT_EQ(0, image.Width());
    EXPECT_FALSE(image.IsEmpty());
}

TEST(JpegImageLoad, LoadingDropsTheBitmap) {
    TJPEGImage image;
    auto bitmap = BitmapFromRgb(RgbPattern(8, 8), 8, 8);
    image.AssignFrom(bitmap.get());
    LoadBytes(image, SmallJpeg(30, 10));
    EXPECT_EQ(nullptr, image.Bitmap());
    EXPECT_EQ(30, image.Width());
}

TEST(JpegImageLoad, CorruptHeaderFailsWithTheLibraryCodeAndKeepsTheBytes) {
    std::vector<uint8_t> junk(50, 0x11);
    TJPEGImage image;
    EXPECT_THROW_MSG(LoadBytes(image, junk), EJPEG, JpegError(JERR_NO_SOI));
    EXPECT_EQ(junk, HeldBytes(image));
    EXPECT_EQ(0, image.Width());
}

TEST(JpegImageLoad, ShortEmbeddedDataLeavesNoBytes) {
    std::vector<uint8_t> jpeg = SmallJpeg();
    TMemoryStream stream;
    uint32_t announced = static_cast<uint32_t>(jpeg.size()) + 100;
    uint8_t count[4] = {static_cast<uint8_t>(announced), static_cast<uint8_t>(announced >> 8), 0, 0};
    stream.WriteBuffer(count, 4);
    stream.WriteBuffer(jpeg.data(), static_cast<int64_t>(jpeg.size()));
    stream.SetPosition(0);
    TJPEGImage image;
    LoadBytes(image, jpeg);
    EXPECT_THROW_MSG(image.ReadEmbedded(stream), EReadError, "ストリームからの読み込みエラー");
    EXPECT_EQ(nullptr, image.Holder().Bytes);
    EXPECT_EQ(nullptr, image.Bitmap());
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(0, image.Width());
}

TEST(JpegImageLoad, HugeOrNegativeEmbeddedCountIsRefusedBeforeAllocating) {
    for (uint32_t announced : {0x7FFFFFF0u, 0xFFFFFFFFu}) {
        TMemoryStream stream;
        uint8_t count[4] = {static_cast<uint8_t>(announced), static_cast<uint8_t>(announced >> 8),
                            static_cast<uint8_t>(announced >> 16), static_cast<uint8_t>(announced >> 24)};
        stream.WriteBuffer(count, 4);
        stream.WriteBuffer("abc", 3);
        stream.SetPosition(0);
        TJPEGImage image;
        EXPECT_THROW_MSG(image.ReadEmbedded(stream), EReadError, "ストリームからの読み込みエラー");
        EXPECT_EQ(nullptr, image.Holder().Bytes);
    }
}

TEST(JpegImageEmbedded, WritesCountAndBytesAndReadsThemBack) {
    std::vector<uint8_t> jpeg = SmallJpeg();
    TJPEGImage image;
    LoadBytes(image, jpeg);
    TMemoryStream stream;
    image.WriteEmbedded(stream);
    EXPECT_EQ(static_cast<int64_t>(jpeg.size()) + 4, stream.Size());
    stream.SetPosition(0);
    TJPEGImage copy;
    copy.ReadEmbedded(stream);
    EXPECT_EQ(jpeg, HeldBytes(copy));
    EXPECT_TRUE(copy.SameContent(&image));
    // Without bytes: a zero count, and nothing is compressed.
    TJPEGImage withBitmap;
    auto bitmap = BitmapFromRgb(RgbPattern(4, 4), 4, 4);
    withBitmap.AssignFrom(bitmap.get());
    TMemoryStream zero;
    withBitmap.WriteEmbedded(zero);
    EXPECT_EQ(std::vector<uint8_t>(4, 0), StreamBytes(zero));
    EXPECT_EQ(nullptr, withBitmap.Holder().Bytes);
}

TEST(JpegImageSave, SavingTwiceWritesTheSameBytesAndQualityAloneChangesNothing) {
    TJPEGImage image;
    auto bitmap = BitmapFromRgb(RgbPattern(40, 30), 40, 30);
    image.AssignFrom(bitmap.get());
    TMemoryStream first;
    image.SaveStream(first);
    image.SetQuality(10);
    TMemoryStream second;
    second.WriteBuffer("head", 4);
    image.SaveStream(second);
    std::vector<uint8_t> firstBytes = StreamBytes(first);
    std::vector<uint8_t> secondBytes = StreamBytes(second);
    ASSERT_GT(firstBytes.size(), 100u);
    EXPECT_EQ(firstBytes, std::vector<uint8_t>(secondBytes.begin() + 4, secondBytes.end()));
    image.Compress();
    TMemoryStream third;
    image.SaveStream(third);
    EXPECT_LT(third.Size(), first.Size());
}

TEST(JpegImageShare, AssignedCopySharesBytesUntilTheFirstCompresses) {
    TJPEGImage first;
    auto bitmap = BitmapFromRgb(RgbPattern(32, 32), 32, 32);
    first.AssignFrom(bitmap.get());
    first.Compress();
    std::vector<uint8_t> original = HeldBytes(first);
    TJPEGImage copy;
    copy.SetQuality(5);
    copy.AssignFrom(&first);
    EXPECT_EQ(&first.Holder(), &copy.Holder());
    EXPECT_EQ(2, first.Holder().RefCount());
    EXPECT_EQ(5, copy.Quality());
    ASSERT_NE(nullptr, copy.Bitmap());
    EXPECT_NE(first.Bitmap(), copy.Bitmap());
    EXPECT_TRUE(copy.SameContent(&first));
    first.SetQuality(20);
    first.Compress();
    EXPECT_NE(&first.Holder(), &copy.Holder());
    EXPECT_EQ(1, copy.Holder().RefCount());
    EXPECT_EQ(original, HeldBytes(copy));
    EXPECT_NE(original, HeldBytes(first));
    EXPECT_FALSE(copy.SameContent(&first));
}

TEST(JpegImageShare, CopyWithoutBitmapSharesTheHolderOnly) {
    TJPEGImage loaded;
    LoadBytes(loaded, SmallJpeg());
    TJPEGImage copy;
    copy.AssignFrom(&loaded);
    EXPECT_EQ(nullptr, copy.Bitmap());
    EXPECT_EQ(24, copy.Width());
    TJPEGImage self;
    LoadBytes(self, SmallJpeg());
    self.AssignFrom(&self);
    EXPECT_EQ(1, self.Holder().RefCount());
    EXPECT_EQ(24, self.Width());
}

TEST(JpegImageShare, AssigningItsOwnBitmapKeepsThePicture) {
    TJPEGImage image;
    LoadBytes(image, SmallJpeg());
    image.AssignFrom(image.EnsureDecoded());
    ASSERT_NE(nullptr, image.Bitmap());
    EXPECT_EQ(24, image.Width());
    EXPECT_EQ(nullptr, image.Holder().Bytes);
}

TEST(JpegImageShare, SameContentRules) {
    TJPEGImage a, b;
    EXPECT_TRUE(a.SameContent(&a));
    EXPECT_FALSE(a.SameContent(&b));  // neither has bytes, different holders
    TBitmap bitmap;
    EXPECT_FALSE(a.SameContent(&bitmap));
    LoadBytes(a, SmallJpeg());
    LoadBytes(b, SmallJpeg());
    EXPECT_TRUE(a.SameContent(&b));
    LoadBytes(b, SmallJpeg(25));
    EXPECT_FALSE(a.SameContent(&b));
}

TEST(JpegImageCopy, BitmapTakesTheDecodedPicture) {
    TJPEGImage image;
    LoadBytes(image, SmallJpeg(20, 12));
    TBitmap bitmap;
    bitmap.AssignFrom(&image);
    EXPECT_EQ(20, bitmap.Width());
    EXPECT_EQ(12, bitmap.Height());
    EXPECT_EQ(BgrOf(*image.Bitmap()), BgrOf(bitmap));
}

TEST(JpegImageCopy, UnrelatedTargetFailsNamingBothClasses) {
    TJPEGImage image;
    TJPEGImage other;
    struct Stranger : TPersistent {};
    Stranger stranger;
    EXPECT_THROW_MSG(image.CopyInto(&stranger), EConvertError,
                     Format(msg::AssignError, "TJPEGImage", stranger.ClassName()));
}

TEST(JpegImageDecode, EmptyObjectDecodesToAnEmptyBitmap) {
    TJPEGImage image;
    TBitmap* bitmap = image.EnsureDecoded();
    ASSERT_NE(nullptr, bitmap);
    EXPECT_TRUE(bitmap->IsEmpty());
    EXPECT_TRUE(image.IsEmpty());
}

TEST(JpegImageDecode, ZeroBytesFailWithTheEmptyInputCode) {
    TJPEGImage image;
    TBitmap empty;
    image.AssignFrom(&empty);
    image.Compress();
    ASSERT_NE(nullptr, image.Holder().Bytes);
    EXPECT_EQ(0, image.Holder().Bytes->Size());
    TJPEGImage loaded;
    LoadBytes(loaded, HeldBytes(image));
    EXPECT_FALSE(loaded.IsEmpty());
    EXPECT_EQ(0, loaded.Width());
    EXPECT_THROW_MSG(loaded.EnsureDecoded(), EJPEG, JpegError(JERR_INPUT_EMPTY));
    // The bitmap stays attached, so a second draw does not decode again.
    EXPECT_NE(nullptr, loaded.Bitmap());
}

TEST(JpegImageDecode, ZeroWidthBitmapCompressesToNothingAndKeepsTheOldSize) {
    TJPEGImage image;
    LoadBytes(image, SmallJpeg(24, 16));
    TBitmap thin;
    thin.SetWidth(7);
    EXPECT_EQ(0, thin.Height());
    image.AssignFrom(&thin);
    image.Compress();
    EXPECT_EQ(0, image.Holder().Bytes->Size());
    EXPECT_EQ(0, image.Holder().ImageWidth);
    EXPECT_EQ(7, image.Width());
}

TEST(JpegImageDecode, TruncatedScanDecodesAndCutHeaderFails) {
    std::vector<uint8_t> jpeg = SmallJpeg(64, 64);
    size_t scan = FindMarker(jpeg, 0xDA);
    std::vector<uint8_t> cut(jpeg.begin(), jpeg.begin() + static_cast<long>(scan + (jpeg.size() - scan) / 2));
    TJPEGImage image;
    LoadBytes(image, cut);
    EXPECT_EQ(64, image.EnsureDecoded()->Height());
    std::vector<uint8_t> headerOnly(jpeg.begin(), jpeg.begin() + static_cast<long>(scan));
    TJPEGImage broken;
    EXPECT_THROW_MSG(LoadBytes(broken, headerOnly), EJPEG, JpegError(JERR_SOF_NO_SOS));
    EXPECT_THROW_MSG(broken.EnsureDecoded(), EJPEG, JpegError(JERR_SOF_NO_SOS));
}

TEST(JpegImageDecode, HeaderTooLargeForASurfaceIsRefusedBeforeDecoding) {
    std::vector<uint8_t> jpeg = SmallJpeg(16, 16);
    size_t sof = FindMarker(jpeg, 0xC0);
    ASSERT_LT(sof, jpeg.size());
    // 65000 x 65000 pixels of 3 bytes: far beyond the surface limit.
    jpeg[sof + 5] = 0xFD;
    jpeg[sof + 6] = 0xE8;
    jpeg[sof + 7] = 0xFD;
    jpeg[sof + 8] = 0xE8;
    TJPEGImage image;
    LoadBytes(image, jpeg);
    EXPECT_EQ(65000, image.Width());
    EXPECT_THROW_MSG(image.EnsureDecoded(), EOutOfResources, "システム リソースが足りません");
    ASSERT_NE(nullptr, image.Bitmap());
    EXPECT_TRUE(image.Bitmap()->IsEmpty());
}

TEST(JpegImageProgress, CompressReportsStartAndEnd) {
    TJPEGImage image;
    ProgressLog log;
    image.OnProgress = log.Handler();
    auto bitmap = BitmapFromRgb(RgbPattern(16, 16), 16, 16);
    image.AssignFrom(bitmap.get());
    image.Compress();
    ASSERT_EQ(2u, log.stages.size());
    EXPECT_EQ(TProgressStage::StageStarting, log.stages.front());
    EXPECT_EQ(0, log.percents.front());
    EXPECT_EQ(TProgressStage::StageEnding, log.stages.back());
    EXPECT_EQ(100, log.percents.back());
}

TEST(JpegImageProgress, AbortedCompressLeavesNoBytesQuietly) {
    TJPEGImage image;
    ProgressLog log;
    log.abort = true;
    log.abortOn = TProgressStage::StageStarting;
    image.OnProgress = log.Handler();
    auto bitmap = BitmapFromRgb(RgbPattern(16, 16), 16, 16);
    image.AssignFrom(bitmap.get());
    image.Compress();
    EXPECT_EQ(nullptr, image.Holder().Bytes);
    ASSERT_EQ(2u, log.stages.size());
    EXPECT_EQ(TProgressStage::StageEnding, log.stages.back());
    EXPECT_EQ(0, log.percents.back());
    EXPECT_NE(nullptr, image.Bitmap());
}

TEST(JpegImageProgress, AbortedDecodeKeepsThePartBitmapQuietly) {
    TJPEGImage image;
    LoadBytes(image, SmallJpeg(16, 16));
    ProgressLog log;
    log.abort = true;
    log.abortOn = TProgressStage::StageStarting;
    image.OnProgress = log.Handler();
    TBitmap* bitmap = image.EnsureDecoded();
    ASSERT_NE(nullptr, bitmap);
    EXPECT_EQ(image.Bitmap(), bitmap);
    EXPECT_EQ(TProgressStage::StageEnding, log.stages.back());
    EXPECT_EQ(0, log.percents.back());
}

TEST(JpegImageProgress, FailedDecodeEndsAtZeroPercent) {
    std::vector<uint8_t> jpeg = SmallJpeg(16, 16);
    jpeg[FindMarker(jpeg, 0xDA) + 6] = 0x77;  // a Huffman table that does not exist
    TJPEGImage image;
    LoadBytes(image, jpeg);
    ProgressLog log;
    image.OnProgress = log.Handler();
    EXPECT_THROW_MSG(image.EnsureDecoded(), EJPEG, JpegError(JERR_NO_HUFF_TABLE));
    ASSERT_EQ(2u, log.stages.size());
    EXPECT_EQ(0, log.percents.back());
}

TEST(JpegImagePalette, NewPaletteAndFreeingDropOnlyABitmapThatCanBeDecodedAgain) {
    TJPEGImage image;
    LoadBytes(image, SmallJpeg());
    image.EnsureDecoded();
    int changes = 0;
    image.OnChange = [&](TGraphic*) { ++changes; };
    image.SetPaletteModified(false);
    platform::PaletteHandle halftone = platform::CreateHalftonePalette();
    image.SetPalette(halftone);
    EXPECT_EQ(nullptr, image.Bitmap());
    EXPECT_TRUE(image.PaletteModified());
    EXPECT_EQ(1, changes);
    EXPECT_EQ(halftone, image.Palette());
    image.SetPalette(halftone);
    EXPECT_EQ(1, changes);
    // With 24-bit output the palette is given up at the next decode.
    image.EnsureDecoded();
    EXPECT_EQ(nullptr, image.Palette());
    int width = image.Width(), height = image.Height();
    image.FreeDecoded();
    EXPECT_EQ(nullptr, image.Bitmap());
    EXPECT_EQ(width, image.Width());
    EXPECT_EQ(height, image.Height());

    TJPEGImage bitmapOnly;
    auto bitmap = BitmapFromRgb(RgbPattern(4, 4), 4, 4);
    bitmapOnly.AssignFrom(bitmap.get());
    bitmapOnly.SetPalette(halftone);
    ASSERT_NE(nullptr, bitmapOnly.Bitmap());
    EXPECT_EQ(4, bitmapOnly.Width());
    bitmapOnly.FreeDecoded();
    ASSERT_NE(nullptr, bitmapOnly.Bitmap());
}

TEST(JpegImageDraw, DrawsTheDecodedPictureIntoACanvas) {
    TJPEGImage image;
    LoadBytes(image, SmallJpeg(20, 12));
    TBitmap target;
    target.SetPixelFormat(TPixelFormat::Bit24);
    target.SetWidth(20);
    target.SetHeight(12);
    target.Canvas().DrawGraphic(0, 0, &image);
    EXPECT_EQ(BgrOf(*image.Bitmap()), BgrOf(target));
    TBitmap stretched;
    stretched.SetPixelFormat(TPixelFormat::Bit24);
    stretched.SetWidth(20);
    stretched.SetHeight(12);
    stretched.Canvas().StretchDraw(Rect(0, 0, 20, 12), &image);
    EXPECT_EQ(BgrOf(target), BgrOf(stretched));
}

TEST(JpegImageFile, SavesAndLoadsThroughFiles) {
    TJPEGImage image;
    auto bitmap = BitmapFromRgb(RgbPattern(30, 20), 30, 20);
    image.AssignFrom(bitmap.get());
    image.SetQuality(60);
    image.Compress();
    std::string path = TempDir() + "/saved.jpg";
    image.SaveFile(path);
    EXPECT_EQ(HeldBytes(image), ReadFileBytes(path));
    std::unique_ptr<TGraphic> loaded = TJPEGImage::Create();
    loaded->LoadFile(path);
    EXPECT_EQ(30, loaded->Width());
    EXPECT_TRUE(loaded->SameContent(&image));
    std::unique_ptr<TGraphic> fresh = image.NewInstance();
    EXPECT_TRUE(fresh->IsEmpty());
    EXPECT_NE(nullptr, dynamic_cast<TJPEGImage*>(fresh.get()));
}

TEST(JpegImageClipboard, SavesTheDecodedPicture) {
    TJPEGImage image;
    LoadBytes(image, SmallJpeg(18, 10));
    uint16_t format = 0;
    TMemoryStream data;
    platform::PaletteHandle palette;
    image.SaveClipboard(format, data, palette);
    ASSERT_NE(nullptr, image.Bitmap());
    uint16_t bitmapFormat = 0;
    TMemoryStream bitmapData;
    image.Bitmap()->SaveClipboard(bitmapFormat, bitmapData, palette);
    EXPECT_EQ(bitmapFormat, format);
    EXPECT_EQ(StreamBytes(bitmapData), StreamBytes(data));
    EXPECT_GT(data.Size(), 18 * 10 * 3);
}

namespace {

// Decodes each part of a noise picture (noise in every channel: chroma upsampling at a part's edge
// would show any neighbour missed) and checks it against the full decode, and that nothing beside
// the part was written.
void ExpectPartsAsFullDecode(TJPEGImage& image, int w, int h, std::initializer_list<TRect> parts) {
    TJPEGImage whole;
    whole.AssignFrom(&image);
    std::vector<uint8_t> full = BgrOf(*whole.EnsureDecoded());
    ASSERT_TRUE(image.CanDecodeParts());
    const ptrdiff_t stride = w * 3 + 5;
    for (TRect part : parts) {
        std::vector<uint8_t> rows(size_t(stride) * h, 0xA5);
        TRect clipped = Rect(std::max(part.Left, 0), std::max(part.Top, 0), std::min(part.Right, w),
                             std::min(part.Bottom, h));
        ASSERT_EQ(image.DecodePart(part, rows.data() + clipped.Top * stride + clipped.Left * 3, stride), clipped);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                bool inside = x >= part.Left && x < part.Right && y >= part.Top && y < part.Bottom;
                for (int c = 0; c < 3; ++c) {
                    uint8_t got = rows[size_t(y) * stride + x * 3 + c];
                    uint8_t want = inside ? full[(size_t(y) * w + x) * 3 + c] : 0xA5;
                    ASSERT_EQ(got, want) << part.Left << "," << part.Top << " at " << x << "," << y;
                }
            }
    }
    EXPECT_EQ(image.Bitmap(), nullptr);
}

std::vector<uint8_t> NoiseRgb(int w, int h) {
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    uint32_t seed = 12345;
    for (uint8_t& v : rgb) v = uint8_t((seed = seed * 1103515245 + 12345) >> 24);
    return rgb;
}

}  // namespace

TEST(JpegImageDecode, PartsGiveExactlyTheFullDecodeAndWriteNothingElse) {
    const int w = 203, h = 157;
    TJPEGImage image;
    LoadBytes(image, CompressThroughImage(NoiseRgb(w, h), w, h, 75));
    ExpectPartsAsFullDecode(image, w, h,
                            {Rect(0, 0, w, h), Rect(37, 41, 38, 42), Rect(17, 9, 140, 100), Rect(150, 120, 400, 300),
                             Rect(-5, -5, 20, 30), Rect(1, 150, 202, 156)});
    image.SetGrayMode(true);
    EXPECT_FALSE(image.CanDecodeParts());
}

TEST(JpegImageDecode, LargePartsDecodedInTwoBandsGiveExactlyTheFullDecode) {
    // Parts this large are split into an upper and a lower band decoded at once; the rows where
    // they meet (anywhere, not on a block row) must come out as in one pass.
    const int w = 700, h = 610;
    TJPEGImage image;
    LoadBytes(image, CompressThroughImage(NoiseRgb(w, h), w, h, 85));
    ExpectPartsAsFullDecode(image, w, h,
                            {Rect(0, 0, w, h), Rect(-9, 3, 590, 604), Rect(101, 77, 699, 609), Rect(5, 300, 720, 700),
                             Rect(13, 1, 600, 258)});
}

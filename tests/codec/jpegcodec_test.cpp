// What the JPEG image hands to libjpeg and gets back: its files equal an independent encode with the
// same parameters, and its decodes equal an independent decode.
#include <jerror.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/format.h"
#include "codec/jpegbitmaps.h"
#include "codec/jpegimage.h"
#include "support/testutil.h"

using namespace zavo;
using namespace zavotest;

namespace {

std::vector<uint8_t> SwapRedBlue(std::vector<uint8_t> pixels) {
    for (size_t i = 0; i + 2 < pixels.size(); i += 3) std::swap(pixels[i], pixels[i + 2]);
    return pixels;
}

// The colours an 8-bit palette bitmap shows, top-down, as blue-green-red.
std::vector<uint8_t> ColoursOf(TBitmap& bitmap) {
    const platform::PaletteHandle& palette = bitmap.Palette();
    std::vector<uint8_t> colours;
    for (int y = 0; y < bitmap.Height(); ++y) {
        const uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x) {
            const platform::PaletteEntry& e = palette->Entries().at(row[x]);
            colours.insert(colours.end(), {e.blue, e.green, e.red});
        }
    }
    return colours;
}

double MeanDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += std::abs(a[i] - b[i]);
    return sum / static_cast<double>(a.size());
}

}  // namespace

TEST(JpegCompress, FileIsByteForByteTheLibrarysFloatEncodeWithBaselineTables) {
    struct Case {
        int width, height, quality;
    };
    for (Case c : {Case{1, 1, 80}, Case{17, 9, 1}, Case{64, 48, 50}, Case{203, 101, 80}, Case{320, 240, 95},
                   Case{33, 250, 100}}) {
        std::vector<uint8_t> rgb = RgbPattern(c.width, c.height);
        ReferenceOptions options;
        options.quality = c.quality;
        EXPECT_EQ(EncodeReference(rgb, c.width, c.height, options),
                  CompressThroughImage(rgb, c.width, c.height, static_cast<unsigned>(c.quality)))
            << c.width << "x" << c.height << " q" << c.quality;
    }
}

TEST(JpegCompress, FileIsJfif101WithYCbCr420AndNoRestarts) {
    std::vector<uint8_t> bytes = CompressThroughImage(RgbPattern(32, 32), 32, 32, 80);
    ASSERT_GT(bytes.size(), 20u);
    const uint8_t app0[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1};
    EXPECT_TRUE(std::equal(std::begin(app0), std::end(app0), bytes.begin()));
    size_t sof = FindMarker(bytes, 0xC0);
    ASSERT_LT(sof, bytes.size());
    EXPECT_EQ(3, bytes[sof + 9]);
    EXPECT_EQ(0x22, bytes[sof + 11]);
    EXPECT_EQ(0x11, bytes[sof + 14]);
    EXPECT_EQ(0x11, bytes[sof + 17]);
    EXPECT_EQ(bytes.size(), FindMarker(bytes, 0xDD));
    EXPECT_EQ(bytes.size(), FindMarker(bytes, 0xC2));
}

TEST(JpegCompress, QualityOutsideTheRangeActsAsTheLimit) {
    std::vector<uint8_t> rgb = RgbPattern(48, 40);
    std::vector<uint8_t> q1 = CompressThroughImage(rgb, 48, 40, 1);
    std::vector<uint8_t> q100 = CompressThroughImage(rgb, 48, 40, 100);
    EXPECT_NE(q1, q100);
    EXPECT_EQ(q1, CompressThroughImage(rgb, 48, 40, 0));
    EXPECT_EQ(q100, CompressThroughImage(rgb, 48, 40, 101));
    EXPECT_EQ(q100, CompressThroughImage(rgb, 48, 40, 255));
    // 256 keeps its low byte: 0, which acts as 1.
    TJPEGImage image;
    image.SetQuality(256);
    EXPECT_EQ(0, image.Quality());
    EXPECT_EQ(q1, CompressThroughImage(rgb, 48, 40, 256));
}

TEST(JpegCompress, GrayModeWritesOneComponentAndMarksTheHolder) {
    std::vector<uint8_t> rgb = RgbPattern(40, 24);
    TJPEGImage image;
    image.SetGrayMode(true);
    auto bitmap = BitmapFromRgb(rgb, 40, 24);
    image.AssignFrom(bitmap.get());
    image.SetQuality(70);
    image.Compress();
    EXPECT_TRUE(image.Holder().IsGray);
    ReferenceOptions options;
    options.quality = 70;
    options.gray = true;
    EXPECT_EQ(EncodeReference(rgb, 40, 24, options), HeldBytes(image));
}

TEST(JpegCompress, ProgressiveFileWritesTheSimpleProgression) {
    std::vector<uint8_t> rgb = RgbPattern(40, 24);
    TJPEGImage image;
    image.SetProgressiveFile(true);
    auto bitmap = BitmapFromRgb(rgb, 40, 24);
    image.AssignFrom(bitmap.get());
    image.Compress();
    ReferenceOptions options;
    options.progressive = true;
    EXPECT_EQ(EncodeReference(rgb, 40, 24, options), HeldBytes(image));
}

TEST(JpegCompress, LeavesTheBitmapAsItWas) {
    std::vector<uint8_t> rgb = RgbPattern(10, 6);
    auto bitmap = BitmapFromRgb(rgb, 10, 6);
    TJPEGImage image;
    image.AssignFrom(bitmap.get());
    image.Compress();
    EXPECT_EQ(TPixelFormat::Bit24, image.Bitmap()->PixelFormat());
    EXPECT_EQ(SwapRedBlue(rgb), BgrOf(*image.Bitmap()));
    EXPECT_EQ(10, image.Holder().ImageWidth);
    EXPECT_EQ(6, image.Holder().ImageHeight);
}

TEST(JpegCompress, EveryTrueColourFormatGivesTheSameFile) {
    std::vector<uint8_t> rgb = RgbPattern(30, 20);
    std::vector<uint8_t> reference = EncodeReference(rgb, 30, 20);
    for (TPixelFormat format : {TPixelFormat::Bit32, TPixelFormat::Device}) {
        auto bitmap = BitmapFromRgb(rgb, 30, 20);
        bitmap->SetPixelFormat(format);
        TJPEGImage image;
        image.AssignFrom(bitmap.get());
        image.Compress();
        EXPECT_EQ(format, image.Bitmap()->PixelFormat());
        EXPECT_EQ(reference, HeldBytes(image)) << static_cast<int>(format);
    }
}

TEST(JpegCompress, PaletteBitmapIsCompressedFromA24BitCopy) {
    std::vector<uint8_t> rgb = RgbPattern(30, 20);
    auto bitmap = BitmapFromRgb(rgb, 30, 20);
    bitmap->SetPixelFormat(TPixelFormat::Bit8);
    TBitmap copy;
    copy.AssignFrom(bitmap.get());
    copy.SetPixelFormat(TPixelFormat::Bit24);
    TJPEGImage image;
    image.AssignFrom(bitmap.get());
    image.Compress();
    EXPECT_EQ(TPixelFormat::Bit8, image.Bitmap()->PixelFormat());
    EXPECT_EQ(EncodeReference(SwapRedBlue(BgrOf(copy)), 30, 20), HeldBytes(image));
}

TEST(JpegOnePixelHigh, CompressesAndDecodes) {
    for (int width : {1, 5, 640}) {
        std::vector<uint8_t> rgb = RgbPattern(width, 1);
        std::vector<uint8_t> bytes = CompressThroughImage(rgb, width, 1, 90);
        EXPECT_EQ(EncodeReference(rgb, width, 1), bytes);
        TJPEGImage image;
        LoadBytes(image, bytes);
        TBitmap* decoded = image.EnsureDecoded();
        EXPECT_EQ(width, decoded->Width());
        EXPECT_EQ(1, decoded->Height());
        int w = 0, h = 0;
        EXPECT_EQ(DecodeReference(bytes, w, h, JCS_EXT_BGR), BgrOf(*decoded));
    }
}

namespace {

// The file decodes to 24-bit pixels equal to the library's float decode.
void ExpectTheLibrarysFloatDecode(const std::string& path) {
    SCOPED_TRACE(path);
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    ASSERT_FALSE(bytes.empty());
    TJPEGImage image;
    LoadBytes(image, bytes);
    TBitmap* bitmap = image.EnsureDecoded();
    EXPECT_EQ(TPixelFormat::Bit24, bitmap->PixelFormat());
    int w = 0, h = 0;
    std::vector<uint8_t> reference = DecodeReference(bytes, w, h, JCS_EXT_BGR);
    EXPECT_EQ(w, bitmap->Width());
    EXPECT_EQ(h, bitmap->Height());
    EXPECT_EQ(reference, BgrOf(*bitmap));
}

}  // namespace

TEST(JpegDecode, PixelsEqualTheLibrarysFloatDecode) { ExpectTheLibrarysFloatDecode(OwnData("jpeg/cjpeg_61x37.jpg")); }

TEST(JpegDecode, PixelsOfTestFilesEqualTheLibrarysFloatDecode) {
    ZAVO_NEEDS_TESTDATA();
    for (const char* name : {"libjpeg-turbo/testorig.jpg", "libjpeg-turbo/testimgint.jpg", "pillow/jpeg/hopper.jpg"})
        ExpectTheLibrarysFloatDecode(TestData(name));
}

TEST(JpegDecode, DecodesOnceAndKeepsTheBytes) {
    std::vector<uint8_t> bytes = ReadFileBytes(OwnData("jpeg/cjpeg_61x37.jpg"));
    ASSERT_FALSE(bytes.empty());
    TJPEGImage image;
    LoadBytes(image, bytes);
    TBitmap* first = image.EnsureDecoded();
    EXPECT_EQ(first, image.EnsureDecoded());
    EXPECT_EQ(bytes, HeldBytes(image));
    TMemoryStream out;
    image.SaveStream(out);
    EXPECT_EQ(bytes, StreamBytes(out));
}

TEST(JpegDecode, GrayFileDecodesTo8BitsWithAtMost236Grays) {
    ZAVO_NEEDS_TESTDATA();
    std::vector<uint8_t> bytes = ReadFileBytes(TestData("pillow/jpeg/hopper_gray.jpg"));
    TJPEGImage image;
    ASSERT_EQ(TJPEGPixelFormat::Depth24, image.OutputDepth());
    LoadBytes(image, bytes);
    EXPECT_TRUE(image.Holder().IsGray);
    TBitmap* bitmap = image.EnsureDecoded();
    EXPECT_EQ(TPixelFormat::Bit8, bitmap->PixelFormat());
    ASSERT_NE(nullptr, bitmap->Palette());
    EXPECT_LE(bitmap->Palette()->Count(), 236);
    EXPECT_GT(bitmap->Palette()->Count(), 200);
    for (const platform::PaletteEntry& e : bitmap->Palette()->Entries()) {
        EXPECT_EQ(e.red, e.green);
        EXPECT_EQ(e.green, e.blue);
    }
    EXPECT_TRUE(image.PaletteModified());
    int w = 0, h = 0;
    std::vector<uint8_t> gray = DecodeReference(bytes, w, h, JCS_GRAYSCALE);
    std::vector<uint8_t> expected;
    for (uint8_t g : gray) expected.insert(expected.end(), {g, g, g});
    EXPECT_LT(MeanDifference(expected, ColoursOf(*bitmap)), 1.0);
}

TEST(JpegDecode, GrayModeDecodesAColourFileToGrays) {
    std::vector<uint8_t> bytes = ReadFileBytes(OwnData("jpeg/cjpeg_61x37.jpg"));
    ASSERT_FALSE(bytes.empty());
    TJPEGImage image;
    image.SetGrayMode(true);
    LoadBytes(image, bytes);
    TBitmap* bitmap = image.EnsureDecoded();
    EXPECT_EQ(TPixelFormat::Bit8, bitmap->PixelFormat());
    ASSERT_NE(nullptr, bitmap->Palette());
    EXPECT_LE(bitmap->Palette()->Count(), 236);
    for (const platform::PaletteEntry& e : bitmap->Palette()->Entries()) {
        EXPECT_EQ(e.red, e.green);
        EXPECT_EQ(e.green, e.blue);
    }
    int w = 0, h = 0;
    std::vector<uint8_t> gray = DecodeReference(bytes, w, h, JCS_GRAYSCALE);
    std::vector<uint8_t> expected;
    for (uint8_t g : gray) expected.insert(expected.end(), {g, g, g});
    EXPECT_LT(MeanDifference(expected, ColoursOf(*bitmap)), 1.0);
}

TEST(JpegDecode, Depth8PaletteIsInTheLibrarysComponentOrder) {
    // Pure red and pure blue halves: swapped map components would turn one into the other.
    const int w = 64, h = 32;
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) rgb[(static_cast<size_t>(y) * w + x) * 3 + (x < w / 2 ? 0 : 2)] = 255;
    for (TJPEGPerformance mode : {TJPEGPerformance::Accurate, TJPEGPerformance::Fast}) {
        TJPEGImage image;
        image.SetOutputDepth(TJPEGPixelFormat::Depth8);
        image.SetDecodeMode(mode);
        LoadBytes(image, EncodeReference(rgb, w, h));
        TBitmap* bitmap = image.EnsureDecoded();
        ASSERT_EQ(TPixelFormat::Bit8, bitmap->PixelFormat());
        EXPECT_LE(bitmap->Palette()->Count(), 236);
        std::vector<uint8_t> colours = ColoursOf(*bitmap);
        const uint8_t* left = &colours[(16 * w + 4) * 3];
        const uint8_t* right = &colours[(16 * w + w - 5) * 3];
        EXPECT_GT(left[2], 200) << "red at the left";
        EXPECT_LT(left[0], 60);
        EXPECT_GT(right[0], 200) << "blue at the right";
        EXPECT_LT(right[2], 60);
    }
}

TEST(JpegDecode, Depth8FollowsThePictureClosely) {
    ZAVO_NEEDS_TESTDATA();
    std::vector<uint8_t> bytes = ReadFileBytes(TestData("libjpeg-turbo/testorig.jpg"));
    int w = 0, h = 0;
    std::vector<uint8_t> reference = DecodeReference(bytes, w, h, JCS_EXT_BGR);
    TJPEGImage image;
    image.SetOutputDepth(TJPEGPixelFormat::Depth8);
    LoadBytes(image, bytes);
    EXPECT_LT(MeanDifference(reference, ColoursOf(*image.EnsureDecoded())), 12.0);
}

TEST(JpegDecode, ScreenPaletteIsUsedAsTheFixedColourMap) {
    ZAVO_NEEDS_TESTDATA();
    std::vector<uint8_t> bytes = ReadFileBytes(TestData("libjpeg-turbo/testorig.jpg"));
    platform::PaletteHandle halftone = platform::CreateHalftonePalette();
    TJPEGImage image;
    image.SetOutputDepth(TJPEGPixelFormat::Depth8);
    image.SetPalette(halftone);
    LoadBytes(image, bytes);
    TBitmap* bitmap = image.EnsureDecoded();
    ASSERT_NE(nullptr, bitmap->Palette());
    EXPECT_EQ(halftone->Entries(), bitmap->Palette()->Entries());
    int w = 0, h = 0;
    EXPECT_LT(MeanDifference(DecodeReference(bytes, w, h, JCS_EXT_BGR), ColoursOf(*bitmap)), 20.0);
    // A grayscale decode keeps its own gray ramp.
    TJPEGImage gray;
    gray.SetOutputDepth(TJPEGPixelFormat::Depth8);
    gray.SetPalette(halftone);
    LoadBytes(gray, ReadFileBytes(TestData("pillow/jpeg/hopper_gray.jpg")));
    for (const platform::PaletteEntry& e : gray.EnsureDecoded()->Palette()->Entries()) EXPECT_EQ(e.red, e.blue);
}

TEST(JpegDecode, ShowProgressivelyEndsWithTheFullDecode) {
    std::vector<uint8_t> rgb = RgbPattern(96, 64);
    ReferenceOptions options;
    options.progressive = true;
    std::vector<uint8_t> bytes = EncodeReference(rgb, 96, 64, options);
    int w = 0, h = 0;
    std::vector<uint8_t> reference = DecodeReference(bytes, w, h, JCS_EXT_BGR);
    TJPEGImage image;
    image.SetShowProgressively(true);
    LoadBytes(image, bytes);
    EXPECT_TRUE(image.ProgressiveFile());
    EXPECT_EQ(reference, BgrOf(*image.EnsureDecoded()));

    TJPEGImage eightBit;
    eightBit.SetShowProgressively(true);
    eightBit.SetOutputDepth(TJPEGPixelFormat::Depth8);
    LoadBytes(eightBit, bytes);
    TBitmap* bitmap = eightBit.EnsureDecoded();
    EXPECT_EQ(TPixelFormat::Bit8, bitmap->PixelFormat());
    EXPECT_LT(MeanDifference(reference, ColoursOf(*bitmap)), 12.0);
}

TEST(JpegDecode, DecodeScaleShrinksByPowersOfTwo) {
    std::vector<uint8_t> bytes = ReadFileBytes(OwnData("jpeg/cjpeg_61x37.jpg"));
    ASSERT_FALSE(bytes.empty());
    TJPEGImage full;
    LoadBytes(full, bytes);
    int width = full.Width();
    for (uint8_t scale : {1, 2, 3, 200}) {
        TJPEGImage image;
        image.SetDecodeScale(scale);
        LoadBytes(image, bytes);
        int expected = (width + (1 << std::min<int>(scale, 3)) - 1) >> std::min<int>(scale, 3);
        EXPECT_EQ(expected, image.EnsureDecoded()->Width()) << int(scale);
    }
}

TEST(JpegDecode, TestFilesDecodeToTheirSizeOrFailWithTheirJpegError) {
    ZAVO_NEEDS_TESTDATA();
    // The library reads past junk before a marker and decodes a cut-short file as far as it goes;
    // it has no conversion from CMYK to the red-green-blue output and no 12-bit samples.
    struct Expected {
        const char* file;
        int width, height;
        int error;  // the library's message code, or 0 when it decodes
    };
    const Expected files[] = {{"libjpeg-turbo/testimgari.jpg", 227, 149, 0},
                              {"libjpeg-turbo/monkey12.jpg", 0, 0, JERR_BAD_PRECISION},
                              {"pillow/jpeg/pil_sample_cmyk.jpg", 0, 0, JERR_CONVERSION_NOTIMPL},
                              {"pillow/jpeg/truncated_jpeg.jpg", 100, 100, 0},
                              {"pillow/jpeg/junk_jpeg_header.jpg", 1024, 768, 0},
                              {"pillow/jpeg/jpeg_ff00_header.jpg", 300, 225, 0},
                              {"pillow/jpeg/hopper_16bit_qtables.jpg", 128, 128, 0},
                              {"pillow/jpeg/icc-after-SOF.jpg", 10, 10, 0},
                              {"pillow/jpeg/truncated_app14.jpg", 100, 100, 0},
                              {"pillow/jpeg/pil_sample_rgb.jpg", 100, 100, 0}};
    for (const Expected& f : files) {
        SCOPED_TRACE(f.file);
        TJPEGImage image;
        const auto decode = [&] {
            LoadBytes(image, ReadFileBytes(TestData(f.file)));
            return image.EnsureDecoded();
        };
        if (f.error != 0) {
            EXPECT_THROW_MSG(decode(), EJPEG, Format(msg::JPEGError, f.error));
            continue;
        }
        TBitmap* bitmap = decode();
        EXPECT_EQ(bitmap->Width(), f.width);
        EXPECT_EQ(bitmap->Height(), f.height);
    }
}

TEST(JpegDecode, PicturesDecodedIntoTheMemoryOfEarlierOnesEqualTheLibrarysDecode) {
    // Each picture is decoded where the one before it lay, or fresh when it is larger; widths with
    // row padding, which must stay zero.
    for (auto [width, height] : {std::pair{1000, 700}, {901, 650}, {1001, 700}}) {
        std::vector<uint8_t> bytes = EncodeReference(RgbPattern(width, height), width, height);
        TJPEGImage image;
        LoadBytes(image, bytes);
        TBitmap* decoded = image.EnsureDecoded();
        int w = 0, h = 0;
        EXPECT_EQ(DecodeReference(bytes, w, h, JCS_EXT_BGR), BgrOf(*decoded)) << width;
        const platform::Surface* pixels = decoded->Image().Handle();
        for (int y = 0; y < height; ++y)
            for (int64_t i = int64_t{width} * 3; i < pixels->Stride(); ++i) ASSERT_EQ(0, pixels->Row(y)[i]) << width;
    }
}

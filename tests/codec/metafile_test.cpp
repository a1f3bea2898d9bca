#include "codec/metafile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "base/muldiv.h"
#include "base/streams.h"
#include "codec/bitmap.h"
#include "codec/canvas.h"
#include "platform/screen.h"
#include "support/metafilebuilder.h"
#include "support/testutil.h"

namespace zavo {
namespace {

using platform::ColorRef;
using platform::MakeColorRef;
using zavotest::EmfBuilder;
using zavotest::WmfBuilder;

constexpr ColorRef kRed = MakeColorRef(255, 0, 0);
constexpr ColorRef kBlue = MakeColorRef(0, 0, 255);

std::unique_ptr<TMetafile> Load(const std::vector<uint8_t>& bytes) {
    TMemoryStream stream;
    if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SetPosition(0);
    auto m = std::make_unique<TMetafile>();
    m->LoadStream(stream);
    return m;
}

std::unique_ptr<TMetafile> LoadFile(const std::string& relative) {
    auto m = std::make_unique<TMetafile>();
    m->LoadFile(zavotest::TestData(relative));
    return m;
}

ColorRef PixelOf(TBitmap& b, int x, int y) { return b.Image().Handle()->Pixel(x, y); }

std::unique_ptr<TBitmap> Filled(int width, int height, TColor color) {
    auto b = std::make_unique<TBitmap>();
    b->SetHeight(height);
    b->SetWidth(width);
    b->Canvas().Brush().SetColor(color);
    b->Canvas().FillRect(Rect(0, 0, width, height));
    return b;
}

bool Near(ColorRef c, int r, int g, int b) {
    return std::abs(int(c & 0xFF) - r) <= 8 && std::abs(int((c >> 8) & 0xFF) - g) <= 8 &&
           std::abs(int((c >> 16) & 0xFF) - b) <= 8;
}

// An enhanced metafile of 1 pixel per millimetre whose frame (100 x 100 mm) is filled red.
std::vector<uint8_t> RedSquareEmf() {
    EmfBuilder b;
    b.Add(39, {1, 0, 0x0000FF, 0}).Add(37, {1}).Add(37, {0x80000008}).Add(43, {0, 0, 100, 100});
    return b.Bytes();
}

TEST(MetafileLoad, EnhancedSizeComesFromTheFrameAndTheReferenceDevice) {
    auto m = Load(EmfBuilder(2540, 1270, 1200, 254).Bytes());
    EXPECT_TRUE(m->Enhanced());
    EXPECT_EQ(m->MMWidth(), 2540);
    EXPECT_EQ(m->MMHeight(), 1270);
    EXPECT_EQ(m->Inch(), 0);
    EXPECT_EQ(m->Width(), 120);   // 2540 * 1200 / 25400
    EXPECT_EQ(m->Height(), 60);
    EXPECT_FALSE(m->IsEmpty());
}

TEST(MetafileLoad, PlaceableSizeComesFromBoundsAndUnitsPerInch) {
    auto m = Load(WmfBuilder(0, 0, 3999, 2999, 1200).Bytes());
    EXPECT_FALSE(m->Enhanced());
    EXPECT_EQ(m->Inch(), 1200);
    EXPECT_EQ(m->MMWidth(), 8465);  // 8464.75, rounded
    EXPECT_EQ(m->MMHeight(), 6348);
    // Pixels of 84.65 mm x 63.48 mm at common screen densities.
    struct Density {
        int ppi, width, height;
    };
    const int ppi = platform::ScreenPixelsPerInch();
    for (const Density& d : {Density{96, 320, 240}, Density{120, 400, 300}, Density{144, 480, 360}, Density{192, 640, 480}})
        if (d.ppi == ppi) {
            EXPECT_EQ(m->Width(), d.width);
            EXPECT_EQ(m->Height(), d.height);
            return;
        }
    GTEST_SKIP() << "no expected size for " << ppi << " pixels per inch";
}

TEST(MetafileLoad, ZeroUnitsPerInchCountsAsNinetySixButIsKept) {
    auto m = Load(WmfBuilder(10, 20, 106, 68, 0).Bytes());
    EXPECT_EQ(m->Inch(), 0);
    EXPECT_EQ(m->MMWidth(), 2540);
    EXPECT_EQ(m->MMHeight(), 1270);
}

TEST(MetafileLoad, AnEmptyMetafileMeasuresZeroButIsNotEmpty) {
    TMetafile m;
    EXPECT_EQ(m.Width(), 0);
    EXPECT_EQ(m.Height(), 0);
    EXPECT_FALSE(m.IsEmpty());
}

TEST(MetafileLoad, RefusesAWindowsMetafileWithoutThePlaceableHeader) {
    std::vector<uint8_t> bytes = WmfBuilder(0, 0, 100, 100).Bytes();
    std::vector<uint8_t> bare(bytes.begin() + 22, bytes.end());
    EXPECT_THROW_MSG(Load(bare), EInvalidGraphic, "メタファイルが不正です");
    TMetafile m;
    EXPECT_THROW_MSG(m.LoadFile(zavotest::OwnData("bmp/gimp_rle4_61x37.bmp")), EInvalidGraphic, "メタファイルが不正です");
}

TEST(MetafileLoad, RefusesABadChecksumKeyOrRecordHeader) {
    std::vector<uint8_t> bytes = WmfBuilder(0, 0, 100, 100).Bytes();
    std::vector<uint8_t> checksum = bytes;
    checksum[20] ^= 1;
    EXPECT_THROW_MSG(Load(checksum), EInvalidGraphic, "メタファイルが不正です");
    std::vector<uint8_t> records = bytes;
    records[24] = 7;  // record header size
    EXPECT_THROW_MSG(Load(records), EInvalidGraphic, "メタファイルが不正です");
    EXPECT_THROW_MSG(Load(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 21)), EInvalidGraphic,
                     "メタファイルが不正です");
    EXPECT_THROW_MSG(Load({}), EInvalidGraphic, "メタファイルが不正です");
}

TEST(MetafileLoad, RefusesEnhancedHeadersThatCannotBePlayed) {
    std::vector<uint8_t> noDevice = RedSquareEmf();
    zavotest::SetU32(noDevice, 72, 0);
    EXPECT_THROW_MSG(Load(noDevice), EInvalidGraphic, "メタファイルが不正です");
    std::vector<uint8_t> tinyTotal = RedSquareEmf();
    zavotest::SetU32(tinyTotal, 48, 40);
    EXPECT_THROW_MSG(Load(tinyTotal), EInvalidGraphic, "メタファイルが不正です");
    // A frame no 32-bit size can hold; the sanitizer build also finds the image left behind.
    std::vector<uint8_t> hugeFrame = RedSquareEmf();
    zavotest::SetU32(hugeFrame, 24, 0x80000000u);
    zavotest::SetU32(hugeFrame, 32, 0x7FFFFFFFu);
    EXPECT_THROW_MSG(Load(hugeFrame), EInvalidGraphic, "メタファイルが不正です");
}

TEST(MetafileLoad, AnEnhancedTotalBeyondTheStreamIsAReadErrorWithoutAllocating) {
    std::vector<uint8_t> bytes = RedSquareEmf();
    zavotest::SetU32(bytes, 48, 0xFFFFFFF0);
    EXPECT_THROW_MSG(Load(bytes), EReadError, "ストリームからの読み込みエラー");
}

TEST(MetafileLoad, KindIsDecidedByContentAndAFailedLoadKeepsThePicture) {
    auto m = Load(RedSquareEmf());
    std::vector<uint8_t> bare = WmfBuilder(0, 0, 10, 10).Bytes();
    bare.erase(bare.begin(), bare.begin() + 22);
    TMemoryStream stream;
    stream.WriteBuffer(bare.data(), static_cast<int64_t>(bare.size()));
    stream.SetPosition(0);
    EXPECT_THROW_MSG(m->LoadStream(stream), EInvalidGraphic, "メタファイルが不正です");
    EXPECT_TRUE(m->Enhanced());
    EXPECT_EQ(m->Width(), 100);
}

TEST(MetafileLoad, SavesWhatItRead) {
    for (const auto& bytes : {RedSquareEmf(), WmfBuilder(0, 0, 50, 50).Bytes()}) {
        auto m = Load(bytes);
        TMemoryStream out;
        m->SaveStream(out);
        ASSERT_EQ(out.Size(), static_cast<int64_t>(bytes.size()));
        EXPECT_EQ(std::vector<uint8_t>(out.Memory(), out.Memory() + out.Size()), bytes);
    }
}

TEST(MetafileCopy, SharesTheRecordsAndChangesSizePrivately) {
    auto m = Load(RedSquareEmf());
    TMetafile copy;
    int changes = 0;
    copy.OnChange = [&](TGraphic*) { ++changes; };
    copy.AssignFrom(m.get());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(copy.Width(), 100);
    copy.SetWidth(50);
    EXPECT_EQ(copy.Width(), 50);
    EXPECT_EQ(m->Width(), 100);
    copy.AssignFrom(nullptr);
    EXPECT_EQ(copy.Width(), 0);
    TBitmap bitmap;
    EXPECT_THROW_MSG(copy.AssignFrom(&bitmap), EConvertError, "TBitmap を TMetafile に代入することはできません");
}

TEST(MetafileDraw, FillsTheWholeRectangleAndLeavesTheRestAlone) {
    auto m = Load(RedSquareEmf());
    auto b = Filled(150, 150, clBlue);
    b->Canvas().DrawGraphic(20, 30, m.get());
    EXPECT_EQ(PixelOf(*b, 20, 30), kRed);
    EXPECT_EQ(PixelOf(*b, 119, 129), kRed);
    EXPECT_EQ(PixelOf(*b, 19, 30), kBlue);
    EXPECT_EQ(PixelOf(*b, 120, 129), kBlue);
    EXPECT_EQ(PixelOf(*b, 119, 130), kBlue);
}

TEST(MetafileDraw, DrawsIntoBitmapsOfOtherFormatsToo) {
    auto m = Load(RedSquareEmf());
    auto b = Filled(150, 150, clBlue);
    b->SetPixelFormat(TPixelFormat::Bit24);
    b->Canvas().DrawGraphic(20, 30, m.get());
    EXPECT_EQ(PixelOf(*b, 20, 30), kRed);
    EXPECT_EQ(PixelOf(*b, 119, 129), kRed);
    EXPECT_EQ(PixelOf(*b, 19, 30), kBlue);
    EXPECT_EQ(PixelOf(*b, 120, 130), kBlue);
}

TEST(MetafileDraw, StretchesAWindowMetafileToTheRectangle) {
    WmfBuilder w(0, 0, 100, 100);
    w.Add(0x02FC, {0, 0x00FF, 0, 0}).Add(0x012D, {0}).Add(0x02FA, {5, 0, 0, 0, 0}).Add(0x012D, {1});
    w.Add(0x041B, {50, 100, 0, 0});  // upper half
    auto m = Load(w.Bytes());
    auto b = Filled(200, 100, clBlue);
    b->Canvas().StretchDraw(Rect(0, 0, 200, 100), m.get());
    EXPECT_EQ(PixelOf(*b, 100, 25), kRed);
    EXPECT_EQ(PixelOf(*b, 199, 0), kRed);
    EXPECT_EQ(PixelOf(*b, 100, 75), kBlue);
}

TEST(MetafileDraw, DrawingWithoutRecordsChangesNothing) {
    TMetafile m;
    auto b = Filled(10, 10, clBlue);
    b->Canvas().StretchDraw(Rect(0, 0, 10, 10), &m);
    EXPECT_EQ(PixelOf(*b, 5, 5), kBlue);
}

struct RealFile {
    const char* path;
    bool enhanced;
    int width;
    int height;
};

// Sizes from the files' headers by the rules above (96 pixels per inch for the Windows ones).
constexpr RealFile kRealFiles[] = {
    {"metafile/emf-inkscape/ink_drawing.emf", true, 4015, 3023},
    {"metafile/emf-inkscape/ink_image.emf", true, 2504, 1511},
    {"metafile/wmf-inkscape/ink_drawing.wmf", false, 320, 240},
    {"metafile/wmf-inkscape/ink_image.wmf", false, 200, 120},
    {"pillow/wmf-emf/drawing.emf", true, 1370, 1370},
    {"pillow/wmf-emf/drawing.wmf", false, 110, 110},
};

TEST(MetafileRealFiles, LoadAndMeasure) {
    ZAVO_NEEDS_TESTDATA();
    if (platform::ScreenPixelsPerInch() != 96) GTEST_SKIP() << "the screen is not at 96 pixels per inch";
    for (const RealFile& f : kRealFiles) {
        SCOPED_TRACE(f.path);
        auto m = LoadFile(f.path);
        EXPECT_EQ(m->Enhanced(), f.enhanced);
        EXPECT_EQ(m->Width(), f.width);
        EXPECT_EQ(m->Height(), f.height);
    }
}

TEST(MetafileRealFiles, DrawTheShapesInPlaceWithTheirColours) {
    ZAVO_NEEDS_TESTDATA();
    for (const char* path : {"metafile/wmf-inkscape/ink_drawing.wmf", "metafile/emf-inkscape/ink_drawing.emf"}) {
        SCOPED_TRACE(path);
        auto m = LoadFile(path);
        auto b = Filled(320, 240, clWhite);
        b->Canvas().StretchDraw(Rect(0, 0, 320, 240), m.get());
        EXPECT_TRUE(Near(PixelOf(*b, 70, 50), 51, 102, 204));   // blue rectangle
        EXPECT_TRUE(Near(PixelOf(*b, 218, 58), 255, 204, 0));   // yellow circle
        EXPECT_TRUE(Near(PixelOf(*b, 70, 158), 51, 170, 85));   // green ellipse
        EXPECT_TRUE(Near(PixelOf(*b, 248, 170), 204, 34, 68));  // red star
        EXPECT_TRUE(Near(PixelOf(*b, 160, 5), 255, 255, 255));  // background
    }
}

}  // namespace
}  // namespace zavo

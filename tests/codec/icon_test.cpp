#include "codec/icon.h"

#include <QBuffer>

#include <fstream>
#include <vector>

#include "base/streams.h"
#include "codec/bitmap.h"
#include "codec/bmpbytes.h"
#include "codec/icondirectory.h"
#include "codec/referenceimage.h"
#include "support/testutil.h"

using namespace zavo;
using zavotest::BmpBytes;

namespace {

const char* kInvalidIcon = "アイコンイメージが不正です";

void Load(TIcon& icon, const std::vector<uint8_t>& bytes) {
    TMemoryStream s;
    s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    s.SetPosition(0);
    icon.LoadStream(s);
}

// A 32-bit canvas of w x h filled with one colour.
std::unique_ptr<TBitmap> Backdrop(int w, int h, platform::ColorRef color) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(TPixelFormat::Bit32);
    b->SetWidth(w);
    b->SetHeight(h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b->Canvas().SetPixel(x, y, static_cast<TColor>(color));
    return b;
}

std::vector<uint8_t> ReadWriterFile(const std::string& name) {
    std::ifstream in(zavotest::OwnData("ico/" + name), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

platform::ColorRef At(TBitmap& b, int x, int y) { return b.Image().Handle()->Pixel(x, y); }

// An icon file with one 1-bit entry of w x h: mask set (transparent) and colour black on the left
// half, colour index `index` (0 black, 1 white) on the right half.
BmpBytes MonoIcon(int w, int h, uint8_t entryW, uint8_t entryH, int index) {
    const int stride = (w + 31) / 32 * 4;
    BmpBytes b;
    const uint32_t imageBytes = static_cast<uint32_t>(40 + 8 + 2 * stride * h);
    b.u16(0).u16(1).u16(1).u8(entryW).u8(entryH).u8(2).u8(0).u16(1).u16(1).u32(imageBytes).u32(22);
    b.u32(40).u32(static_cast<uint32_t>(w)).u32(static_cast<uint32_t>(2 * h)).u16(1).u16(1).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
    b.u32(0x000000).u32(0xFFFFFF);
    auto half = [&](bool left) {
        std::vector<uint8_t> row(static_cast<size_t>(stride), 0);
        for (int x = left ? 0 : w / 2; x < (left ? w / 2 : w); ++x)
            row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
        return row;
    };
    const std::vector<uint8_t> colorRow = index ? half(false) : std::vector<uint8_t>(static_cast<size_t>(stride), 0);
    for (int y = 0; y < h; ++y) b.bytes.insert(b.bytes.end(), colorRow.begin(), colorRow.end());
    const std::vector<uint8_t> maskRow = half(true);
    for (int y = 0; y < h; ++y) b.bytes.insert(b.bytes.end(), maskRow.begin(), maskRow.end());
    return b;
}

}  // namespace

TEST(IconDirectory, ReadsCompleteEntriesOnly) {
    BmpBytes b;
    b.u16(0).u16(1).u16(3).u8(16).u8(0).u8(0).u8(0).u16(1).u16(32).u32(100).u32(54);
    b.u8(48).u8(48).u8(16).u8(0).fill(11, 0);
    const IconHeader h = ReadIconHeader(b.bytes);
    EXPECT_EQ(h.count, 3);
    const auto entries = ReadIconDirectory(b.bytes, h);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].width, 16);
    EXPECT_EQ(entries[0].height, 256);
    EXPECT_EQ(entries[0].bytes, 100u);
    EXPECT_EQ(entries[0].offset, 54u);
    EXPECT_THROW_MSG(ReadIconHeader(std::span<const uint8_t>(b.bytes).first(5)), EReadError,
                     "ストリームからの読み込みエラー");
}

TEST(IconDirectory, ChoosesTheClosestSizeWithinTheColourLimit) {
    auto e = [](int w, int h, int colors) { return IconEntry{w, h, colors, 0, 0}; };
    const std::vector<IconEntry> sizes = {e(16, 16, 0), e(32, 32, 0), e(48, 48, 0)};
    EXPECT_EQ(ChooseIconEntry(sizes, 32, 32, 0), 1);
    EXPECT_EQ(ChooseIconEntry(sizes, 16, 16, 0), 0);
    EXPECT_EQ(ChooseIconEntry(sizes, 40, 40, 0), 1);
    EXPECT_EQ(ChooseIconEntry(sizes, 100, 100, 0), 2);
    // Fewer colours never replace more; over the limit never replaces.
    const std::vector<IconEntry> colors = {e(32, 32, 16), e(32, 32, 2), e(32, 32, 0), e(32, 32, 256)};
    EXPECT_EQ(ChooseIconEntry(colors, 32, 32, 0), 2);
    EXPECT_EQ(ChooseIconEntry(colors, 32, 32, 256), 3);
    EXPECT_EQ(ChooseIconEntry(colors, 32, 32, 16), 0);
    EXPECT_EQ(ChooseIconEntry({}, 32, 32, 0), -1);
    // A larger entry does not replace a smaller one at the same distance.
    EXPECT_EQ(ChooseIconEntry(std::vector<IconEntry>{e(24, 24, 0), e(40, 40, 0)}, 32, 32, 0), 0);
}

TEST(Icon, LoadChecksOnlyTheHeader) {
    TIcon icon;
    EXPECT_TRUE(icon.IsEmpty());
    EXPECT_THROW_MSG(Load(icon, {0, 0, 1, 0, 1}), EReadError, "ストリームからの読み込みエラー");
    EXPECT_THROW_MSG(Load(icon, {0, 0, 2, 0, 1, 0}), EInvalidGraphic, kInvalidIcon);
    EXPECT_TRUE(icon.IsEmpty());
    int changes = 0;
    icon.OnChange = [&](TGraphic*) { ++changes; };
    Load(icon, {0, 0, 1, 0, 0x40, 0});
    EXPECT_FALSE(icon.IsEmpty());
    EXPECT_EQ(changes, 1);
}

TEST(Icon, ACursorFileOfAnotherProgramIsRefused) {
    ZAVO_NEEDS_TESTDATA();
    TIcon cursor;
    EXPECT_THROW_MSG(cursor.LoadFile(zavotest::TestData("pillow/cur/deerstalker.cur")), EInvalidGraphic, kInvalidIcon);
    EXPECT_TRUE(cursor.IsEmpty());
}

TEST(Icon, ReportsTheStandardSizeUntilBuilt) {
    TIcon icon;
    icon.LoadFile(zavotest::OwnData("ico/pillow_32bit_nomask.ico"));
    EXPECT_EQ(icon.Width(), 32);
    EXPECT_EQ(icon.Height(), 32);
    ASSERT_NE(icon.Handle(), nullptr);
    EXPECT_EQ(icon.Width(), 16);
    EXPECT_EQ(icon.Height(), 16);
    EXPECT_THROW_MSG(icon.SetWidth(20), EInvalidGraphicOperation, "アイコンの大きさは変更できません");
    EXPECT_THROW_MSG(icon.SetHeight(20), EInvalidGraphicOperation, "アイコンの大きさは変更できません");
}

TEST(Icon, ARequestedSizeSteersTheChoice) {
    // Two entries, 16 and 48 pixels; asking for 48 takes the second.
    BmpBytes small = MonoIcon(16, 16, 16, 16, 1), large = MonoIcon(48, 48, 48, 48, 1);
    BmpBytes file;
    file.u16(0).u16(1).u16(2);
    const uint32_t smallImage = static_cast<uint32_t>(small.bytes.size() - 22);
    const uint32_t largeImage = static_cast<uint32_t>(large.bytes.size() - 22);
    file.u8(16).u8(16).u8(2).u8(0).u16(1).u16(1).u32(smallImage).u32(38);
    file.u8(48).u8(48).u8(2).u8(0).u16(1).u16(1).u32(largeImage).u32(38 + smallImage);
    file.bytes.insert(file.bytes.end(), small.bytes.begin() + 22, small.bytes.end());
    file.bytes.insert(file.bytes.end(), large.bytes.begin() + 22, large.bytes.end());
    TIcon standard;
    Load(standard, file.bytes);
    ASSERT_NE(standard.Handle(), nullptr);
    EXPECT_EQ(standard.Width(), 16);
    TIcon wanted;
    Load(wanted, file.bytes);
    wanted.SetWidth(48);
    wanted.SetHeight(48);
    EXPECT_EQ(wanted.Width(), 48);
    ASSERT_NE(wanted.Handle(), nullptr);
    EXPECT_EQ(wanted.Width(), 48);
}

TEST(Icon, DrawsThroughItsMask) {
    TIcon icon;
    Load(icon, MonoIcon(8, 8, 8, 8, 1).bytes);
    auto canvas = Backdrop(12, 12, platform::MakeColorRef(10, 20, 30));
    int changes = 0;
    canvas->OnChange = [&](TGraphic*) { ++changes; };
    canvas->Canvas().DrawGraphic(2, 3, &icon);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(icon.Width(), 8);
    // Left half masked: the backdrop stays; right half: the icon's white.
    EXPECT_EQ(At(*canvas, 2, 3), platform::MakeColorRef(10, 20, 30));
    EXPECT_EQ(At(*canvas, 5, 10), platform::MakeColorRef(10, 20, 30));
    EXPECT_EQ(At(*canvas, 6, 3), platform::MakeColorRef(255, 255, 255));
    EXPECT_EQ(At(*canvas, 9, 10), platform::MakeColorRef(255, 255, 255));
    EXPECT_EQ(At(*canvas, 10, 3), platform::MakeColorRef(10, 20, 30));
    EXPECT_EQ(At(*canvas, 9, 11), platform::MakeColorRef(10, 20, 30));
}

TEST(Icon, MatchesTheReferenceOfOtherPrograms) {
    ZAVO_NEEDS_TESTDATA();
    TIcon icon;
    icon.LoadFile(zavotest::TestData("pillow/ico/hopper_mask.ico"));
    auto canvas = Backdrop(16, 16, platform::MakeColorRef(0, 0, 0));
    canvas->Canvas().DrawGraphic(0, 0, &icon);
    const QImage ref = zavotest::ReadReference(zavotest::TestData("pillow/ico/hopper_mask.png"));
    ASSERT_EQ(ref.width(), 16);
    int compared = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const QRgb r = ref.pixel(x, y);
            const platform::ColorRef c = At(*canvas, x, y);
            // Transparent pixels of the reference show the black backdrop here.
            const platform::ColorRef want = qAlpha(r) == 0 ? 0 : platform::MakeColorRef(qRed(r), qGreen(r), qBlue(r));
            EXPECT_EQ(c, want) << x << "," << y;
            ++compared;
        }
    EXPECT_EQ(compared, 256);
}

TEST(Icon, DecodesEveryIconFileOfOtherPrograms) {
    ZAVO_NEEDS_TESTDATA();
    // opaque: pixels the file covers (all of them, but for the masked half of hopper_mask.ico, whose
    // reference rendering has 128 opaque pixels).
    struct Case {
        const char* file;
        int width, height, opaque;
    };
    for (const Case& c : {Case{"pillow/ico/black_and_white.ico", 16, 16, 256},
                          Case{"pillow/ico/hopper.ico", 16, 16, 256},
                          Case{"pillow/ico/hopper_256x256.ico", 256, 256, 65536},
                          Case{"pillow/ico/hopper_draw.ico", 16, 16, 256},
                          Case{"pillow/ico/hopper_mask.ico", 16, 16, 128},
                          Case{"pillow/ico/hopper_unexpected.ico", 16, 32, 512}}) {
        SCOPED_TRACE(c.file);
        TIcon icon;
        icon.LoadFile(zavotest::TestData(c.file));
        // Drawn over two backdrops, covered pixels agree and the others show their backdrop.
        const platform::ColorRef dark = platform::MakeColorRef(1, 2, 3), light = platform::MakeColorRef(250, 251, 252);
        const int w = c.width + 2, h = c.height + 2;
        auto a = Backdrop(w, h, dark), b = Backdrop(w, h, light);
        a->Canvas().DrawGraphic(0, 0, &icon);
        b->Canvas().DrawGraphic(0, 0, &icon);
        EXPECT_EQ(icon.Width(), c.width);
        EXPECT_EQ(icon.Height(), c.height);
        int covered = 0, stray = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const platform::ColorRef over = At(*a, x, y), under = At(*b, x, y);
                if (over == under) ++(x < c.width && y < c.height ? covered : stray);
                else if (over != dark || under != light) ++stray;
            }
        EXPECT_EQ(covered, c.opaque);
        EXPECT_EQ(stray, 0);
    }
}

TEST(Icon, APngEntryIsDecoded) {
    ZAVO_NEEDS_TESTDATA();
    TIcon icon;
    icon.LoadFile(zavotest::TestData("pillow/ico/hopper_draw.ico"));
    const platform::IconPixels* pixels = icon.Handle();
    ASSERT_NE(pixels, nullptr);
    EXPECT_TRUE(pixels->useAlpha);
    // The picture of the bitmap entry of hopper.ico, drawn opaque, with a pure red diagonal.
    TIcon plain;
    plain.LoadFile(zavotest::TestData("pillow/ico/hopper.ico"));
    auto a = Backdrop(16, 16, 0), b = Backdrop(16, 16, 0);
    a->Canvas().DrawGraphic(0, 0, &icon);
    b->Canvas().DrawGraphic(0, 0, &plain);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(At(*a, x, y), x == y ? platform::MakeColorRef(255, 0, 0) : At(*b, x, y)) << x << "," << y;
}

TEST(Icon, APngEntryKeepsEachChannelInPlace) {
    QImage png(2, 2, QImage::Format_ARGB32);
    png.setPixel(0, 0, qRgba(200, 30, 90, 255));
    png.setPixel(1, 0, qRgba(10, 120, 250, 255));
    png.setPixel(0, 1, qRgba(40, 50, 60, 0));
    png.setPixel(1, 1, qRgba(255, 0, 1, 255));
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(png.save(&buffer, "PNG"));
    BmpBytes b;
    b.u16(0).u16(1).u16(1).u8(2).u8(2).u8(0).u8(0).u16(1).u16(32).u32(static_cast<uint32_t>(encoded.size())).u32(22);
    b.bytes.insert(b.bytes.end(), encoded.begin(), encoded.end());
    TIcon icon;
    Load(icon, b.bytes);
    const platform::ColorRef back = platform::MakeColorRef(9, 9, 9);
    auto canvas = Backdrop(4, 4, back);
    canvas->Canvas().DrawGraphic(1, 1, &icon);
    EXPECT_EQ(At(*canvas, 1, 1), platform::MakeColorRef(200, 30, 90));
    EXPECT_EQ(At(*canvas, 2, 1), platform::MakeColorRef(10, 120, 250));
    EXPECT_EQ(At(*canvas, 1, 2), back);
    EXPECT_EQ(At(*canvas, 2, 2), platform::MakeColorRef(255, 0, 1));
    EXPECT_EQ(At(*canvas, 3, 3), back);
    EXPECT_EQ(At(*canvas, 0, 0), back);
}

TEST(Icon, ADecompressionBombIsRefusedWhenDrawn) {
    ZAVO_NEEDS_TESTDATA();
    TIcon icon;
    icon.LoadFile(zavotest::TestData("pillow/ico/decompression_bomb.ico"));
    EXPECT_EQ(icon.Width(), 32);
    auto canvas = Backdrop(8, 8, 0);
    EXPECT_THROW_MSG(canvas->Canvas().DrawGraphic(0, 0, &icon), EOutOfResources, "システム リソースが足りません");
}

TEST(Icon, AnEmptyDirectoryDrawsNothing) {
    TIcon icon;
    Load(icon, {0, 0, 1, 0, 0, 0});
    auto canvas = Backdrop(8, 8, platform::MakeColorRef(9, 9, 9));
    canvas->Canvas().DrawGraphic(0, 0, &icon);
    EXPECT_EQ(At(*canvas, 7, 7), platform::MakeColorRef(9, 9, 9));
    EXPECT_EQ(icon.Width(), 32);
}

TEST(Icon, BrokenFilesAreRefusedWhenDrawn) {
    const std::vector<uint8_t> pillow = ReadWriterFile("pillow_32bit_nomask.ico");
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    for (const Case& c : {Case{"entry beyond the end", MonoIcon(8, 8, 8, 8, 1).with_u32_at(18, 5000).bytes},
                          Case{"entry size beyond the end", MonoIcon(8, 8, 8, 8, 1).with_u32_at(14, 0xFFFFFFF0).bytes},
                          Case{"directory cut inside its entry", MonoIcon(8, 8, 8, 8, 1).cut_to(30).bytes},
                          Case{"nine entries promised, none there", {0, 0, 1, 0, 9, 0, 16, 16}},
                          Case{"Pillow icon cut short", std::vector<uint8_t>(pillow.begin(), pillow.begin() + 600)}}) {
        SCOPED_TRACE(c.what);
        TIcon icon;
        Load(icon, c.bytes);
        auto canvas = Backdrop(8, 8, platform::MakeColorRef(9, 9, 9));
        EXPECT_THROW_MSG(canvas->Canvas().DrawGraphic(0, 0, &icon), EOutOfResources, "システム リソースが足りません");
        EXPECT_EQ(At(*canvas, 7, 7), platform::MakeColorRef(9, 9, 9));
    }
}

TEST(Icon, Pillow32BitEntryWithoutAndMaskDrawsByItsAlpha) {
    const std::vector<uint8_t> file = ReadWriterFile("pillow_32bit_nomask.ico");
    // The entry holds header and colour pixels only: 40 + 16 x 16 x 4 bytes.
    ASSERT_EQ(file.size(), 22u + 1064u);
    EXPECT_EQ(file[14] | file[15] << 8, 1064);
    TIcon icon;
    Load(icon, file);
    const platform::ColorRef back = platform::MakeColorRef(10, 200, 30);
    auto canvas = Backdrop(18, 18, back);
    canvas->Canvas().DrawGraphic(1, 1, &icon);
    const QImage source = zavotest::ReadReference(zavotest::OwnData("ico/source_16x16_alpha.png"));
    ASSERT_EQ(source.width(), 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
            const QRgb s = source.pixel(x, y);
            const platform::ColorRef c = At(*canvas, x + 1, y + 1);
            const int a = qAlpha(s);
            if (a == 255) {
                EXPECT_EQ(c, platform::MakeColorRef(qRed(s), qGreen(s), qBlue(s)));
            } else if (a == 0) {
                EXPECT_EQ(c, back);
            } else {
                // Partly transparent columns: the source over the backdrop, to rounding.
                auto blend = [a](int top, int bottom) { return (top * a + bottom * (255 - a)) / 255.0; };
                EXPECT_NEAR(platform::RedOf(c), blend(qRed(s), 10), 1.0);
                EXPECT_NEAR(platform::GreenOf(c), blend(qGreen(s), 200), 1.0);
                EXPECT_NEAR(platform::BlueOf(c), blend(qBlue(s), 30), 1.0);
            }
        }
    EXPECT_EQ(At(*canvas, 0, 0), back);
    EXPECT_EQ(At(*canvas, 17, 17), back);
}

TEST(Icon, A32BitEntryWithoutMaskOrAlphaIsOpaque) {
    BmpBytes b;
    b.u16(0).u16(1).u16(1).u8(2).u8(1).u8(0).u8(0).u16(1).u16(32).u32(48).u32(22);
    b.u32(40).u32(2).u32(2).u16(1).u16(32).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
    b.u32(0x00102030).u32(0x00000000);
    TIcon icon;
    Load(icon, b.bytes);
    auto canvas = Backdrop(2, 1, platform::MakeColorRef(9, 9, 9));
    canvas->Canvas().DrawGraphic(0, 0, &icon);
    EXPECT_EQ(At(*canvas, 0, 0), platform::MakeColorRef(0x10, 0x20, 0x30));
    EXPECT_EQ(At(*canvas, 1, 0), platform::MakeColorRef(0, 0, 0));
}

TEST(Icon, TypeZeroShowsTheStockApplicationIcon) {
    TIcon icon;
    Load(icon, {0, 0, 0, 0, 0, 0});
    ASSERT_NE(icon.Handle(), nullptr);
    EXPECT_EQ(icon.Width(), 32);
    auto canvas = Backdrop(32, 32, platform::MakeColorRef(0, 255, 0));
    canvas->Canvas().DrawGraphic(0, 0, &icon);
    EXPECT_EQ(At(*canvas, 0, 0), platform::MakeColorRef(0, 255, 0));
    EXPECT_EQ(At(*canvas, 16, 20), platform::MakeColorRef(255, 255, 255));
}

TEST(Icon, CopiesAndSavesTheFileAsRead) {
    std::vector<uint8_t> bytes = MonoIcon(8, 8, 8, 8, 0).bytes;
    TIcon icon;
    Load(icon, bytes);
    TIcon copy;
    copy.AssignFrom(&icon);
    EXPECT_FALSE(copy.IsEmpty());
    TMemoryStream saved;
    copy.SaveStream(saved);
    ASSERT_EQ(saved.Size(), static_cast<int64_t>(bytes.size()));
    EXPECT_EQ(0, std::memcmp(saved.Memory(), bytes.data(), bytes.size()));
    copy.AssignFrom(nullptr);
    EXPECT_TRUE(copy.IsEmpty());
    TBitmap bitmap;
    EXPECT_THROW_MSG(copy.AssignFrom(&bitmap), EConvertError, "TBitmap を TIcon に代入することはできません");
}

TEST(Icon, ImagesThatCannotBecomeAnIconAreOutOfResources) {
    // Planes 2, and a colour image without its mask.
    for (const BmpBytes& bad : {MonoIcon(8, 8, 8, 8, 1).with_u16_at(34, 2), MonoIcon(8, 8, 8, 8, 1).with_u32_at(14, 40 + 8 + 32)}) {
        TIcon icon;
        Load(icon, bad.bytes);
        auto canvas = Backdrop(8, 8, 0);
        EXPECT_THROW_MSG(canvas->Canvas().DrawGraphic(0, 0, &icon), EOutOfResources, "システム リソースが足りません");
    }
}

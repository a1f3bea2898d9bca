#include "codec/bmpreader.h"

#include "base/streams.h"
#include "codec/bmpbytes.h"
#include "support/testutil.h"

using namespace zavo;
using zavotest::BmpBytes;
using zavotest::Bmp24;

namespace {

struct Opened {
    explicit Opened(const BmpBytes& b) {
        stream.WriteBuffer(b.bytes.data(), static_cast<int64_t>(b.bytes.size()));
        stream.SetPosition(0);
    }
    BmpReader Read() { return BmpReader(stream, stream.Size()); }
    TMemoryStream stream;
};

BmpInfo InfoOf(const BmpBytes& b) {
    Opened o(b);
    return o.Read().Info();
}

void ExpectInvalid(const BmpBytes& b) {
    Opened o(b);
    EXPECT_THROW_MSG(o.Read(), EInvalidGraphic, "ビットマップイメージが不正です");
}

void ExpectShort(const BmpBytes& b) {
    Opened o(b);
    EXPECT_THROW_MSG(o.Read(), EReadError, "ストリームからの読み込みエラー");
}

// An 8-bit file with a three-colour table and a gap of gap bytes before the pixels.
BmpBytes Pal8WithGap(int w, int h, uint32_t gap) {
    const uint32_t row = static_cast<uint32_t>((w + 3) / 4 * 4);
    BmpBytes b = BmpBytes::Windows(w, h, 8, 0, 3, 54 + 12 + gap);
    b.u32(0x0000FF).u32(0x00FF00).u32(0xFF0000).fill(gap, 0xEE).fill(row * static_cast<uint32_t>(h), 2);
    return b;
}

}  // namespace

TEST(BmpHeaders, AnEmptyFileIsAnEmptyBitmap) {
    Opened o(BmpBytes{});
    EXPECT_TRUE(o.Read().IsEmpty());
}

TEST(BmpHeaders, RefusesWhatIsNoBitmap) {
    ExpectInvalid(Bmp24(2, 2).with_u16_at(0, 0xD8FF));
    ExpectInvalid(Bmp24(2, 2).with_u16_at(26, 2));
    ExpectInvalid(Bmp24(2, 2).with_u16_at(26, 0));
    ExpectShort(Bmp24(2, 2).cut_to(13));
}

TEST(BmpHeaders, RefusesHeaderSizesWithUnknownLayout) {
    for (uint32_t size : {0u, 4u, 11u, 13u, 20u, 39u, 41u, 48u, 66u, 100u, 0xFFFFFFFFu})
        ExpectInvalid(Bmp24(2, 2).with_u32_at(14, size));
}

TEST(BmpHeaders, RefusesAHeaderCutShortByTheEndOfTheFile) {
    ExpectInvalid(Bmp24(2, 2).cut_to(16));
    ExpectInvalid(Bmp24(2, 2).cut_to(53));
}

TEST(BmpHeaders, ReadsWindowsHeaderFields) {
    BmpInfo info = InfoOf(Bmp24(5, -3));
    EXPECT_EQ(info.header.size, 40u);
    EXPECT_FALSE(info.os2Core);
    EXPECT_EQ(info.header.width, 5);
    EXPECT_EQ(info.header.height, -3);
    EXPECT_EQ(info.header.bitCount, 24);
    EXPECT_EQ(info.header.xPelsPerMeter, 2835);
    EXPECT_EQ(info.ColorCount(), 0);
}

TEST(BmpHeaders, ReadsTheOs2CoreHeaderWithThreeByteColours) {
    BmpBytes b;
    b.u16(0x4D42).u32(0).u32(0).u32(26 + 6).u32(12).u16(3).u16(2).u16(1).u16(1);
    b.u8(1).u8(2).u8(3).u8(4).u8(5).u8(6).fill(8, 0x80);
    BmpInfo info = InfoOf(b);
    EXPECT_TRUE(info.os2Core);
    EXPECT_EQ(info.header.width, 3);
    EXPECT_EQ(info.header.height, 2);
    ASSERT_EQ(info.ColorCount(), 2);
    EXPECT_EQ(info.colorTable, (std::vector<uint8_t>{1, 2, 3, 0, 4, 5, 6, 0}));
}

TEST(BmpHeaders, ReadsShortAndFullOs2Version2Headers) {
    BmpBytes shortHeader;
    shortHeader.u16(0x4D42).u32(0).u32(0).u32(30 + 1024).u32(16).u32(4).u32(2).u16(1).u16(8);
    shortHeader.fill(1024, 0x40).fill(8, 1);
    BmpInfo info = InfoOf(shortHeader);
    EXPECT_TRUE(info.os2Extended);
    EXPECT_EQ(info.header.compression, 0u);
    EXPECT_EQ(info.ColorCount(), 256);
    EXPECT_FALSE(info.hasMasks);

    BmpBytes full = BmpBytes::Windows(4, 2, 8, 0, 2, 14 + 64 + 8);
    full.put_u32(14, 64);
    full.fill(24, 0x77).u32(0xFFFFFF).u32(0).fill(8, 1);
    info = InfoOf(full);
    EXPECT_TRUE(info.os2Extended);
    EXPECT_EQ(info.ColorCount(), 2);
    EXPECT_FALSE(info.hasMasks);
}

TEST(BmpHeaders, ReadsMasksBehindA40ByteHeaderAndInsideLongerOnes) {
    BmpBytes b = BmpBytes::Windows(2, 1, 16, 3, 0, 66);
    b.u32(0xF800).u32(0x07E0).u32(0x001F).fill(4, 0);
    Opened o(b);
    BmpReader r = o.Read();
    EXPECT_TRUE(r.Info().hasMasks);
    EXPECT_EQ(r.Info().masks[1], 0x07E0u);
    EXPECT_EQ(r.PixelBytes(), 4);

    BmpBytes v4 = BmpBytes::Windows(2, 1, 32, 3, 0, 14 + 108);
    v4.put_u32(14, 108);
    v4.u32(0xFF0000).u32(0xFF00).u32(0xFF).fill(108 - 52, 0).fill(8, 9);
    BmpInfo info = InfoOf(v4);
    EXPECT_TRUE(info.hasMasks);
    EXPECT_EQ(info.masks[0], 0xFF0000u);
    EXPECT_EQ(info.masks[2], 0xFFu);

    ExpectShort(BmpBytes::Windows(2, 1, 32, 3, 0, 66).u32(1));
}

TEST(BmpHeaders, RefusesMoreColoursThanTheTableHolds) {
    ExpectInvalid(Pal8WithGap(4, 1, 0).with_u32_at(46, 257));
    ExpectInvalid(Pal8WithGap(4, 1, 0).with_u32_at(46, 0x12345678));
    EXPECT_EQ(InfoOf(Pal8WithGap(4, 1, 0)).ColorCount(), 3);
}

TEST(BmpHeaders, AColourTableCutShortIsAReadError) {
    ExpectShort(Pal8WithGap(4, 1, 0).cut_to(54 + 10));
    ExpectShort(Pal8WithGap(4, 1, 0).with_u32_at(46, 0).cut_to(54 + 1000));
}

TEST(BmpHeaders, PixelsStartAtTheOffsetWhenItLiesBehindTheTableInsideTheFile) {
    Opened o(Pal8WithGap(4, 2, 20));
    BmpReader r = o.Read();
    uint8_t first = 0;
    r.PixelSource().ReadBuffer(&first, 1);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(r.PixelBytes(), 8);
}

TEST(BmpHeaders, ABogusOffsetLeavesThePixelsBehindTheTable) {
    for (uint32_t offset : {0u, 60u, 5000u}) {
        Opened o(Pal8WithGap(4, 2, 0).with_u32_at(10, offset));
        BmpReader r = o.Read();
        EXPECT_EQ(r.PixelSource().Position(), 66);
        EXPECT_EQ(r.PixelBytes(), 8);
    }
}

TEST(BmpHeaders, PixelBytesNeverExceedWhatTheFileHolds) {
    EXPECT_EQ(Opened(Bmp24(3, 2)).Read().PixelBytes(), 24);
    EXPECT_EQ(Opened(Bmp24(3, 2).cut_to(60)).Read().PixelBytes(), 6);
    EXPECT_EQ(Opened(Bmp24(3, 2).with_u32_at(34, 0x7FFFFFFF)).Read().PixelBytes(), 24);
    EXPECT_EQ(Opened(Bmp24(3, 2).with_u32_at(34, 5)).Read().PixelBytes(), 5);
    // Width x bits x height beyond 64 bits counts as more than the file holds, not as a wrapped value.
    EXPECT_EQ(Opened(Bmp24(3, 2).with_u32_at(18, 0x7FFFFFFF).with_u32_at(22, 0x7FFFFFFF).with_u16_at(28, 0x8000))
                  .Read()
                  .PixelBytes(),
              24);
    BmpBytes longer = Bmp24(3, 2);
    longer.fill(100, 0);
    EXPECT_EQ(Opened(longer).Read().PixelBytes(), 24);
}

TEST(BmpHeaders, CompressedFilesAreCopiedWholeIntoTheSavedStream) {
    BmpBytes b = BmpBytes::Windows(4, 1, 8, 1, 2, 62, 4);
    b.u32(0).u32(0xFFFFFF).u8(4).u8(1).u8(0).u8(1).fill(3, 0);
    Opened o(b);
    BmpReader r = o.Read();
    ASSERT_TRUE(r.IsCompressed());
    EXPECT_EQ(r.PixelBytes(), 4);
    uint8_t run[2];
    r.PixelSource().ReadBuffer(run, 2);
    EXPECT_EQ(run[0], 4);
    auto saved = r.TakeSavedStream();
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->Size(), static_cast<int64_t>(b.bytes.size()));
    EXPECT_EQ(0, std::memcmp(saved->Memory(), b.bytes.data(), b.bytes.size()));
}

#include "platform/dibimage.h"

#include "platform/recordreader.h"
#include "support/metafilebuilder.h"
#include "support/testutil.h"

using namespace zavo;
using namespace zavo::platform;
using zavotest::PutU16;
using zavotest::PutU32;

namespace {

std::vector<uint8_t> InfoHeader(int32_t width, int32_t height, int bits, uint32_t compression = 0, uint32_t colors = 0) {
    std::vector<uint8_t> h;
    PutU32(h, 40);
    PutU32(h, static_cast<uint32_t>(width));
    PutU32(h, static_cast<uint32_t>(height));
    PutU16(h, 1);
    PutU16(h, static_cast<uint32_t>(bits));
    PutU32(h, compression);
    for (int i = 0; i < 3; ++i) PutU32(h, 0);
    PutU32(h, colors);
    PutU32(h, 0);
    return h;
}

void Append(std::vector<uint8_t>& to, std::initializer_list<uint8_t> bytes) { to.insert(to.end(), bytes); }

}  // namespace

TEST(DibImage, DecodesPalettedRowsBottomUp) {
    std::vector<uint8_t> dib = InfoHeader(3, 2, 4, 0, 2);
    Append(dib, {0, 0, 255, 0, 255, 0, 0, 0});        // red, blue
    Append(dib, {0x10, 0x10, 0, 0});                  // bottom row: blue red blue
    Append(dib, {0x01, 0x00, 0, 0});                  // top row: red blue red
    DecodedDib d = DecodePackedDib(dib);
    EXPECT_TRUE(d.bottomUp);
    ASSERT_EQ(d.image.size(), QSize(3, 2));
    EXPECT_EQ(d.image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(d.image.pixel(1, 0), qRgb(0, 0, 255));
    EXPECT_EQ(d.image.pixel(0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(d.image.pixel(2, 1), qRgb(0, 0, 255));
}

TEST(DibImage, DecodesOneBitAndCoreHeaders) {
    std::vector<uint8_t> dib;
    PutU32(dib, 12);
    PutU16(dib, 9);
    PutU16(dib, 1);
    PutU16(dib, 1);
    PutU16(dib, 1);
    Append(dib, {0, 0, 0, 255, 255, 255});  // black, white (3-byte entries)
    Append(dib, {0x80, 0x80, 0, 0});         // pixels 0 and 8 white
    DecodedDib d = DecodePackedDib(dib);
    EXPECT_EQ(d.image.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(d.image.pixel(1, 0), qRgb(0, 0, 0));
    EXPECT_EQ(d.image.pixel(8, 0), qRgb(255, 255, 255));
}

TEST(DibImage, DecodesSixteenAndThirtyTwoBitsWithAndWithoutMasks) {
    std::vector<uint8_t> plain16 = InfoHeader(1, -1, 16);
    Append(plain16, {0x00, 0x7C, 0, 0});  // 5-5-5 red
    DecodedDib d16 = DecodePackedDib(plain16);
    EXPECT_FALSE(d16.bottomUp);
    EXPECT_EQ(d16.image.pixel(0, 0), qRgb(255, 0, 0));

    std::vector<uint8_t> masked16 = InfoHeader(1, 1, 16, 3);
    for (uint32_t m : {0xF800u, 0x07E0u, 0x001Fu}) PutU32(masked16, m);
    Append(masked16, {0xE0, 0x07, 0, 0});  // 5-6-5 green
    EXPECT_EQ(DecodePackedDib(masked16).image.pixel(0, 0), qRgb(0, 255, 0));

    std::vector<uint8_t> plain32 = InfoHeader(1, 1, 32);
    Append(plain32, {10, 20, 30, 0});
    EXPECT_EQ(DecodePackedDib(plain32).image.pixel(0, 0), qRgb(30, 20, 10));

    std::vector<uint8_t> info24 = InfoHeader(2, 1, 24);
    std::vector<uint8_t> bits24 = {1, 2, 3, 4, 5, 6, 0, 0};
    DecodedDib d24 = DecodeDib(info24, bits24);
    EXPECT_EQ(d24.image.pixel(1, 0), qRgb(6, 5, 4));
}

TEST(DibImage, RefusesWhatItCannotReadWithinTheBytes) {
    // Each refused header differs from one that decodes by the one flaw named.
    std::vector<uint8_t> rgb = InfoHeader(4, 4, 24);
    rgb.resize(rgb.size() + 4 * 12);
    EXPECT_NO_THROW(DecodePackedDib(rgb));
    rgb.pop_back();
    EXPECT_THROW(DecodePackedDib(rgb), MalformedRecord);  // pixels cut short
    const auto paletted = [](int32_t width, int32_t height, int bits, uint32_t compression, uint32_t colours) {
        std::vector<uint8_t> dib = InfoHeader(width, height, bits, compression, colours);
        for (uint32_t i = 0; i < colours; ++i) PutU32(dib, 0x00FF0000);
        // One row of four bytes, or one run-length pixel of colour 0 and the end of the picture.
        Append(dib, {1, 0, 0, 1});
        return dib;
    };
    EXPECT_NO_THROW(DecodePackedDib(paletted(1, 1, 1, 0, 2)));
    EXPECT_THROW(DecodePackedDib(paletted(1, 1, 2, 0, 2)), MalformedRecord);   // no such depth
    EXPECT_THROW(DecodePackedDib(paletted(0, 1, 1, 0, 2)), MalformedRecord);   // no columns
    EXPECT_NO_THROW(DecodePackedDib(paletted(1, 1, 8, 1, 1)));
    EXPECT_THROW(DecodePackedDib(paletted(1, 1, 8, 1, 0)), MalformedRecord);   // 256 colours implied, none there
    EXPECT_THROW(DecodePackedDib(paletted(1, 1, 24, 1, 1)), MalformedRecord);  // run-length 24 bits
    EXPECT_THROW(DecodePackedDib(paletted(1, -1, 8, 1, 1)), MalformedRecord);  // run-length rows top-down
    std::vector<uint8_t> tiny = {12, 0, 0};
    EXPECT_THROW(DecodePackedDib(tiny), MalformedRecord);
    EXPECT_THROW_MSG(DecodePackedDib(InfoHeader(70000, -70000, 32)), EOutOfResources, "システム リソースが足りません");
}

#include "platform/rledecoder.h"

#include <cstring>
#include <vector>

#include "support/testutil.h"

using namespace zavo::platform;

namespace {

// A surface of w x h pixels inside a larger buffer, with guard bytes around it that must survive.
struct Canvas {
    Canvas(int w, int h) : width(w), height(h), memory(static_cast<size_t>(w * h * 4 + 64), 0xAA) {
        std::memset(memory.data() + 32, 0x11, static_cast<size_t>(w * h * 4));
    }
    RleTarget Target() { return {memory.data() + 32, width, height, width * 4}; }
    // Colour of pixel x, y counted from the top.
    uint32_t At(int x, int y) const {
        uint32_t v;
        std::memcpy(&v, memory.data() + 32 + (y * width + x) * 4, 4);
        return v;
    }
    bool GuardsIntact() const {
        for (size_t i = 0; i < 32; ++i)
            if (memory[i] != 0xAA || memory[memory.size() - 1 - i] != 0xAA) return false;
        return true;
    }
    int width, height;
    std::vector<uint8_t> memory;
};

const uint32_t kColors[] = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
constexpr uint32_t kUntouched = 0x11111111;

RleResult Decode(Canvas& c, std::vector<uint8_t> data, RleKind kind) {
    return DecodeRle(data, kind, kColors, c.Target());
}

}  // namespace

TEST(RleDecoder, Rle8RunsAndAbsoluteRunsFillRowsFromTheBottom) {
    Canvas c(4, 2);
    // Bottom row: one of 1, then absolute 2 3 4 (padded); EOL; top row: four of 4; EOB.
    EXPECT_EQ(Decode(c, {1, 1, 0, 3, 2, 3, 4, 0, 0, 0, 4, 4, 0, 1}, RleKind::Rle8), RleResult::Complete);
    EXPECT_EQ(c.At(0, 1), 0xFF0000u);
    EXPECT_EQ(c.At(1, 1), 0x00FF00u);
    EXPECT_EQ(c.At(2, 1), 0x0000FFu);
    EXPECT_EQ(c.At(3, 1), 0xFFFFFFu);
    EXPECT_EQ(c.At(0, 0), 0xFFFFFFu);
    EXPECT_EQ(c.At(3, 0), 0xFFFFFFu);
    EXPECT_TRUE(c.GuardsIntact());
}

TEST(RleDecoder, Rle4AlternatesTheTwoNibbles) {
    Canvas c(5, 1);
    // Run of 3 alternating 1 and 2, then absolute 3 nibbles 3 4 0 (two bytes, padded to four).
    EXPECT_EQ(Decode(c, {3, 0x12, 0, 3, 0x34, 0x00, 0, 0, 0, 1}, RleKind::Rle4), RleResult::Overrun);
    Canvas d(6, 1);
    EXPECT_EQ(Decode(d, {3, 0x12, 0, 3, 0x34, 0x00, 0, 0, 0, 1}, RleKind::Rle4), RleResult::Complete);
    EXPECT_EQ(d.At(0, 0), 0xFF0000u);
    EXPECT_EQ(d.At(1, 0), 0x00FF00u);
    EXPECT_EQ(d.At(2, 0), 0xFF0000u);
    EXPECT_EQ(d.At(3, 0), 0x0000FFu);
    EXPECT_EQ(d.At(4, 0), 0xFFFFFFu);
    EXPECT_EQ(d.At(5, 0), 0x000000u);
}

TEST(RleDecoder, DeltaSkipsPixelsAndIndicesBeyondTheTableAreBlack) {
    Canvas c(4, 3);
    EXPECT_EQ(Decode(c, {0, 2, 1, 1, 1, 200, 0, 1}, RleKind::Rle8), RleResult::Complete);
    EXPECT_EQ(c.At(0, 2), kUntouched);
    EXPECT_EQ(c.At(1, 1), 0x000000u);
    EXPECT_EQ(c.At(2, 1), kUntouched);
    EXPECT_EQ(c.At(0, 0), kUntouched);
    // A delta that ends exactly at the row end stays inside the picture.
    Canvas d(4, 2);
    EXPECT_EQ(Decode(d, {1, 1, 0, 2, 3, 0, 0, 0, 1, 2, 0, 1}, RleKind::Rle8), RleResult::Complete);
    EXPECT_EQ(d.At(0, 1), 0xFF0000u);
    EXPECT_EQ(d.At(3, 1), kUntouched);
    EXPECT_EQ(d.At(0, 0), 0x00FF00u);
    EXPECT_EQ(d.At(1, 0), kUntouched);
    EXPECT_TRUE(d.GuardsIntact());
}

TEST(RleDecoder, PixelsPastTheRowEndAreDroppedAndDecodingGoesOn) {
    struct Case {
        const char* what;
        RleKind kind;
        std::vector<uint8_t> data;
        std::vector<uint32_t> bottom, top;  // expected rows of a 4 x 2 canvas
    };
    const uint32_t r = 0xFF0000, g = 0x00FF00, b = 0x0000FF, w = 0xFFFFFF, u = kUntouched;
    for (const Case& c : {
             Case{"run of 5 on a row of 4", RleKind::Rle8, {5, 1, 0, 0, 2, 2, 0, 1}, {r, r, r, r}, {g, g, u, u}},
             Case{"absolute run past the end", RleKind::Rle8, {3, 1, 0, 3, 2, 3, 4, 0, 0, 0, 1, 4, 0, 1},
                  {r, r, r, g}, {w, u, u, u}},
             Case{"delta past the end", RleKind::Rle8, {1, 2, 0, 2, 9, 0, 1, 3, 0, 0, 1, 3, 0, 1}, {g, u, u, u},
                  {b, u, u, u}},
             Case{"delta past the end and up", RleKind::Rle8, {0, 2, 9, 1, 2, 4, 0, 1}, {u, u, u, u}, {u, u, u, u}},
             Case{"nibble run of 6", RleKind::Rle4, {6, 0x12, 0, 0, 1, 0x30, 0, 1}, {r, g, r, g}, {b, u, u, u}},
             Case{"absolute nibbles past the end", RleKind::Rle4, {0, 5, 0x12, 0x34, 0x10, 0, 0, 0, 1, 0x40, 0, 1},
                  {r, g, b, w}, {w, u, u, u}}}) {
        SCOPED_TRACE(c.what);
        Canvas canvas(4, 2);
        EXPECT_EQ(Decode(canvas, c.data, c.kind), RleResult::Overrun);
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(canvas.At(x, 1), c.bottom[static_cast<size_t>(x)]) << x;
            EXPECT_EQ(canvas.At(x, 0), c.top[static_cast<size_t>(x)]) << x;
        }
        EXPECT_TRUE(canvas.GuardsIntact());
    }
}

TEST(RleDecoder, OverlongRowsOfHostileDataStayWithinTheSurface) {
    // 64 KB of maximal runs and absolute runs on one row of a small surface.
    std::vector<uint8_t> data;
    while (data.size() < 65536) {
        data.insert(data.end(), {255, 1, 0, 254});
        data.insert(data.end(), 254, 2);
    }
    Canvas c(3, 2);
    EXPECT_EQ(Decode(c, data, RleKind::Rle8), RleResult::DataEnded);
    EXPECT_EQ(c.At(2, 1), 0xFF0000u);
    EXPECT_EQ(c.At(0, 0), kUntouched);
    EXPECT_TRUE(c.GuardsIntact());
}

TEST(RleDecoder, RowsBeyondTheTopAndDataAfterTheLastRowAreIgnored) {
    Canvas c(2, 2);
    EXPECT_EQ(Decode(c, {2, 1, 0, 0, 2, 2, 0, 0, 2, 3, 0, 0, 2, 3}, RleKind::Rle8), RleResult::Complete);
    EXPECT_EQ(c.At(0, 0), 0x00FF00u);
    EXPECT_TRUE(c.GuardsIntact());
    Canvas d(2, 2);
    EXPECT_EQ(Decode(d, {0, 2, 0, 9, 2, 1}, RleKind::Rle8), RleResult::Complete);
    EXPECT_EQ(d.At(0, 0), kUntouched);
}

TEST(RleDecoder, DataEndingEarlyKeepsWhatWasDecoded) {
    Canvas c(4, 2);
    EXPECT_EQ(Decode(c, {2, 1, 0}, RleKind::Rle8), RleResult::DataEnded);
    EXPECT_EQ(c.At(1, 1), 0xFF0000u);
    EXPECT_EQ(c.At(2, 1), kUntouched);
    Canvas d(8, 1);
    // Absolute run of 6 with only 3 bytes present.
    EXPECT_EQ(Decode(d, {0, 6, 1, 2, 3}, RleKind::Rle8), RleResult::DataEnded);
    EXPECT_EQ(d.At(2, 0), 0x0000FFu);
    EXPECT_EQ(d.At(3, 0), kUntouched);
    Canvas e(8, 1);
    EXPECT_EQ(Decode(e, {0, 2, 1}, RleKind::Rle8), RleResult::DataEnded);
    EXPECT_EQ(Decode(e, {}, RleKind::Rle4), RleResult::DataEnded);
    EXPECT_TRUE(e.GuardsIntact());
}

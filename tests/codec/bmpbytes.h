// Builds small bitmap files in memory for the reader tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace zavotest {

struct BmpBytes {
    std::vector<uint8_t> bytes;

    BmpBytes& u8(uint8_t v) { bytes.push_back(v); return *this; }
    BmpBytes& u16(uint16_t v) { return u8(static_cast<uint8_t>(v)).u8(static_cast<uint8_t>(v >> 8)); }
    BmpBytes& u32(uint32_t v) { return u16(static_cast<uint16_t>(v)).u16(static_cast<uint16_t>(v >> 16)); }
    BmpBytes& fill(size_t n, uint8_t v) { bytes.insert(bytes.end(), n, v); return *this; }
    BmpBytes& put_u16(size_t at, uint16_t v) { bytes[at] = static_cast<uint8_t>(v); bytes[at + 1] = static_cast<uint8_t>(v >> 8); return *this; }
    BmpBytes& put_u32(size_t at, uint32_t v) { put_u16(at, static_cast<uint16_t>(v)); return put_u16(at + 2, static_cast<uint16_t>(v >> 16)); }
    BmpBytes& cut(size_t n) { bytes.resize(n); return *this; }
    BmpBytes with_u16_at(size_t at, uint16_t v) const { BmpBytes b = *this; b.put_u16(at, v); return b; }
    BmpBytes with_u32_at(size_t at, uint32_t v) const { BmpBytes b = *this; b.put_u32(at, v); return b; }
    BmpBytes cut_to(size_t n) const { BmpBytes b = *this; b.cut(n); return b; }

    // File header with the pixel offset, then a 40-byte info header.
    static BmpBytes Windows(int32_t w, int32_t h, uint16_t bits, uint32_t compression, uint32_t colors,
                            uint32_t pixelOffset, uint32_t sizeImage = 0) {
        BmpBytes b;
        b.u16(0x4D42).u32(0).u32(0).u32(pixelOffset);
        b.u32(40).u32(static_cast<uint32_t>(w)).u32(static_cast<uint32_t>(h)).u16(1).u16(bits).u32(compression)
            .u32(sizeImage).u32(2835).u32(2835).u32(colors).u32(colors);
        return b;
    }
};

// A 24-bit picture w x h, bottom-up, pixel (x, y from the top) = blue x, green y, red 7.
inline BmpBytes Bmp24(int w, int h) {
    const uint32_t row = static_cast<uint32_t>((w * 24 + 31) / 32 * 4);
    BmpBytes b = BmpBytes::Windows(w, h, 24, 0, 0, 54);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) b.u8(static_cast<uint8_t>(x)).u8(static_cast<uint8_t>(y)).u8(7);
        b.fill(row - static_cast<uint32_t>(w) * 3, 0);
    }
    b.put_u32(2, static_cast<uint32_t>(b.bytes.size()));
    return b;
}

}  // namespace zavotest

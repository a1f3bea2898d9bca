// Row converters between a surface's pixel format and rows of 0x00RRGGBB values. Each decoder or
// encoder picks the loop for its format once; the loops then run over whole rows.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/pixelconvert.h"
#include "platform/surface.h"

namespace zavo::platform {

class RowDecoder {
public:
    // A monochrome surface decodes its 0 bits to colors.text and its 1 bits to colors.background.
    RowDecoder(const Surface& surface, const MonoColors& colors);
    // Decodes count pixels of row starting at pixel x.
    void Decode(const uint8_t* row, int x, int count, uint32_t* out) const { fn_(*this, row, x, count, out); }

private:
    using Fn = void (*)(const RowDecoder&, const uint8_t*, int, int, uint32_t*);
    static void Mono1(const RowDecoder&, const uint8_t*, int, int, uint32_t*);
    static void Index4(const RowDecoder&, const uint8_t*, int, int, uint32_t*);
    static void Index8(const RowDecoder&, const uint8_t*, int, int, uint32_t*);
    static void Masked16(const RowDecoder&, const uint8_t*, int, int, uint32_t*);
    static void Rgb24(const RowDecoder&, const uint8_t*, int, int, uint32_t*);
    static void Bgrx32(const RowDecoder&, const uint8_t*, int, int, uint32_t*);
    static void Masked32(const RowDecoder&, const uint8_t*, int, int, uint32_t*);

    Fn fn_;
    uint32_t lut_[256] = {};
    std::vector<uint32_t> lut16_;
    uint32_t masks_[3] = {0, 0, 0};
};

class RowEncoder {
public:
    // A monochrome target gets 1 bits where the pixel equals colors.sourceBackground; targets with a
    // colour table get the nearest entry.
    RowEncoder(Surface& surface, const MonoColors& colors);
    void Encode(uint8_t* row, int x, int count, const uint32_t* in) { fn_(*this, row, x, count, in); }

private:
    using Fn = void (*)(RowEncoder&, uint8_t*, int, int, const uint32_t*);
    static void Mono1(RowEncoder&, uint8_t*, int, int, const uint32_t*);
    static void Index1(RowEncoder&, uint8_t*, int, int, const uint32_t*);
    static void Index4(RowEncoder&, uint8_t*, int, int, const uint32_t*);
    static void Index8(RowEncoder&, uint8_t*, int, int, const uint32_t*);
    static void Masked16(RowEncoder&, uint8_t*, int, int, const uint32_t*);
    static void Rgb24(RowEncoder&, uint8_t*, int, int, const uint32_t*);
    static void Bgrx32(RowEncoder&, uint8_t*, int, int, const uint32_t*);
    static void Masked32(RowEncoder&, uint8_t*, int, int, const uint32_t*);

    // Index of the table entry nearest to the colour: exact colours through a small hash, others
    // through a cache over 15-bit colours filled on demand.
    uint8_t Nearest(uint32_t pixel);
    uint8_t Search(uint32_t pixel) const;

    Fn fn_;
    uint32_t key_ = 0;
    std::vector<uint32_t> table_;
    std::vector<uint32_t> hashKeys_;
    std::vector<uint8_t> hashValues_;
    std::vector<int16_t> cache_;
    uint32_t red_[256] = {};
    uint32_t green_[256] = {};
    uint32_t blue_[256] = {};
};

// A direct row loop for the frequent plain copies (24 to 32 bits, 32 to 24 bits, 8-bit palette to
// 32 bits); not valid for other pairs.
class DirectRowConverter {
public:
    DirectRowConverter(const Surface& target, const Surface& source);
    explicit operator bool() const { return fn_ != nullptr; }
    void operator()(uint8_t* dst, int dx, const uint8_t* src, int sx, int count) const {
        fn_(*this, dst, dx, src, sx, count);
    }

private:
    using Fn = void (*)(const DirectRowConverter&, uint8_t*, int, const uint8_t*, int, int);
    static void Rgb24ToBgrx32(const DirectRowConverter&, uint8_t*, int, const uint8_t*, int, int);
    static void Bgrx32ToRgb24(const DirectRowConverter&, uint8_t*, int, const uint8_t*, int, int);
    static void Index8ToBgrx32(const DirectRowConverter&, uint8_t*, int, const uint8_t*, int, int);

    Fn fn_ = nullptr;
    uint32_t lut_[256] = {};
};

}  // namespace zavo::platform

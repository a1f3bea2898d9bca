// Widening and narrowing of colour channels held under a bit mask, shared by single-pixel access and
// the row converters so that both give the same values.
#pragma once

#include <cstdint>

namespace zavo::platform {

constexpr int MaskShift(uint32_t mask) { return mask ? __builtin_ctz(mask) : 0; }

// The channel under mask, scaled to 0..255 with rounding.
constexpr uint8_t ExpandChannel(uint32_t pixel, uint32_t mask) {
    if (!mask) return 0;
    int shift = MaskShift(mask);
    uint64_t max = mask >> shift;
    uint64_t v = (pixel & mask) >> shift;
    return static_cast<uint8_t>((v * 255 + max / 2) / max);
}

// An 8-bit value scaled to the channel under mask and put in place.
constexpr uint32_t PackChannel(uint8_t value, uint32_t mask) {
    if (!mask) return 0;
    int shift = MaskShift(mask);
    uint64_t max = mask >> shift;
    return static_cast<uint32_t>((value * max + 127) / 255) << shift & mask;
}

// Pixels travel between the converters as 0x00RRGGBB (blue in the low byte, as in memory).
constexpr uint32_t Bgrx(uint8_t red, uint8_t green, uint8_t blue) {
    return static_cast<uint32_t>(red) << 16 | static_cast<uint32_t>(green) << 8 | blue;
}
constexpr uint32_t BgrxFromColorRef(uint32_t c) { return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); }

}  // namespace zavo::platform

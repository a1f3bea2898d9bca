// Overflow-safe arithmetic for sizes and offsets that come from untrusted data. Every helper works
// in 64 bits and reports an overflow or a negative operand instead of wrapping.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>

namespace zavo {

// True when the range [offset, offset + length) lies inside [0, total).
constexpr bool Fits(int64_t offset, int64_t length, int64_t total) {
    return offset >= 0 && length >= 0 && total >= 0 && offset <= total && length <= total - offset;
}

constexpr bool Fits(uint64_t offset, uint64_t length, uint64_t total) {
    return offset <= total && length <= total - offset;
}

constexpr std::optional<int64_t> CheckedAdd(int64_t a, int64_t b) {
    int64_t r = 0;
    if (__builtin_add_overflow(a, b, &r)) return std::nullopt;
    return r;
}

constexpr std::optional<int64_t> CheckedMul(int64_t a, int64_t b) {
    int64_t r = 0;
    if (__builtin_mul_overflow(a, b, &r)) return std::nullopt;
    return r;
}

// Bytes in one row of a device-independent bitmap: width * bits rounded up to 32 bits, in bytes.
// None for a negative operand or an overflow.
constexpr std::optional<int64_t> DibRowSize(int64_t width, int64_t bitsPerPixel) {
    if (width < 0 || bitsPerPixel < 0) return std::nullopt;
    auto bits = CheckedMul(width, bitsPerPixel);
    if (!bits || *bits > std::numeric_limits<int64_t>::max() - 31) return std::nullopt;
    return (*bits + 31) / 32 * 4;
}

// Bytes of pixel memory for a device-independent bitmap; height may be negative (top-down).
constexpr std::optional<int64_t> DibImageSize(int64_t width, int64_t height, int64_t bitsPerPixel) {
    auto row = DibRowSize(width, bitsPerPixel);
    if (!row || height == std::numeric_limits<int64_t>::min()) return std::nullopt;
    return CheckedMul(*row, height < 0 ? -height : height);
}

}  // namespace zavo

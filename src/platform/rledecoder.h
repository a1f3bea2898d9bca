// Decoding of run-length encoded bitmap pixels (4 and 8 bits per pixel) into a 32-bit surface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace zavo::platform {

enum class RleKind { Rle4, Rle8 };

// A 32-bit blue-green-red-unused surface with rows top-down in memory.
struct RleTarget {
    uint8_t* pixels;
    int width;
    int height;
    ptrdiff_t stride;
};

enum class RleResult {
    Complete,  // end-of-bitmap code, or every row reached
    DataEnded, // the data ran out first; the rows decoded so far stand
    Overrun,   // as Complete, but runs or moves reached past a row end and what lay past it was dropped
};

// Decodes data (rows bottom-up, as stored in the file) into target. Index i takes colours[i]
// (0x00RRGGBB); an index beyond the table gives black. Pixels the data skips or never reaches are
// left as they are; pixels past the end of their row are dropped and decoding goes on, as writers
// pad odd-width rows with them. Never writes outside target and never reads outside data; the work
// is bounded by the data's size and the target's size.
RleResult DecodeRle(std::span<const uint8_t> data, RleKind kind, std::span<const uint32_t> colours,
                    const RleTarget& target);

}  // namespace zavo::platform

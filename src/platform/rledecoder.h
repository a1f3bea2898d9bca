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
    Overrun,   // a run or a move left the surface; decoding stopped there
};

// Decodes data (rows bottom-up, as stored in the file) into target. Index i takes colours[i]
// (0x00RRGGBB); an index beyond the table gives black. Pixels the data skips or never reaches are
// left as they are. Never writes outside target and never reads outside data.
RleResult DecodeRle(std::span<const uint8_t> data, RleKind kind, std::span<const uint32_t> colours,
                    const RleTarget& target);

}  // namespace zavo::platform

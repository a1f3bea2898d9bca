// Decoding of PNG data (the image of a modern icon entry) into 32-bit pixels with alpha.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace zavo::platform {

// Pixels top-down, 4 bytes each: blue, green, red, alpha (not premultiplied).
struct RgbaPixels {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bgra;
};

// True when bytes start with the PNG signature.
bool IsPng(std::span<const uint8_t> bytes);

// Decodes bytes; none when they are no PNG image, or when its pixels would take more than
// maxBytes (judged from the image header before anything is decoded).
std::optional<RgbaPixels> DecodePng(std::span<const uint8_t> bytes, int64_t maxBytes);

}  // namespace zavo::platform

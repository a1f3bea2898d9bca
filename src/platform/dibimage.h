// Device-independent bitmaps found inside metafile records, decoded into 32-bit images.
#pragma once

#include <QImage>
#include <cstdint>
#include <span>

namespace zavo::platform {

struct DecodedDib {
    QImage image;  // Format_RGB32, rows top-down
    bool bottomUp = true;
};

// Decodes a bitmap from its info header (with colour table or masks) and its pixel bytes. Header
// forms: the 12-byte core header and the 40-byte or longer info header; 1, 4, 8, 16, 24 and 32 bits
// per pixel, uncompressed or with bit fields. Raises MalformedRecord for anything else or for pixel
// bytes that fall short, and EOutOfResources for a bitmap whose pixel memory would be too large.
// With keepAlpha, a 32-bit bitmap keeps its fourth byte as premultiplied alpha.
DecodedDib DecodeDib(std::span<const uint8_t> info, std::span<const uint8_t> bits, bool keepAlpha = false);

// The same for a bitmap whose pixels follow its colour table directly in one block.
DecodedDib DecodePackedDib(std::span<const uint8_t> packed);

}  // namespace zavo::platform

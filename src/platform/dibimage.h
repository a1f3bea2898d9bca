// Device-independent bitmaps found inside metafile records, decoded into 32-bit images.
#pragma once

#include <QImage>
#include <cstdint>
#include <functional>
#include <span>

namespace zavo::platform {

// Told the pixel count of a bitmap before it is decoded.
using DecodeCharge = std::function<void(int64_t pixels)>;

struct DecodedDib {
    QImage image;  // rows top-down; Format_RGB32 unless it has transparent pixels
    bool bottomUp = true;
};

// Decodes a bitmap from its info header (with colour table or masks) and its pixel bytes. Header
// forms: the 12-byte core header and the 40-byte or longer info header; 1, 4, 8, 16, 24 and 32 bits
// per pixel, uncompressed or with bit fields; 4 and 8 bits run-length encoded, whose skipped pixels
// come out transparent; a JPEG or PNG image of the header's size. Raises MalformedRecord for
// anything else or for pixel bytes that fall short, and EOutOfResources for a bitmap whose pixel
// memory would be too large. With keepAlpha, a 32-bit or PNG bitmap keeps its alpha (premultiplied).
// charge, when given, is told the pixel count once the size is checked and before anything is
// decoded; it may raise to refuse the work.
DecodedDib DecodeDib(std::span<const uint8_t> info, std::span<const uint8_t> bits, bool keepAlpha = false,
                     const DecodeCharge& charge = {});

// The bytes of a packed bitmap's info header with its colour table or masks, behind which its
// pixels follow directly; MalformedRecord when the header is not one DecodeDib reads.
size_t PackedInfoBytes(std::span<const uint8_t> packed);

// The same for a bitmap whose pixels follow its colour table directly in one block.
DecodedDib DecodePackedDib(std::span<const uint8_t> packed, const DecodeCharge& charge = {});

// A device-dependent bitmap of old Windows metafile records (rows top-down, 1, 4, 24 or 32 bits per
// pixel): monochrome bits 0 and 1 take the colours zero and one, 4-bit pixels the default 16 colours.
QImage DecodeBitmap16(std::span<const uint8_t> bytes, QRgb zero, QRgb one, const DecodeCharge& charge = {});

}  // namespace zavo::platform

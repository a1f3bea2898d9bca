// What every reader of device-independent bitmaps and the surfaces agree on: the info header, its
// compression codes, and the largest pixel memory a picture may take.
#pragma once

#include <cstdint>
#include <span>

namespace zavo::platform {

// Compression values of an info header. 4 and 5 mean an embedded JPEG or PNG image in a Windows
// header; in an OS/2 one, other codings this program does not read.
inline constexpr uint32_t kBiRgb = 0;
inline constexpr uint32_t kBiRle8 = 1;
inline constexpr uint32_t kBiRle4 = 2;
inline constexpr uint32_t kBiBitFields = 3;
inline constexpr uint32_t kBiJpeg = 4;
inline constexpr uint32_t kBiPng = 5;

// The file header in front of the info header of a .bmp file.
inline constexpr int64_t kFileHeaderSize = 14;

// Sizes of the OS/2 core header (16-bit width and height) and of the Windows info header.
inline constexpr uint32_t kCoreHeaderSize = 12;
inline constexpr uint32_t kInfoHeaderSize = 40;

// The info header in its 40-byte Windows form; size is the header's size as written.
struct BitmapInfoHeader {
    uint32_t size = 0;
    int32_t width = 0;
    int32_t height = 0;  // negative: rows stored top-down
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 0;
    uint32_t clrImportant = 0;
};

// Reads an info header from the bytes it starts: a core header (size 12) fills width, height,
// planes and bit count; any other size is read in the Windows layout. Fields the bytes do not
// reach stay 0; nothing is read beyond them.
BitmapInfoHeader ReadInfoHeader(std::span<const uint8_t> bytes);

// Largest pixel memory of any picture: a surface, a bitmap decoded from a metafile record, the
// working memory of one JPEG library run. Larger requests are refused before anything is allocated.
inline constexpr int64_t kMaxPictureBytes = int64_t{1} << 31;

}  // namespace zavo::platform

// How much a JPEG result lost against the pixels it was compressed from, measured on luma: the
// peak signal-to-noise ratio and the structural similarity (SSIM over 8 x 8 windows placed every
// 4 pixels, plain means and population variances, C1 = (0.01 x 255)^2, C2 = (0.03 x 255)^2,
// averaged over all windows; a picture narrower or lower than 8 pixels is one window).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "codec/bitmap.h"
#include "platform/surface.h"

namespace zavo {

// Luma of each pixel, 0..255, as BT.601 weighs red, green and blue, rows top-down.
struct TLumaPlane {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> values;
};

// Whether LumaOf can read the surface's rows as they are: 24-bit, or 32-bit without bit fields.
bool HasPlainRows(const platform::Surface& surface);
// The luma of a surface with plain rows; only reads its memory.
TLumaPlane LumaOf(const platform::Surface& surface);
// The luma of any bitmap; other formats are read through a 24-bit copy.
TLumaPlane LumaOf(TBitmap& bitmap);

struct TQualityFigures {
    double psnr = 0;  // dB; infinity for identical planes
    double ssim = 0;  // 1 for identical planes
};

// Raises EInvalidGraphicOperation when the planes differ in size or are empty.
TQualityFigures CompareLuma(const TLumaPlane& original, const TLumaPlane& result);

// The JPEG bytes decoded as the window's right pane decodes them, compared with the original.
TQualityFigures MeasureJpeg(const TLumaPlane& original, const uint8_t* bytes, size_t size);

// "38.2", or "inf" for identical planes.
std::string PsnrText(double psnr);
// "0.981".
std::string SsimText(double ssim);

}  // namespace zavo

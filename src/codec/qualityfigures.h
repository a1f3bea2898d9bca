// How much a JPEG result lost against the pixels it was compressed from, measured on luma: the
// peak signal-to-noise ratio and the structural similarity (SSIM over 8 x 8 windows placed every
// 4 pixels, plain means and population variances, C1 = (0.01 x 255)^2, C2 = (0.03 x 255)^2,
// averaged over all windows; a picture narrower or lower than 8 pixels is one window). Each
// window's SSIM is kept in single precision, as the loss map holds it, so that the mean of a map is
// the figure exactly. The luma
// of the pixels is the Y the compressor computes from them, that of the result the Y plane the
// decoder reconstructs, so the figures see the loss of the JPEG's luma and nothing else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stop_token>
#include <string>
#include <vector>

#include "base/streams.h"
#include "codec/bitmap.h"
#include "platform/surface.h"

namespace zavo {

// Whether LumaRow can read the surface's rows as they are: 24-bit, or 32-bit without bit fields.
bool HasPlainRows(const platform::Surface& surface);
// Converts the bitmap to 24 bits unless LumaRow can read it already, and returns its surface
// (null for a bitmap without pixels). A copy sharing another bitmap's pixels leaves those as they are.
const platform::Surface* WithPlainRows(TBitmap& bitmap);
// Row y of a surface with plain rows as luma 0..255: BT.601's weights in the compressor's 16-bit
// fixed point. Only reads the surface's memory.
void LumaRow(const platform::Surface& surface, int y, uint8_t* out);

struct TQualityFigures {
    double psnr = 0;  // dB; infinity for identical planes
    double ssim = 0;  // 1 for identical planes
    // The lowest SSIM of one window, and that window's top-left pixel (the first such window in
    // row order); for a picture that is one window, its SSIM at (0, 0).
    double worst = 0;
    int worstX = 0;
    int worstY = 0;
};

// The figures of two luma planes of one size, fed row by row, top down, as the rows come.
class TQualityMeter {
public:
    // Raises EInvalidGraphicOperation for a plane without pixels.
    TQualityMeter(int width, int height);
    // Keeps every window's SSIM, row by row of windows, for Windows(); before the first row.
    void KeepWindows();
    // The next row of both planes, width values each.
    void AddRow(const uint8_t* original, const uint8_t* result);
    // Raises EInvalidGraphicOperation unless every row was added.
    TQualityFigures Figures() const;
    // The windows kept, (width / 4 - 1) across and (height / 4 - 1) down, or the one window of a
    // small picture; taken once every row was added.
    std::vector<float> TakeWindows();

private:
    void EndBand();
    void AddWindow(float ssim, int x, int y);

    int width_;
    int height_;
    int rows_ = 0;
    bool oneWindow_;
    // Per column, over the rows of the band under way.
    std::vector<uint32_t> a_, b_, squares_, cross_;
    // Per 4 x 4 block of the previous and of the last complete band: sums of a, b, squares, cross.
    std::vector<uint32_t> above_, below_;
    double windowTotal_ = 0;
    bool keep_ = false;
    std::vector<float> windows_;
    float worst_ = 2;
    int worstX_ = 0, worstY_ = 0;
    uint64_t squaredError_ = 0;
    // Sums over the whole plane, for a plane that is one window.
    double sumA_ = 0, sumB_ = 0, sumSquares_ = 0, sumCross_ = 0;
};

// The JPEG file read from the stream's position (see DecodeLuma; the stream may still be being
// written) compared with the pixels it was compressed from, a surface with plain rows. Raises
// EInvalidGraphicOperation when the file's size is not the surface's, and what the decode raises.
// windows, when given, receives every window's SSIM (see TQualityMeter::TakeWindows). A stop
// requested raises EAbort between rows.
TQualityFigures MeasureJpeg(const platform::Surface& original, TStream& bytes, std::vector<float>* windows = nullptr,
                            std::stop_token stop = {});

// "38.2", or "inf" for identical planes.
std::string PsnrText(double psnr);
// "0.981".
std::string SsimText(double ssim);

}  // namespace zavo

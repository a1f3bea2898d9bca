// Where a JPEG result loses against the pixels it was compressed from: the SSIM of every window of
// the luma that the quality figures average (see qualityfigures.h), the worst spots one after the
// other, and the pixels of a view that shows the loss over the result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stop_token>
#include <vector>

#include "base/streams.h"
#include "codec/qualityfigures.h"
#include "platform/surface.h"
#include "platform/zoomscaling.h"

namespace zavo {

struct TLossMap {
    int width = 0;  // the picture's
    int height = 0;
    // Windows across and down: 8 x 8 every 4 pixels, or one window for a picture narrower or lower
    // than 8 pixels. Their SSIM row by row; figures.ssim is their mean.
    int across = 0;
    int down = 0;
    std::vector<float> windows;
    TQualityFigures figures;
    // Per 4 x 4 cell (the last column and row of cells take the pixels left over, and a picture
    // that is one window is one cell): 1 - the lowest SSIM of the windows covering it, 0..1 as 0..255.
    int cellsAcross = 0;
    int cellsDown = 0;
    std::vector<uint8_t> cells;

    // The windows' mean, summed in the order the figures sum them.
    double Mean() const;
};

// The map of width x height pixels from the figures and windows a TQualityMeter gave them.
TLossMap MakeLossMap(int width, int height, const TQualityFigures& figures, std::vector<float> windows);
// The map of the JPEG file read from the stream against the pixels, as MeasureJpeg measures them.
TLossMap MeasureLossMap(const platform::Surface& original, TStream& bytes, std::stop_token stop = {});

// A window's centre in picture pixels, and its SSIM.
struct TLossSpot {
    double x = 0;
    double y = 0;
    float ssim = 0;
};
// The window of the lowest SSIM whose centre lies at least distance away from every spot given
// (the first in row order among equals); nothing when each window is nearer to one of them.
std::optional<TLossSpot> WorstSpotAwayFrom(const TLossMap& map, const std::vector<TLossSpot>& visited,
                                           double distance);

// Turns width x height shown pixels into the loss view: rows of blue-green-red from first, stride
// apart, whose top-left pixel is the shown pixel (left, top) of the picture at scale. Each pixel
// becomes grey (its luma) under the colour of its cell's loss: none where nothing is lost, then
// rising from a faint yellow to red.
void PaintLoss(const TLossMap& map, platform::ZoomScale scale, int left, int top, uint8_t* first, ptrdiff_t stride,
               int width, int height);

}  // namespace zavo

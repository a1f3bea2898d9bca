// Fills, block copies and stretch copies between surfaces of any two formats, converting colours on
// the way. The per-format work is chosen once per copy; the inner loops run over whole rows.
#pragma once

#include <memory>

#include "platform/palette.h"
#include "platform/surface.h"

namespace zavo::platform {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// How source and destination combine (the destination being D, the source S).
enum class RasterOp { SrcCopy, SrcPaint, SrcAnd, SrcInvert, SrcErase, NotSrcCopy, NotSrcErase, MergePaint, DstInvert, Blackness, Whiteness };

// The colours that give a monochrome device-dependent surface its meaning in a copy: its 0 bits
// show the text colour and its 1 bits the background colour of the target; a colour source copied
// into a monochrome target gives 1 where it has the source background colour and 0 elsewhere.
struct MonoColors {
    ColorRef text = 0x000000;
    ColorRef background = 0xFFFFFF;
    ColorRef sourceBackground = 0xFFFFFF;
};

// Fills the rectangle (clipped to the surface) with the colour, or its nearest in a colour table.
void FillSurface(Surface& target, const Rect& rect, ColorRef color);

// Copies width x height pixels from (sx, sy) of the source to (x, y) of the target; both sides are
// clipped to their surfaces.
void CopySurface(Surface& target, int x, int y, int width, int height, const Surface& source, int sx, int sy,
                 const MonoColors& colors = {}, RasterOp op = RasterOp::SrcCopy);

// Copies the source rectangle scaled to the target rectangle, each target pixel taking the nearest
// source pixel; a rectangle of negative width or height mirrors. Target pixels whose source pixel
// lies outside the source keep what they had.
void StretchSurface(Surface& target, const Rect& dst, const Surface& source, const Rect& src,
                    const MonoColors& colors = {}, RasterOp op = RasterOp::SrcCopy);

// As StretchSurface, writing only target pixels whose source pixel has a 0 bit in the mask (a
// monochrome surface of the source's size).
void MaskedStretchSurface(Surface& target, const Rect& dst, const Surface& source, const Rect& src,
                          const Surface& mask, const MonoColors& colors = {});

// A monochrome surface of the source's size with 1 bits where the source shows the colour.
std::unique_ptr<Surface> BuildMask(const Surface& source, ColorRef transparent, const MonoColors& colors = {});

}  // namespace zavo::platform

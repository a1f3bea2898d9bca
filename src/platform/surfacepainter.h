// Painting on a surface with QPainter, for text, lines and metafile records. A surface in the
// display format (or a 32-bit top-down section) is painted in place; any other format is painted on
// a display-format copy of the area, which is converted back when the painter ends.
#pragma once

#include <QImage>
#include <QPainter>
#include <memory>

#include "platform/pixelconvert.h"
#include "platform/surface.h"

namespace zavo::platform {

class SurfacePainter {
public:
    // Paints within area (clipped to the surface); painter coordinates are the surface's own.
    SurfacePainter(Surface& target, const Rect& area, const MonoColors& colors = {});
    ~SurfacePainter();
    SurfacePainter(const SurfacePainter&) = delete;
    SurfacePainter& operator=(const SurfacePainter&) = delete;

    QPainter& Painter() { return painter_; }

private:
    Surface& target_;
    Rect area_;
    MonoColors colors_;
    std::unique_ptr<Surface> copy_;
    QImage image_;
    QPainter painter_;
};

// A QImage over the surface's pixels when the surface is 32 bits per pixel and top-down (valid while
// the surface lives), otherwise a converted copy.
QImage SurfaceImage(Surface& surface);

}  // namespace zavo::platform

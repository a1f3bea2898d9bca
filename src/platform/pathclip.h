// Cutting a shape down to the part of it that lies over a device rectangle.
#pragma once

#include <QPainterPath>
#include <QRectF>
#include <QTransform>

namespace zavo::platform {

// The closed figures of logical, as mapped by toDevice, cut to window and mapped back into logical
// units, with logical's fill rule. Every point of window is covered by it exactly as by logical
// (curves become straight pieces of at most half a device pixel's error). toDevice must be
// invertible.
QPainterPath ClipToWindow(const QPainterPath& logical, const QTransform& toDevice, const QRectF& window);

}  // namespace zavo::platform

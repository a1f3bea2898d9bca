// Playing metafile records with a QPainter. dest is in painter pixels, inclusive; the picture's
// frame (enhanced) or bounds (Windows) is mapped onto it. Drawing stays inside dest; what the
// records do not paint keeps what was there. A bitmap record whose pixels would exceed the surface
// limit raises EOutOfResources.
#pragma once

#include <QPainter>

#include "platform/metafileplayer.h"

namespace zavo::platform {

void PlayEnhancedMetafile(QPainter& painter, const MetafileRect& dest, std::span<const uint8_t> data);

// records: the Windows metafile behind its placeable header; bounds: the placeable header's
// bounds in the metafile's logical units.
void PlayWindowsMetafile(QPainter& painter, const MetafileRect& dest, std::span<const uint8_t> records,
                         const MetafileRect& bounds);

}  // namespace zavo::platform

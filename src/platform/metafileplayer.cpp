#include "platform/metafileplayer.h"

#include <algorithm>

#include "platform/metafilepainter.h"
#include "platform/surfacepainter.h"

namespace zavo::platform {

namespace {

Rect AreaOf(const MetafileRect& dest) {
    return {std::min(dest.left, dest.right), std::min(dest.top, dest.bottom),
            std::max(dest.left, dest.right) + 1, std::max(dest.top, dest.bottom) + 1};
}

}  // namespace

void PlayEnhancedMetafile(Surface& target, const MetafileRect& dest, std::span<const uint8_t> data) {
    SurfacePainter painter(target, AreaOf(dest));
    PlayEnhancedMetafile(painter.Painter(), dest, data);
}

void PlayWindowsMetafile(Surface& target, const MetafileRect& dest, std::span<const uint8_t> records,
                         const MetafileRect& bounds) {
    SurfacePainter painter(target, AreaOf(dest));
    PlayWindowsMetafile(painter.Painter(), dest, records, bounds);
}

}  // namespace zavo::platform

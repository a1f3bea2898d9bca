#include "platform/metafileplayer.h"

#include <algorithm>
#include <climits>

#include "platform/metafilepainter.h"
#include "platform/surfacepainter.h"

namespace zavo::platform {

namespace {

// The pixels dest covers, as an end-exclusive rectangle.
Rect AreaOf(const MetafileRect& dest) {
    auto after = [](int32_t v) { return v == INT32_MAX ? v : v + 1; };
    return {std::min(dest.left, dest.right), std::min(dest.top, dest.bottom),
            after(std::max(dest.left, dest.right)), after(std::max(dest.top, dest.bottom))};
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

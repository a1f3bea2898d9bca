#include "app/zoomlevels.h"

#include <algorithm>
#include <vector>

namespace zavo {

platform::ZoomScale LevelScale(TZoomLevel level, int width, int height, int areaWidth, int areaHeight) {
    switch (level) {
        case TZoomLevel::Fit: {
            if (width < 1 || height < 1) return {};
            int w = std::max(areaWidth, 1), h = std::max(areaHeight, 1);
            if (width <= w && height <= h) return {};
            // The side that meets the area's edge first sets the scale.
            if (int64_t{w} * height <= int64_t{h} * width) return {w, width};
            return {h, height};
        }
        case TZoomLevel::Eighth: return {1, 8};
        case TZoomLevel::Quarter: return {1, 4};
        case TZoomLevel::Half: return {1, 2};
        case TZoomLevel::Actual: return {};
        case TZoomLevel::Double: return {2, 1};
        case TZoomLevel::Quadruple: return {4, 1};
        case TZoomLevel::Octuple: return {8, 1};
        case TZoomLevel::Sixteenfold: return {16, 1};
    }
    return {};
}

const char* LevelCaption(TZoomLevel level) {
    switch (level) {
        case TZoomLevel::Fit: return "全体表示";
        case TZoomLevel::Eighth: return "縮小 1/8";
        case TZoomLevel::Quarter: return "縮小 1/4";
        case TZoomLevel::Half: return "縮小 1/2";
        case TZoomLevel::Actual: return "等倍";
        case TZoomLevel::Double: return "拡大 2倍";
        case TZoomLevel::Quadruple: return "拡大 4倍";
        case TZoomLevel::Octuple: return "拡大 8倍";
        case TZoomLevel::Sixteenfold: return "拡大 16倍";
    }
    return "";
}

const char* LevelName(TZoomLevel level) {
    switch (level) {
        case TZoomLevel::Fit: return "fit";
        case TZoomLevel::Eighth: return "1_8x";
        case TZoomLevel::Quarter: return "1_4x";
        case TZoomLevel::Half: return "1_2x";
        case TZoomLevel::Actual: return "1x";
        case TZoomLevel::Double: return "2x";
        case TZoomLevel::Quadruple: return "4x";
        case TZoomLevel::Octuple: return "8x";
        case TZoomLevel::Sixteenfold: return "16x";
    }
    return "";
}

bool Smaller(platform::ZoomScale a, platform::ZoomScale b) {
    return int64_t{a.num} * b.den < int64_t{b.num} * a.den;
}

bool LevelAllowed(TZoomLevel level, int width, int height, int areaWidth, int areaHeight) {
    platform::ZoomScale s = LevelScale(level, width, height, areaWidth, areaHeight);
    return platform::ShownLength(width, s) <= kMaxShownSide && platform::ShownLength(height, s) <= kMaxShownSide;
}

TZoomLevel SteppedLevel(TZoomLevel level, int steps, int width, int height, int areaWidth, int areaHeight) {
    // The fixed levels in order with fit among them where its scale puts it.
    auto scaleOf = [&](TZoomLevel l) { return LevelScale(l, width, height, areaWidth, areaHeight); };
    std::vector<TZoomLevel> order(std::begin(kZoomLevels), std::end(kZoomLevels));
    std::stable_sort(order.begin(), order.end(),
                     [&](TZoomLevel a, TZoomLevel b) { return Smaller(scaleOf(a), scaleOf(b)); });
    auto at = std::find(order.begin(), order.end(), level);
    if (at == order.end() || steps == 0) return level;
    TZoomLevel result = level;
    platform::ZoomScale last = scaleOf(level);
    int direction = steps > 0 ? 1 : -1;
    int left = steps > 0 ? steps : -steps;
    for (auto i = at - order.begin() + direction; i >= 0 && i < static_cast<ptrdiff_t>(order.size()) && left > 0;
         i += direction) {
        TZoomLevel candidate = order[static_cast<size_t>(i)];
        bool same = !Smaller(scaleOf(candidate), last) && !Smaller(last, scaleOf(candidate));
        if (same || !LevelAllowed(candidate, width, height, areaWidth, areaHeight)) continue;
        result = candidate;
        last = scaleOf(candidate);
        --left;
    }
    return result;
}

}  // namespace zavo

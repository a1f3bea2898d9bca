// The zoom levels both panes share, from the whole picture in the pane up to 16 screen pixels a
// picture pixel, with their names and the steps between them.
#pragma once

#include "platform/zoomscaling.h"

namespace zavo {

enum class TZoomLevel { Fit, Eighth, Quarter, Half, Actual, Double, Quadruple, Octuple, Sixteenfold };
inline constexpr TZoomLevel kZoomLevels[] = {TZoomLevel::Fit,    TZoomLevel::Eighth,    TZoomLevel::Quarter,
                                             TZoomLevel::Half,   TZoomLevel::Actual,    TZoomLevel::Double,
                                             TZoomLevel::Quadruple, TZoomLevel::Octuple, TZoomLevel::Sixteenfold};

// A shown side may not pass what a window can be, so high levels are refused for huge pictures.
inline constexpr int kMaxShownSide = 16777215;

// The scale of a level for a picture of width x height in an area of areaWidth x areaHeight: fit
// shows the whole picture in the area, never enlarged.
platform::ZoomScale LevelScale(TZoomLevel level, int width, int height, int areaWidth, int areaHeight);
// The level's text in the pane menu.
const char* LevelCaption(TZoomLevel level);
// The level's short name: fit, 1_8x, 1_4x, 1_2x, 1x, 2x, 4x, 8x, 16x.
const char* LevelName(TZoomLevel level);
// Whether the scale a enlarges less than b.
bool Smaller(platform::ZoomScale a, platform::ZoomScale b);
// The level steps (positive: in, negative: out) away from level whose scale differs from the one
// before it and whose shown picture a window can hold; level itself when there is none.
TZoomLevel SteppedLevel(TZoomLevel level, int steps, int width, int height, int areaWidth, int areaHeight);
// Whether the picture at the level fits in a window.
bool LevelAllowed(TZoomLevel level, int width, int height, int areaWidth, int areaHeight);

}  // namespace zavo

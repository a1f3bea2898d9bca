// Drawing an image control's picture zoomed on a window's canvas.
#pragma once

#include "platform/zoomscaling.h"

namespace zavo {

class TForm;
class TImage;

// Draws the picture of the image control shown at scale with its top-left corner at (x, y) of the
// window's canvas; only the part inside the window is scaled and drawn.
void DrawZoomedPicture(TForm& form, TImage& image, platform::ZoomScale scale, int x, int y);

}  // namespace zavo

// Facts about the primary display that the drawing code and the windows need.
#pragma once

namespace zavo::platform {

int ScreenWidth();
int ScreenHeight();
// Logical pixels per inch of the primary display; 96 when no display is known. Off the
// user-interface thread: the value last read on that thread.
int ScreenPixelsPerInch();
// The display format is always 32 bits per pixel here.
constexpr int kScreenBitsPerPixel = 32;

}  // namespace zavo::platform

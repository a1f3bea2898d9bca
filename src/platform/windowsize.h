// The size a top-level window really has on the screen, as the window system holds it.
#pragma once

#include <optional>

namespace zavo::platform {

struct WindowSize {
    int width = 0;
    int height = 0;
};

// Asks the X server for the inner size of the native window; nothing on a platform without one
// (the offscreen platform of the tests) or when the window has gone.
std::optional<WindowSize> WindowSizeOnScreen(unsigned long long windowId);

}  // namespace zavo::platform

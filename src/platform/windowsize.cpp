#include "platform/windowsize.h"

#include <QGuiApplication>

#include <cstdlib>
#include <xcb/xcb.h>

namespace zavo::platform {

std::optional<WindowSize> WindowSizeOnScreen(unsigned long long windowId) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || windowId == 0) return std::nullopt;
    xcb_connection_t* connection = x11->connection();
    xcb_get_geometry_reply_t* reply =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, static_cast<xcb_window_t>(windowId)), nullptr);
    if (!reply) return std::nullopt;
    WindowSize size{reply->width, reply->height};
    std::free(reply);
    return size;
}

}  // namespace zavo::platform

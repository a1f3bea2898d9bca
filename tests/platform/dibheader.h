// The info header of a device-independent test surface.
#pragma once

#include "platform/surface.h"

namespace zavotest {

inline zavo::platform::BitmapInfoHeader DibHeader(int width, int height, int bits,
                                                  uint32_t compression = zavo::platform::kBiRgb) {
    zavo::platform::BitmapInfoHeader h;
    h.size = 40;
    h.width = width;
    h.height = height;
    h.planes = 1;
    h.bitCount = static_cast<uint16_t>(bits);
    h.compression = compression;
    return h;
}

}  // namespace zavotest

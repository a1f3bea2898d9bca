#include "platform/bitmapinfo.h"

#include "base/bytecursor.h"

namespace zavo::platform {

BitmapInfoHeader ReadInfoHeader(std::span<const uint8_t> bytes) {
    ByteCursor c(bytes);
    BitmapInfoHeader h;
    if (!c.Has(4)) return h;
    h.size = c.U32le();
    if (h.size == kCoreHeaderSize) {
        if (!c.Has(8)) return h;
        h.width = c.U16le();
        h.height = c.U16le();
        h.planes = c.U16le();
        h.bitCount = c.U16le();
        return h;
    }
    if (!c.Has(12)) return h;
    h.width = c.I32le();
    h.height = c.I32le();
    h.planes = c.U16le();
    h.bitCount = c.U16le();
    if (!c.Has(24)) return h;
    h.compression = c.U32le();
    h.sizeImage = c.U32le();
    h.xPelsPerMeter = c.I32le();
    h.yPelsPerMeter = c.I32le();
    h.clrUsed = c.U32le();
    h.clrImportant = c.U32le();
    return h;
}

}  // namespace zavo::platform

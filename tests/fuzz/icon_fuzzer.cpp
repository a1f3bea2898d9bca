// Reads arbitrary bytes as an icon file and draws it into a 32-bit bitmap.
#include <cstddef>
#include <cstdint>

#include "base/exceptions.h"
#include "base/streams.h"
#include "codec/bitmap.h"
#include "codec/icon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zavo::TMemoryStream stream;
    stream.WriteBuffer(data, static_cast<int64_t>(size));
    stream.SetPosition(0);
    try {
        zavo::TIcon icon;
        icon.LoadStream(stream);
        zavo::TBitmap target;
        target.SetPixelFormat(zavo::TPixelFormat::Bit32);
        target.SetWidth(40);
        target.SetHeight(40);
        target.Canvas().DrawGraphic(2, 2, &icon);
    } catch (const zavo::Exception&) {
    }
    return 0;
}

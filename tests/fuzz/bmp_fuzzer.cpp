// Reads arbitrary bytes as a bitmap file and draws the result into a small 32-bit bitmap.
#include <cstddef>
#include <cstdint>

#include "base/exceptions.h"
#include "base/streams.h"
#include "codec/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zavo::TMemoryStream stream;
    stream.WriteBuffer(data, static_cast<int64_t>(size));
    stream.SetPosition(0);
    try {
        zavo::TBitmap bitmap;
        bitmap.LoadStream(stream);
        zavo::TBitmap target;
        target.SetWidth(16);
        target.SetHeight(16);
        target.Canvas().DrawGraphic(0, 0, &bitmap);
    } catch (const zavo::Exception&) {
    }
    return 0;
}

// Loads arbitrary bytes as a metafile and draws it into a 32-bit bitmap, at its own size when that
// is small and stretched into a fixed rectangle.
#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>

#include "base/exceptions.h"
#include "base/streams.h"
#include "codec/bitmap.h"
#include "codec/canvas.h"
#include "codec/metafile.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zavo;
    TMemoryStream stream;
    if (size > 0) stream.WriteBuffer(data, static_cast<int64_t>(size));
    stream.SetPosition(0);
    TMetafile metafile;
    try {
        metafile.LoadStream(stream);
    } catch (const Exception&) {
        return 0;
    }
    try {
        TBitmap bitmap;
        bitmap.SetHeight(61);
        bitmap.SetWidth(97);
        bitmap.Canvas().StretchDraw(Rect(3, 2, 91, 56), &metafile);
        if (metafile.Width() > 0 && metafile.Height() > 0 && metafile.Width() <= 128 && metafile.Height() <= 128) {
            TBitmap own;
            own.SetHeight(metafile.Height());
            own.SetWidth(metafile.Width());
            own.Canvas().DrawGraphic(0, 0, &metafile);
        }
    } catch (const EOutOfResources&) {
    }
    return 0;
}

// Plays arbitrary bytes as a metafile into a 32-bit picture: an enhanced metafile, or a Windows
// metafile when the bytes start with the placeable key.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <cstdlib>

#include "base/exceptions.h"
#include "platform/metafilepainter.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zavo::platform;
    std::span<const uint8_t> bytes(data, size);
    QImage image(97, 61, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    MetafileRect dest{3, 2, 90, 55};
    try {
        if (size >= 22 && data[0] == 0xD7 && data[1] == 0xCD && data[2] == 0xC6 && data[3] == 0x9A) {
            auto i16 = [&](size_t o) { return static_cast<int16_t>(data[o] | data[o + 1] << 8); };
            MetafileRect bounds{i16(6), i16(8), i16(10), i16(12)};
            PlayWindowsMetafile(painter, dest, bytes.subspan(22), bounds);
        } else {
            PlayEnhancedMetafile(painter, dest, bytes);
        }
    } catch (const zavo::EOutOfResources&) {
    }
    return 0;
}

#include "platform/pngdecode.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <cstring>

namespace zavo::platform {

namespace {
constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
}  // namespace

bool IsPng(std::span<const uint8_t> bytes) {
    return bytes.size() >= sizeof kSignature && std::memcmp(bytes.data(), kSignature, sizeof kSignature) == 0;
}

std::optional<RgbaPixels> DecodePng(std::span<const uint8_t> bytes, int64_t maxBytes) {
    if (!IsPng(bytes) || bytes.size() > static_cast<size_t>(INT32_MAX)) return std::nullopt;
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty()) return std::nullopt;
    if (static_cast<int64_t>(size.width()) * size.height() * 4 > maxBytes) return std::nullopt;
    QImage image;
    if (!reader.read(&image)) return std::nullopt;
    image = image.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull()) return std::nullopt;

    RgbaPixels out;
    out.width = image.width();
    out.height = image.height();
    out.bgra.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height) * 4);
    // ARGB32 is one 32-bit word per pixel, which is blue, green, red, alpha in memory here.
    for (int y = 0; y < out.height; ++y) {
        const uchar* row = image.constScanLine(y);
        std::memcpy(out.bgra.data() + static_cast<size_t>(y) * static_cast<size_t>(out.width) * 4, row,
                    static_cast<size_t>(out.width) * 4);
    }
    return out;
}

}  // namespace zavo::platform

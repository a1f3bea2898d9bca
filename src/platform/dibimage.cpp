#include "platform/dibimage.h"

#include <QBuffer>
#include <QImageReader>
#include <bit>
#include <cstring>
#include <vector>

#include "base/checked.h"
#include "base/exceptions.h"
#include "platform/bitmapinfo.h"
#include "platform/pngdecode.h"
#include "platform/recordreader.h"
#include "platform/rledecoder.h"

namespace zavo::platform {

namespace {

struct DibHeader {
    BitmapInfoHeader info;
    int64_t width = 0;
    int64_t height = 0;
    int bitCount = 0;
    uint32_t masks[3] = {0, 0, 0};
    bool core = false;
    int64_t colorCount = 0;
    int64_t tableBytes = 0;  // masks behind a 40-byte header plus the colour table
};

DibHeader ReadHeader(std::span<const uint8_t> bytes) {
    RecordReader r(bytes);
    DibHeader h;
    h.info = ReadInfoHeader(bytes);
    h.core = h.info.size == kCoreHeaderSize;
    if (!h.core && h.info.size < kInfoHeaderSize) throw MalformedRecord{};
    // The whole header must lie inside the record.
    r.Seek(h.core ? kCoreHeaderSize : kInfoHeaderSize);

    if (h.info.compression == kBiBitFields && h.info.size >= 52) {
        for (uint32_t& m : h.masks) m = r.U32();
    }
    h.width = h.info.width;
    h.height = h.info.height;
    h.bitCount = h.info.bitCount;
    if (h.width <= 0 || h.height == 0) throw MalformedRecord{};
    if (h.info.compression == kBiJpeg || h.info.compression == kBiPng) {
        // The pixels are a whole JPEG or PNG image; a colour table, if any, is only a hint.
        h.bitCount = 0;
        h.tableBytes = h.info.clrUsed <= 256 ? int64_t{h.info.clrUsed} * 4 : 0;
        return h;
    }
    switch (h.bitCount) {
        case 1: case 24:
            if (h.info.compression != kBiRgb) throw MalformedRecord{};
            break;
        case 4: case 8:
            if (h.info.compression != kBiRgb && h.info.compression != (h.bitCount == 8 ? kBiRle8 : kBiRle4))
                throw MalformedRecord{};
            // Run-length rows are always stored bottom-up.
            if (h.info.compression != kBiRgb && h.height < 0) throw MalformedRecord{};
            break;
        case 16: case 32:
            if (h.info.compression != kBiRgb && h.info.compression != kBiBitFields) throw MalformedRecord{};
            break;
        default:
            throw MalformedRecord{};
    }
    int64_t maxColors = h.bitCount <= 8 ? int64_t{1} << h.bitCount : 0;
    if (h.bitCount <= 8) {
        h.colorCount = h.info.clrUsed == 0 || h.info.clrUsed > maxColors ? maxColors : h.info.clrUsed;
    } else if (!h.core) {
        // Colour tables of deeper bitmaps are only hints; they still take room in a packed bitmap.
        h.colorCount = h.info.clrUsed <= 256 ? h.info.clrUsed : 0;
    }
    int64_t maskBytes = 0;
    if (h.info.compression == kBiBitFields && h.info.size < 52) {
        maskBytes = 12;
        r.Seek(h.info.size);
        for (uint32_t& m : h.masks) m = r.U32();
    }
    h.tableBytes = maskBytes + h.colorCount * (h.core ? 3 : 4);
    if (h.info.compression == kBiRgb) {
        if (h.bitCount == 16) {
            h.masks[0] = 0x7C00; h.masks[1] = 0x03E0; h.masks[2] = 0x001F;
        } else if (h.bitCount == 32) {
            h.masks[0] = 0xFF0000; h.masks[1] = 0xFF00; h.masks[2] = 0xFF;
        }
    }
    return h;
}

// Scales the bits of value selected by mask to 0..255.
struct MaskChannel {
    explicit MaskChannel(uint32_t mask)
        : shift(mask ? std::countr_zero(mask) : 0), max(mask ? mask >> shift : 0) {}
    int Get(uint32_t value) const { return max ? static_cast<int>((((value >> shift) & max) * 255 + max / 2) / max) : 0; }
    int shift;
    uint32_t max;
};


int64_t Rows(const DibHeader& h) { return h.height > 0 ? h.height : -h.height; }

// The header's pixels, refused when their 32-bit image would be too large for any surface.
void CheckSize(const DibHeader& h) {
    if (h.width > kMaxPictureBytes / 4 / Rows(h)) throw EOutOfResources(msg::OutOfResources);
}

// The bytes of a compressed bitmap: its image size when that fits the data, else all of it.
std::span<const uint8_t> Compressed(const DibHeader& h, std::span<const uint8_t> bits) {
    return h.info.sizeImage != 0 && h.info.sizeImage <= bits.size() ? bits.first(h.info.sizeImage) : bits;
}

// Run-length pixels. What the runs skip stays transparent, so drawing leaves the target there.
QImage DecodeRunLength(const DibHeader& h, const std::vector<QRgb>& colors, std::span<const uint8_t> bits) {
    QImage image(static_cast<int>(h.width), static_cast<int>(h.height), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) throw EOutOfResources(msg::OutOfResources);
    // The decoder writes a zero fourth byte, which tells written pixels from this filling.
    image.fill(0xFF000000u);
    std::vector<uint32_t> table(colors.begin(), colors.end());
    RleTarget target{image.bits(), image.width(), image.height(), static_cast<ptrdiff_t>(image.bytesPerLine())};
    DecodeRle(Compressed(h, bits), h.info.compression == kBiRle8 ? RleKind::Rle8 : RleKind::Rle4, table, target);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) row[x] = qAlpha(row[x]) ? 0 : (row[x] | 0xFF000000u);
    }
    return image;
}

QImage DecodeJpeg(std::span<const uint8_t> bytes) {
    if (bytes.size() > static_cast<size_t>(INT32_MAX)) return QImage();
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    // The caller has bounded the size by the surface limit already.
    reader.setAllocationLimit(static_cast<int>(kMaxPictureBytes >> 20));
    QImage image;
    reader.read(&image);
    return image;
}

// A JPEG or PNG image standing for the pixels; its size must be the header's.
QImage DecodeEmbedded(const DibHeader& h, std::span<const uint8_t> bits, bool keepAlpha) {
    std::span<const uint8_t> bytes = Compressed(h, bits);
    QImage image;
    if (h.info.compression == kBiJpeg) {
        image = DecodeJpeg(bytes);
    } else if (auto png = DecodePng(bytes, kMaxPictureBytes)) {
        image = QImage(png->bgra.data(), png->width, png->height, QImage::Format_ARGB32).copy();
    }
    if (image.isNull() || image.width() != h.width || image.height() != Rows(h)) throw MalformedRecord{};
    image = image.convertToFormat(keepAlpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull()) throw EOutOfResources(msg::OutOfResources);
    return image;
}

}  // namespace

DecodedDib DecodeDib(std::span<const uint8_t> info, std::span<const uint8_t> bits, bool keepAlpha,
                     const DecodeCharge& charge) {
    DibHeader h = ReadHeader(info);
    bool bottomUp = h.height > 0;
    int64_t height = Rows(h);
    // The decoded image takes 4 bytes a pixel, which bounds the source rows too.
    CheckSize(h);
    if (charge) charge(h.width * height);
    if (h.info.compression == kBiJpeg || h.info.compression == kBiPng) return {DecodeEmbedded(h, bits, keepAlpha), bottomUp};
    RecordReader table(info);
    table.Seek(h.core ? kCoreHeaderSize : h.info.size);
    table.Skip(h.tableBytes - h.colorCount * (h.core ? 3 : 4));
    std::vector<QRgb> colors;
    if (h.bitCount <= 8) {
        colors.assign(size_t{1} << h.bitCount, qRgb(0, 0, 0));
        for (int64_t i = 0; i < h.colorCount; ++i) {
            uint8_t b = table.U8(), g = table.U8(), rr = table.U8();
            if (!h.core) table.U8();
            colors[i] = qRgb(rr, g, b);
        }
    }

    if (h.info.compression == kBiRle8 || h.info.compression == kBiRle4) return {DecodeRunLength(h, colors, bits), true};

    int64_t rowBytes = *DibRowSize(h.width, h.bitCount);
    if (rowBytes * height > static_cast<int64_t>(bits.size())) throw MalformedRecord{};

    bool alpha = keepAlpha && h.bitCount == 32;
    QImage image(static_cast<int>(h.width), static_cast<int>(height),
                 alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull()) throw EOutOfResources(msg::OutOfResources);
    MaskChannel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
    for (int64_t y = 0; y < height; ++y) {
        const uint8_t* src = bits.data() + (bottomUp ? height - 1 - y : y) * rowBytes;
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
        for (int64_t x = 0; x < h.width; ++x) {
            switch (h.bitCount) {
                case 1: dst[x] = colors[(src[x >> 3] >> (7 - (x & 7))) & 1]; break;
                case 4: dst[x] = colors[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15]; break;
                case 8: dst[x] = colors[src[x]]; break;
                case 24: dst[x] = qRgb(src[x * 3 + 2], src[x * 3 + 1], src[x * 3]); break;
                case 16: {
                    uint32_t v = src[x * 2] | src[x * 2 + 1] << 8;
                    dst[x] = qRgb(red.Get(v), green.Get(v), blue.Get(v));
                    break;
                }
                default: {
                    const uint8_t* p = src + x * 4;
                    uint32_t v = p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
                    dst[x] = alpha ? qRgba(red.Get(v), green.Get(v), blue.Get(v), p[3])
                                   : qRgb(red.Get(v), green.Get(v), blue.Get(v));
                    break;
                }
            }
        }
    }
    return {std::move(image), bottomUp};
}

size_t PackedInfoBytes(std::span<const uint8_t> packed) {
    DibHeader h = ReadHeader(packed);
    uint64_t offset = static_cast<uint64_t>(h.core ? kCoreHeaderSize : h.info.size) + static_cast<uint64_t>(h.tableBytes);
    if (offset > packed.size()) throw MalformedRecord{};
    return static_cast<size_t>(offset);
}

DecodedDib DecodePackedDib(std::span<const uint8_t> packed, const DecodeCharge& charge) {
    size_t offset = PackedInfoBytes(packed);
    return DecodeDib(packed.first(offset), packed.subspan(offset), false, charge);
}

QImage DecodeBitmap16(std::span<const uint8_t> bytes, QRgb zero, QRgb one, const DecodeCharge& charge) {
    RecordReader r(bytes);
    r.U16();  // type
    int width = r.I16(), height = r.I16(), widthBytes = r.I16();
    int planes = r.U8(), bitsPixel = r.U8();
    if (width <= 0 || height <= 0 || planes != 1 || int64_t{widthBytes} * 8 < int64_t{width} * bitsPixel)
        throw MalformedRecord{};
    if (bitsPixel != 1 && bitsPixel != 4 && bitsPixel != 24 && bitsPixel != 32) throw MalformedRecord{};
    uint64_t pixelBytes = uint64_t(widthBytes) * uint64_t(height);
    // Some writers keep the 32-bit bits pointer of the bitmap structure in front of the rows.
    if (r.Remaining() == pixelBytes + 4) r.Skip(4);
    std::span<const uint8_t> bits = r.Bytes(pixelBytes);
    if (width > kMaxPictureBytes / 4 / height) throw EOutOfResources(msg::OutOfResources);
    if (charge) charge(int64_t{width} * height);
    // The colours of the default 16-colour palette.
    static constexpr QRgb kVga[16] = {0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080,
                                      0xFF008080, 0xFFC0C0C0, 0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00,
                                      0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF};
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) throw EOutOfResources(msg::OutOfResources);
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = bits.data() + static_cast<size_t>(y) * static_cast<size_t>(widthBytes);
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            switch (bitsPixel) {
                case 1: dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 1 ? one : zero; break;
                case 4: dst[x] = kVga[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15]; break;
                case 24: dst[x] = qRgb(src[x * 3 + 2], src[x * 3 + 1], src[x * 3]); break;
                default: dst[x] = qRgb(src[x * 4 + 2], src[x * 4 + 1], src[x * 4]); break;
            }
        }
    }
    return image;
}

}  // namespace zavo::platform

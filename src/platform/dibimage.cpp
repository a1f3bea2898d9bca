#include "platform/dibimage.h"

#include <bit>
#include <vector>

#include "base/exceptions.h"
#include "platform/recordreader.h"

namespace zavo::platform {

namespace {

// Pixel memory beyond this is refused, as for any surface.
constexpr int64_t kMaxPixelBytes = int64_t{1} << 31;

struct DibHeader {
    uint32_t size = 0;
    int64_t width = 0;
    int64_t height = 0;
    int bitCount = 0;
    uint32_t compression = 0;
    uint32_t clrUsed = 0;
    uint32_t masks[3] = {0, 0, 0};
    bool core = false;
    int64_t colorCount = 0;
    int64_t tableBytes = 0;  // masks behind a 40-byte header plus the colour table
};

DibHeader ReadHeader(std::span<const uint8_t> info) {
    RecordReader r(info);
    DibHeader h;
    h.size = r.U32();
    if (h.size == 12) {
        h.core = true;
        h.width = r.U16();
        h.height = r.U16();
        r.U16();
        h.bitCount = r.U16();
    } else if (h.size >= 40) {
        h.width = r.I32();
        h.height = r.I32();
        r.U16();
        h.bitCount = r.U16();
        h.compression = r.U32();
        r.Skip(12);
        h.clrUsed = r.U32();
        r.U32();
        if (h.compression == 3 && h.size >= 52) {
            for (uint32_t& m : h.masks) m = r.U32();
        }
    } else {
        throw MalformedRecord{};
    }
    if (h.width <= 0 || h.height == 0) throw MalformedRecord{};
    switch (h.bitCount) {
        case 1: case 4: case 8: case 24:
            if (h.compression != 0) throw MalformedRecord{};
            break;
        case 16: case 32:
            if (h.compression != 0 && h.compression != 3) throw MalformedRecord{};
            break;
        default:
            throw MalformedRecord{};
    }
    int64_t maxColors = h.bitCount <= 8 ? int64_t{1} << h.bitCount : 0;
    if (h.bitCount <= 8) {
        h.colorCount = h.clrUsed == 0 || h.clrUsed > maxColors ? maxColors : h.clrUsed;
    } else if (!h.core) {
        // Colour tables of deeper bitmaps are only hints; they still take room in a packed bitmap.
        h.colorCount = h.clrUsed <= 256 ? h.clrUsed : 0;
    }
    int64_t maskBytes = 0;
    if (h.compression == 3 && h.size < 52) {
        maskBytes = 12;
        r.Seek(h.size);
        for (uint32_t& m : h.masks) m = r.U32();
    }
    h.tableBytes = maskBytes + h.colorCount * (h.core ? 3 : 4);
    if (h.compression == 0) {
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

}  // namespace

DecodedDib DecodeDib(std::span<const uint8_t> info, std::span<const uint8_t> bits, bool keepAlpha) {
    DibHeader h = ReadHeader(info);
    bool bottomUp = h.height > 0;
    int64_t height = bottomUp ? h.height : -h.height;
    // The decoded image takes 4 bytes a pixel, which bounds the source rows too.
    if (h.width > kMaxPixelBytes / 4 / height) throw EOutOfResources(msg::OutOfResources);
    RecordReader table(info);
    table.Seek(h.core ? 12 : h.size);
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

    int64_t rowBytes = (h.width * h.bitCount + 31) / 32 * 4;
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

DecodedDib DecodePackedDib(std::span<const uint8_t> packed) {
    DibHeader h = ReadHeader(packed);
    uint64_t offset = static_cast<uint64_t>(h.core ? 12 : h.size) + static_cast<uint64_t>(h.tableBytes);
    if (offset > packed.size()) throw MalformedRecord{};
    return DecodeDib(packed.first(static_cast<size_t>(offset)), packed.subspan(static_cast<size_t>(offset)));
}

}  // namespace zavo::platform

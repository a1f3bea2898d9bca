#include "platform/iconimage.h"

#include <algorithm>

#include "base/bytecursor.h"
#include "base/checked.h"
#include "platform/bitmapinfo.h"
#include "platform/channelmath.h"
#include "platform/devicecontext.h"
#include "platform/pngdecode.h"
#include "platform/surface.h"

namespace zavo::platform {

namespace {

constexpr int kMaxIconSide = 256;

struct Dib {
    int width = 0;
    int height = 0;  // of the colour image: half the header's
    int bits = 0;
    std::span<const uint8_t> colors;  // 4 bytes per entry
    std::span<const uint8_t> pixels;
    std::span<const uint8_t> mask;
    int64_t stride = 0;
    int64_t maskStride = 0;
};

std::optional<Dib> ParseDib(std::span<const uint8_t> image) {
    try {
        const BitmapInfoHeader header = ReadInfoHeader(image);
        const int32_t width = header.width;
        const int32_t height = header.height;
        const uint16_t bits = header.bitCount;
        if (header.size < kInfoHeaderSize || header.planes != 1 || header.compression != kBiRgb) return std::nullopt;
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return std::nullopt;
        if (width <= 0 || height < 2) return std::nullopt;
        Dib d;
        d.width = width;
        d.height = height / 2;
        d.bits = bits;
        ByteCursor c(image);
        c.Seek(header.size);
        const int colors = bits <= 8 ? 1 << bits : 0;
        d.colors = c.Bytes(static_cast<uint64_t>(colors) * 4);
        d.stride = *DibRowSize(width, bits);
        d.maskStride = *DibRowSize(width, 1);
        // Both products stay far below overflow: width and height are at most 2^31.
        d.pixels = c.Bytes(static_cast<uint64_t>(d.stride) * static_cast<uint64_t>(d.height));
        const uint64_t maskBytes = static_cast<uint64_t>(d.maskStride) * static_cast<uint64_t>(d.height);
        // A 32-bit image may end with its colour pixels: its alpha channel is its transparency.
        if (bits == 32 && !c.Has(maskBytes)) return d;
        d.mask = c.Bytes(maskBytes);
        return d;
    } catch (const EReadError&) {
        return std::nullopt;
    }
}

// Colour of pixel x of a bottom-up row as blue, green, red, alpha.
uint32_t DibPixel(const Dib& d, int x, int yFromTop) {
    const uint8_t* row = d.pixels.data() + static_cast<int64_t>(d.height - 1 - yFromTop) * d.stride;
    auto fromTable = [&](int index) {
        const uint8_t* q = d.colors.data() + index * 4;
        return static_cast<uint32_t>(q[0]) | static_cast<uint32_t>(q[1]) << 8 | static_cast<uint32_t>(q[2]) << 16;
    };
    switch (d.bits) {
        case 1: return fromTable((row[x / 8] >> (7 - x % 8)) & 1);
        case 4: return fromTable((row[x / 2] >> ((x % 2) ? 0 : 4)) & 0x0F);
        case 8: return fromTable(row[x]);
        case 16: {
            const uint32_t v = row[x * 2] | row[x * 2 + 1] << 8;
            return Bgrx(ExpandChannel(v, 0x7C00), ExpandChannel(v, 0x03E0), ExpandChannel(v, 0x001F));
        }
        case 24: return row[x * 3] | row[x * 3 + 1] << 8 | static_cast<uint32_t>(row[x * 3 + 2]) << 16;
        default:
            return row[x * 4] | row[x * 4 + 1] << 8 | static_cast<uint32_t>(row[x * 4 + 2]) << 16 |
                   static_cast<uint32_t>(row[x * 4 + 3]) << 24;
    }
}

bool MaskBit(const Dib& d, int x, int yFromTop) {
    if (d.mask.empty()) return false;
    const uint8_t* row = d.mask.data() + static_cast<int64_t>(d.height - 1 - yFromTop) * d.maskStride;
    return (row[x / 8] >> (7 - x % 8)) & 1;
}

void Store(IconPixels& icon, int x, int y, uint32_t bgra, bool masked) {
    const size_t at = static_cast<size_t>(y) * static_cast<size_t>(icon.width) + static_cast<size_t>(x);
    for (int k = 0; k < 4; ++k) icon.bgra[at * 4 + static_cast<size_t>(k)] = static_cast<uint8_t>(bgra >> (8 * k));
    icon.mask[at] = masked ? 1 : 0;
}

IconPixels Blank(int width, int height) {
    IconPixels icon;
    icon.width = width;
    icon.height = height;
    icon.bgra.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
    icon.mask.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    return icon;
}

// Nearest-neighbour source coordinate for a target coordinate.
int Scale(int target, int targetSize, int sourceSize) {
    return static_cast<int>(static_cast<int64_t>(target) * sourceSize / targetSize);
}

std::optional<IconPixels> FromPng(std::span<const uint8_t> image, int width, int height) {
    // An icon image is at most 256 pixels a side; a larger PNG is no icon and is not decoded.
    auto png = DecodePng(image, int64_t{kMaxIconSide} * kMaxIconSide * 4);
    if (!png) return std::nullopt;
    IconPixels icon = Blank(width, height);
    icon.useAlpha = true;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t at = (static_cast<size_t>(Scale(y, height, png->height)) * static_cast<size_t>(png->width) +
                               static_cast<size_t>(Scale(x, width, png->width))) * 4;
            const uint32_t v = png->bgra[at] | png->bgra[at + 1] << 8 | static_cast<uint32_t>(png->bgra[at + 2]) << 16 |
                               static_cast<uint32_t>(png->bgra[at + 3]) << 24;
            Store(icon, x, y, v, png->bgra[at + 3] == 0);
        }
    return icon;
}

}  // namespace

std::optional<IconPixels> BuildIcon(std::span<const uint8_t> image, int width, int height) {
    if (width < 1 || height < 1 || width > kMaxIconSide || height > kMaxIconSide) return std::nullopt;
    if (IsPng(image)) return FromPng(image, width, height);
    const std::optional<Dib> dib = ParseDib(image);
    if (!dib) return std::nullopt;
    IconPixels icon = Blank(width, height);
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int sx = Scale(x, width, dib->width);
            const int sy = Scale(y, height, dib->height);
            const uint32_t v = DibPixel(*dib, sx, sy);
            anyAlpha = anyAlpha || (dib->bits == 32 && (v >> 24) != 0);
            const bool masked = dib->mask.empty() ? (v >> 24) == 0 : MaskBit(*dib, sx, sy);
            Store(icon, x, y, dib->bits == 32 ? v : v | 0xFF000000u, masked);
        }
    icon.useAlpha = anyAlpha;
    // Without a mask and without alpha nothing is transparent.
    if (!anyAlpha && dib->mask.empty()) std::fill(icon.mask.begin(), icon.mask.end(), uint8_t{0});
    return icon;
}

IconPixels StockApplicationIcon() {
    // A window: black frame, blue title bar, white client area; transparent around it.
    const int n = kStandardIconSize;
    IconPixels icon = Blank(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const bool inside = x >= 2 && x < n - 2 && y >= 4 && y < n - 4;
            const bool frame = inside && (x == 2 || x == n - 3 || y == 4 || y == n - 5);
            const bool title = inside && !frame && y < 10;
            const uint32_t color = frame ? 0xFF000000u : title ? 0xFF800000u : 0xFFFFFFFFu;
            Store(icon, x, y, inside ? color : 0, !inside);
        }
    return icon;
}

void DrawIcon(DeviceContext& dc, int x, int y, const IconPixels& icon) {
    Surface* target = dc.Target();
    if (!target) return;
    for (int row = 0; row < icon.height; ++row) {
        const int ty = y + row;
        if (ty < 0 || ty >= target->Height()) continue;
        for (int col = 0; col < icon.width; ++col) {
            const int tx = x + col;
            if (tx < 0 || tx >= target->Width()) continue;
            const size_t at = static_cast<size_t>(row) * static_cast<size_t>(icon.width) + static_cast<size_t>(col);
            const uint8_t* p = icon.bgra.data() + at * 4;
            const ColorRef color = MakeColorRef(p[2], p[1], p[0]);
            if (icon.useAlpha) {
                const unsigned a = p[3];
                if (a == 0) continue;
                const ColorRef under = target->Pixel(tx, ty);
                auto mix = [a](unsigned top, unsigned bottom) {
                    return static_cast<uint8_t>((top * a + bottom * (255 - a) + 127) / 255);
                };
                target->SetPixel(tx, ty, MakeColorRef(mix(p[2], RedOf(under)), mix(p[1], GreenOf(under)),
                                                      mix(p[0], BlueOf(under))));
            } else if (!icon.mask[at]) {
                target->SetPixel(tx, ty, color);
            }
        }
    }
}

}  // namespace zavo::platform

#include "platform/surface.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "base/checked.h"
#include "base/exceptions.h"
#include "platform/channelmath.h"
#include "platform/memory.h"

namespace zavo::platform {

namespace {

[[noreturn]] void Refuse() { throw EOutOfResources(msg::OutOfResources); }

// Masks are usable when each is one contiguous run of bits inside the pixel and they do not overlap.
bool ValidMasks(const uint32_t masks[3], int bitCount) {
    uint32_t all = 0;
    for (int i = 0; i < 3; ++i) {
        uint32_t m = masks[i];
        if (m == 0) return false;
        if (bitCount == 16 && m > 0xFFFF) return false;
        uint32_t run = m >> MaskShift(m);
        if ((run & (run + 1)) != 0 || (all & m) != 0) return false;
        all |= m;
    }
    return true;
}

}  // namespace

Surface::~Surface() { FreePictureMemory({bits_, capacity_}); }

std::unique_ptr<Surface> Surface::Allocate(int width, int height, int bitCount, bool dib, bool topDown,
                                           Contents contents) {
    if (width < 0 || height < 0) Refuse();
    auto size = DibImageSize(width, height, bitCount);
    if (!size || *size > kMaxPictureBytes) Refuse();
    std::unique_ptr<Surface> s(new Surface());
    s->width_ = width;
    s->height_ = height;
    s->bitCount_ = bitCount;
    s->dib_ = dib;
    s->topDown_ = topDown;
    s->stride_ = *DibRowSize(width, bitCount);
    if (*size > 0) {
        bool unfilled = contents == Contents::Unfilled && bitCount >= 8;
        PictureBlock block = AllocatePictureMemory(static_cast<size_t>(*size), !unfilled);
        if (!block.bytes) Refuse();
        s->bits_ = block.bytes;
        s->capacity_ = block.capacity;
        // Row padding is part of what a bitmap writes out, so it is zero whoever fills the pixels.
        int64_t used = int64_t{width} * (bitCount / 8);
        if (unfilled && used < s->stride_) {
            for (int y = 0; y < height; ++y)
                std::memset(s->bits_ + y * s->stride_ + used, 0, static_cast<size_t>(s->stride_ - used));
        }
    }
    return s;
}

std::unique_ptr<Surface> Surface::CreateDisplay(int width, int height, Contents contents) {
    return Allocate(width, height, 32, false, true, contents);
}

std::unique_ptr<Surface> Surface::CreateMonochrome(int width, int height) {
    return Allocate(width, height, 1, false, true, Contents::Zeroed);
}

std::unique_ptr<Surface> Surface::CreateDib(const BitmapInfoHeader& header, std::span<const RgbQuad> colors,
                                            const uint32_t* masks, Contents contents) {
    int bits = header.bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return nullptr;
    bool fields = header.compression == kBiBitFields;
    if (header.compression != kBiRgb && !(fields && (bits == 16 || bits == 32))) return nullptr;
    if (header.width < 0 || header.height == INT32_MIN) Refuse();
    int height = header.height < 0 ? -header.height : header.height;

    uint32_t m[3];
    if (bits == 16) {
        m[0] = 0x7C00, m[1] = 0x03E0, m[2] = 0x001F;
        if (fields) m[0] = 0xF800, m[1] = 0x07E0, m[2] = 0x001F;
    } else {
        m[0] = 0xFF0000, m[1] = 0x00FF00, m[2] = 0x0000FF;
    }
    if (fields && masks && (masks[0] | masks[1] | masks[2]) != 0) {
        if (!ValidMasks(masks, bits)) return nullptr;
        std::copy(masks, masks + 3, m);
    }

    auto s = Allocate(header.width, height, bits, true, header.height < 0, contents);
    s->bitFields_ = fields;
    if (bits == 16 || bits == 32) std::copy(m, m + 3, s->masks_);
    if (bits <= 8) {
        s->colors_.assign(size_t{1} << bits, RgbQuad{});
        if (bits == 1 && colors.empty()) s->colors_[1] = {255, 255, 255, 0};
        std::copy_n(colors.begin(), std::min(colors.size(), s->colors_.size()), s->colors_.begin());
    }
    return s;
}

std::unique_ptr<Surface> Surface::Clone() const {
    auto s = Allocate(width_, height_, bitCount_, dib_, topDown_, Contents::Unfilled);
    s->bitFields_ = bitFields_;
    s->colors_ = colors_;
    std::copy(masks_, masks_ + 3, s->masks_);
    if (bits_) std::memcpy(s->bits_, bits_, static_cast<size_t>(ImageSize()));
    return s;
}

void Surface::SetColors(std::span<const RgbQuad> colors) {
    std::copy_n(colors.begin(), std::min(colors.size(), colors_.size()), colors_.begin());
}

BitmapInfoHeader Surface::Header() const {
    BitmapInfoHeader h;
    if (!dib_) return h;
    h.size = kInfoHeaderSize;
    h.width = width_;
    h.height = topDown_ ? -height_ : height_;
    h.planes = 1;
    h.bitCount = static_cast<uint16_t>(bitCount_);
    h.compression = bitFields_ ? kBiBitFields : kBiRgb;
    h.sizeImage = static_cast<uint32_t>(ImageSize());
    return h;
}

ColorRef Surface::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    const uint8_t* row = Row(y);
    switch (bitCount_) {
        case 1: {
            int bit = (row[x >> 3] >> (7 - (x & 7))) & 1;
            if (!dib_) return bit ? 0xFFFFFF : 0;
            const RgbQuad& q = colors_[bit];
            return MakeColorRef(q.red, q.green, q.blue);
        }
        case 4: {
            const RgbQuad& q = colors_[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
            return MakeColorRef(q.red, q.green, q.blue);
        }
        case 8: {
            const RgbQuad& q = colors_[row[x]];
            return MakeColorRef(q.red, q.green, q.blue);
        }
        case 16: {
            uint32_t p = row[2 * x] | row[2 * x + 1] << 8;
            return MakeColorRef(ExpandChannel(p, masks_[0]), ExpandChannel(p, masks_[1]), ExpandChannel(p, masks_[2]));
        }
        case 24: return MakeColorRef(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
        default: {
            uint32_t p;
            std::memcpy(&p, row + 4 * x, 4);
            if (!dib_) return MakeColorRef(static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p));
            return MakeColorRef(ExpandChannel(p, masks_[0]), ExpandChannel(p, masks_[1]), ExpandChannel(p, masks_[2]));
        }
    }
}

void Surface::SetPixel(int x, int y, ColorRef color) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    uint8_t* row = Row(y);
    uint8_t r = RedOf(color), g = GreenOf(color), b = BlueOf(color);
    auto nearest = [&]() {
        int best = 0;
        int bestDistance = INT32_MAX;
        for (size_t i = 0; i < colors_.size(); ++i) {
            int dr = colors_[i].red - r, dg = colors_[i].green - g, db = colors_[i].blue - b;
            int d = dr * dr + dg * dg + db * db;
            if (d < bestDistance) bestDistance = d, best = static_cast<int>(i);
        }
        return best;
    };
    switch (bitCount_) {
        case 1: {
            int bit = dib_ ? nearest() : (color & 0xFFFFFF) == 0xFFFFFF;
            uint8_t m = static_cast<uint8_t>(0x80 >> (x & 7));
            row[x >> 3] = static_cast<uint8_t>(bit ? row[x >> 3] | m : row[x >> 3] & ~m);
            break;
        }
        case 4: {
            int shift = (x & 1) ? 0 : 4;
            row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & ~(15 << shift)) | nearest() << shift);
            break;
        }
        case 8: row[x] = static_cast<uint8_t>(nearest()); break;
        case 16: {
            uint32_t p = PackChannel(r, masks_[0]) | PackChannel(g, masks_[1]) | PackChannel(b, masks_[2]);
            row[2 * x] = static_cast<uint8_t>(p);
            row[2 * x + 1] = static_cast<uint8_t>(p >> 8);
            break;
        }
        case 24: row[3 * x] = b, row[3 * x + 1] = g, row[3 * x + 2] = r; break;
        default: {
            uint32_t p = dib_ ? PackChannel(r, masks_[0]) | PackChannel(g, masks_[1]) | PackChannel(b, masks_[2])
                              : static_cast<uint32_t>(r) << 16 | g << 8 | b;
            std::memcpy(row + 4 * x, &p, 4);
        }
    }
}

}  // namespace zavo::platform

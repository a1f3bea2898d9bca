#include "platform/rowcodec.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#define ZAVO_HAVE_SHUFFLE 1
#endif

#include "platform/channelmath.h"

namespace zavo::platform {

namespace {

bool PlainBgrx32(const Surface& s) {
    return s.BitCount() == 32 &&
           (!s.IsDib() || (s.RedMask() == 0xFF0000 && s.GreenMask() == 0x00FF00 && s.BlueMask() == 0x0000FF));
}

uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

constexpr uint32_t kEmptyKey = 0xFFFFFFFF;
constexpr int kHashSlots = 1024;

uint32_t HashSlot(uint32_t pixel) { return (pixel * 2654435761u) >> 22; }

// Four pixels move as three 32-bit words on the 24-bit side.
void ScalarRgb24ToBgrx32(uint8_t* dst, const uint8_t* src, int count) {
    int i = 0;
    for (; i + 4 <= count; i += 4, src += 12, dst += 16) {
        uint32_t w0 = Load32(src), w1 = Load32(src + 4), w2 = Load32(src + 8);
        Store32(dst, w0 & 0xFFFFFF);
        Store32(dst + 4, (w0 >> 24 | w1 << 8) & 0xFFFFFF);
        Store32(dst + 8, (w1 >> 16 | w2 << 16) & 0xFFFFFF);
        Store32(dst + 12, w2 >> 8);
    }
    for (; i < count; ++i, src += 3, dst += 4) Store32(dst, src[0] | src[1] << 8 | src[2] << 16);
}

void ScalarBgrx32ToRgb24(uint8_t* dst, const uint8_t* src, int count) {
    int i = 0;
    for (; i + 4 <= count; i += 4, src += 16, dst += 12) {
        uint32_t p0 = Load32(src), p1 = Load32(src + 4), p2 = Load32(src + 8), p3 = Load32(src + 12);
        Store32(dst, (p0 & 0xFFFFFF) | p1 << 24);
        Store32(dst + 4, (p1 >> 8 & 0xFFFF) | p2 << 16);
        Store32(dst + 8, (p2 >> 16 & 0xFF) | p3 << 8);
    }
    for (; i < count; ++i, src += 4, dst += 3) dst[0] = src[0], dst[1] = src[1], dst[2] = src[2];
}

#ifdef ZAVO_HAVE_SHUFFLE
// Byte shuffles move four pixels per instruction where the processor has them. Sixteen bytes are
// read per four pixels although twelve are used, so the loop stops while at least six pixels
// (eighteen bytes) remain; the scalar loop finishes the row.
__attribute__((target("ssse3"))) void ShuffleRgb24ToBgrx32(const DirectRowConverter&, uint8_t* dst, int dx,
                                                           const uint8_t* src, int sx, int count) {
    const __m128i order = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    uint8_t* d = dst + 4 * static_cast<int64_t>(dx);
    const uint8_t* s = src + 3 * static_cast<int64_t>(sx);
    int i = 0;
    for (; i + 6 <= count; i += 4, s += 12, d += 16)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d),
                         _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)), order));
    ScalarRgb24ToBgrx32(d, s, count - i);
}

// Sixteen bytes are written per four pixels although twelve belong to them; the next store covers
// the rest, and the loop stops while at least six pixels remain so that no store passes the row.
__attribute__((target("ssse3"))) void ShuffleBgrx32ToRgb24(const DirectRowConverter&, uint8_t* dst, int dx,
                                                           const uint8_t* src, int sx, int count) {
    const __m128i order = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    uint8_t* d = dst + 3 * static_cast<int64_t>(dx);
    const uint8_t* s = src + 4 * static_cast<int64_t>(sx);
    int i = 0;
    for (; i + 6 <= count; i += 4, s += 16, d += 12)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d),
                         _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)), order));
    ScalarBgrx32ToRgb24(d, s, count - i);
}
#endif

}  // namespace

RowDecoder::RowDecoder(const Surface& surface, const MonoColors& colors) {
    const auto& table = surface.Colors();
    for (size_t i = 0; i < table.size() && i < 256; ++i) lut_[i] = Bgrx(table[i].red, table[i].green, table[i].blue);
    masks_[0] = surface.RedMask(), masks_[1] = surface.GreenMask(), masks_[2] = surface.BlueMask();
    switch (surface.BitCount()) {
        case 1:
            if (surface.IsMonochrome()) {
                lut_[0] = BgrxFromColorRef(colors.text & 0xFFFFFF);
                lut_[1] = BgrxFromColorRef(colors.background & 0xFFFFFF);
            }
            fn_ = Mono1;
            break;
        case 4: fn_ = Index4; break;
        case 8: fn_ = Index8; break;
        case 16:
            lut16_.resize(65536);
            for (uint32_t p = 0; p < 65536; ++p)
                lut16_[p] = Bgrx(ExpandChannel(p, masks_[0]), ExpandChannel(p, masks_[1]), ExpandChannel(p, masks_[2]));
            fn_ = Masked16;
            break;
        case 24: fn_ = Rgb24; break;
        default: fn_ = PlainBgrx32(surface) ? Bgrx32 : Masked32; break;
    }
}

void RowDecoder::Mono1(const RowDecoder& d, const uint8_t* row, int x, int count, uint32_t* out) {
    for (int i = 0; i < count; ++i) {
        int px = x + i;
        out[i] = d.lut_[(row[px >> 3] >> (7 - (px & 7))) & 1];
    }
}

void RowDecoder::Index4(const RowDecoder& d, const uint8_t* row, int x, int count, uint32_t* out) {
    for (int i = 0; i < count; ++i) {
        int px = x + i;
        out[i] = d.lut_[(row[px >> 1] >> ((px & 1) ? 0 : 4)) & 15];
    }
}

void RowDecoder::Index8(const RowDecoder& d, const uint8_t* row, int x, int count, uint32_t* out) {
    row += x;
    for (int i = 0; i < count; ++i) out[i] = d.lut_[row[i]];
}

void RowDecoder::Masked16(const RowDecoder& d, const uint8_t* row, int x, int count, uint32_t* out) {
    row += 2 * x;
    const uint32_t* lut = d.lut16_.data();
    for (int i = 0; i < count; ++i) out[i] = lut[row[2 * i] | row[2 * i + 1] << 8];
}

void RowDecoder::Rgb24(const RowDecoder&, const uint8_t* row, int x, int count, uint32_t* out) {
    row += 3 * x;
    for (int i = 0; i < count; ++i) out[i] = row[3 * i] | row[3 * i + 1] << 8 | row[3 * i + 2] << 16;
}

void RowDecoder::Bgrx32(const RowDecoder&, const uint8_t* row, int x, int count, uint32_t* out) {
    std::memcpy(out, row + 4 * static_cast<int64_t>(x), static_cast<size_t>(count) * 4);
    for (int i = 0; i < count; ++i) out[i] &= 0xFFFFFF;
}

void RowDecoder::Masked32(const RowDecoder& d, const uint8_t* row, int x, int count, uint32_t* out) {
    row += 4 * static_cast<int64_t>(x);
    for (int i = 0; i < count; ++i) {
        uint32_t p = Load32(row + 4 * i);
        out[i] = Bgrx(ExpandChannel(p, d.masks_[0]), ExpandChannel(p, d.masks_[1]), ExpandChannel(p, d.masks_[2]));
    }
}

RowEncoder::RowEncoder(Surface& surface, const MonoColors& colors) {
    key_ = BgrxFromColorRef(colors.sourceBackground & 0xFFFFFF);
    for (const RgbQuad& q : surface.Colors()) table_.push_back(Bgrx(q.red, q.green, q.blue));
    if (!table_.empty()) {
        hashKeys_.assign(kHashSlots, kEmptyKey);
        hashValues_.assign(kHashSlots, 0);
        for (size_t i = 0; i < table_.size(); ++i) {
            uint32_t slot = HashSlot(table_[i]);
            while (hashKeys_[slot] != kEmptyKey && hashKeys_[slot] != table_[i]) slot = (slot + 1) % kHashSlots;
            if (hashKeys_[slot] == kEmptyKey) hashKeys_[slot] = table_[i], hashValues_[slot] = static_cast<uint8_t>(i);
        }
        cache_.assign(32768, -1);
    }
    uint32_t masks[3] = {surface.RedMask(), surface.GreenMask(), surface.BlueMask()};
    for (int v = 0; v < 256; ++v) {
        red_[v] = PackChannel(static_cast<uint8_t>(v), masks[0]);
        green_[v] = PackChannel(static_cast<uint8_t>(v), masks[1]);
        blue_[v] = PackChannel(static_cast<uint8_t>(v), masks[2]);
    }
    switch (surface.BitCount()) {
        case 1: fn_ = surface.IsMonochrome() ? Mono1 : Index1; break;
        case 4: fn_ = Index4; break;
        case 8: fn_ = Index8; break;
        case 16: fn_ = Masked16; break;
        case 24: fn_ = Rgb24; break;
        default: fn_ = PlainBgrx32(surface) ? Bgrx32 : Masked32; break;
    }
}

uint8_t RowEncoder::Search(uint32_t pixel) const {
    int r = pixel >> 16 & 0xFF, g = pixel >> 8 & 0xFF, b = pixel & 0xFF;
    int best = 0, bestDistance = INT32_MAX;
    for (size_t i = 0; i < table_.size(); ++i) {
        uint32_t t = table_[i];
        int dr = static_cast<int>(t >> 16 & 0xFF) - r, dg = static_cast<int>(t >> 8 & 0xFF) - g, db = static_cast<int>(t & 0xFF) - b;
        int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) bestDistance = d, best = static_cast<int>(i);
    }
    return static_cast<uint8_t>(best);
}

uint8_t RowEncoder::Nearest(uint32_t pixel) {
    if (table_.empty()) return 0;
    for (uint32_t slot = HashSlot(pixel); hashKeys_[slot] != kEmptyKey; slot = (slot + 1) % kHashSlots)
        if (hashKeys_[slot] == pixel) return hashValues_[slot];
    uint32_t r = pixel >> 19 & 31, g = pixel >> 11 & 31, b = pixel >> 3 & 31;
    int16_t& cached = cache_[r << 10 | g << 5 | b];
    if (cached < 0) cached = Search(Bgrx(static_cast<uint8_t>(r << 3 | 4), static_cast<uint8_t>(g << 3 | 4), static_cast<uint8_t>(b << 3 | 4)));
    return static_cast<uint8_t>(cached);
}

void RowEncoder::Mono1(RowEncoder& e, uint8_t* row, int x, int count, const uint32_t* in) {
    for (int i = 0; i < count; ++i) {
        int px = x + i;
        auto bit = static_cast<uint8_t>(0x80 >> (px & 7));
        row[px >> 3] = static_cast<uint8_t>(in[i] == e.key_ ? row[px >> 3] | bit : row[px >> 3] & ~bit);
    }
}

void RowEncoder::Index1(RowEncoder& e, uint8_t* row, int x, int count, const uint32_t* in) {
    for (int i = 0; i < count; ++i) {
        int px = x + i;
        auto bit = static_cast<uint8_t>(0x80 >> (px & 7));
        row[px >> 3] = static_cast<uint8_t>(e.Nearest(in[i]) & 1 ? row[px >> 3] | bit : row[px >> 3] & ~bit);
    }
}

void RowEncoder::Index4(RowEncoder& e, uint8_t* row, int x, int count, const uint32_t* in) {
    for (int i = 0; i < count; ++i) {
        int px = x + i;
        int shift = (px & 1) ? 0 : 4;
        row[px >> 1] = static_cast<uint8_t>((row[px >> 1] & ~(15 << shift)) | (e.Nearest(in[i]) & 15) << shift);
    }
}

void RowEncoder::Index8(RowEncoder& e, uint8_t* row, int x, int count, const uint32_t* in) {
    row += x;
    for (int i = 0; i < count; ++i) row[i] = e.Nearest(in[i]);
}

void RowEncoder::Masked16(RowEncoder& e, uint8_t* row, int x, int count, const uint32_t* in) {
    row += 2 * x;
    for (int i = 0; i < count; ++i) {
        uint32_t p = in[i];
        uint32_t v = e.red_[p >> 16 & 0xFF] | e.green_[p >> 8 & 0xFF] | e.blue_[p & 0xFF];
        row[2 * i] = static_cast<uint8_t>(v);
        row[2 * i + 1] = static_cast<uint8_t>(v >> 8);
    }
}

void RowEncoder::Rgb24(RowEncoder&, uint8_t* row, int x, int count, const uint32_t* in) {
    row += 3 * static_cast<int64_t>(x);
    for (int i = 0; i < count; ++i) {
        uint32_t p = in[i];
        row[3 * i] = static_cast<uint8_t>(p);
        row[3 * i + 1] = static_cast<uint8_t>(p >> 8);
        row[3 * i + 2] = static_cast<uint8_t>(p >> 16);
    }
}

void RowEncoder::Bgrx32(RowEncoder&, uint8_t* row, int x, int count, const uint32_t* in) {
    std::memcpy(row + 4 * static_cast<int64_t>(x), in, static_cast<size_t>(count) * 4);
}

void RowEncoder::Masked32(RowEncoder& e, uint8_t* row, int x, int count, const uint32_t* in) {
    row += 4 * static_cast<int64_t>(x);
    for (int i = 0; i < count; ++i) {
        uint32_t p = in[i];
        Store32(row + 4 * i, e.red_[p >> 16 & 0xFF] | e.green_[p >> 8 & 0xFF] | e.blue_[p & 0xFF]);
    }
}

DirectRowConverter::DirectRowConverter(const Surface& target, const Surface& source) {
    if (!PlainBgrx32(target) && !(target.IsDib() && target.BitCount() == 24)) return;
    bool toBgrx = PlainBgrx32(target);
    if (toBgrx && source.IsDib() && source.BitCount() == 24) {
        fn_ = Rgb24ToBgrx32;
#ifdef ZAVO_HAVE_SHUFFLE
        if (__builtin_cpu_supports("ssse3")) fn_ = ShuffleRgb24ToBgrx32;
#endif
    } else if (!toBgrx && PlainBgrx32(source)) {
        fn_ = Bgrx32ToRgb24;
#ifdef ZAVO_HAVE_SHUFFLE
        if (__builtin_cpu_supports("ssse3")) fn_ = ShuffleBgrx32ToRgb24;
#endif
    } else if (toBgrx && source.IsDib() && source.BitCount() == 8) {
        const auto& table = source.Colors();
        for (size_t i = 0; i < table.size() && i < 256; ++i) lut_[i] = Bgrx(table[i].red, table[i].green, table[i].blue);
        fn_ = Index8ToBgrx32;
    }
}

void DirectRowConverter::Rgb24ToBgrx32(const DirectRowConverter&, uint8_t* dst, int dx, const uint8_t* src, int sx,
                                       int count) {
    ScalarRgb24ToBgrx32(dst + 4 * static_cast<int64_t>(dx), src + 3 * static_cast<int64_t>(sx), count);
}

void DirectRowConverter::Bgrx32ToRgb24(const DirectRowConverter&, uint8_t* dst, int dx, const uint8_t* src, int sx,
                                       int count) {
    ScalarBgrx32ToRgb24(dst + 3 * static_cast<int64_t>(dx), src + 4 * static_cast<int64_t>(sx), count);
}

void DirectRowConverter::Index8ToBgrx32(const DirectRowConverter& c, uint8_t* dst, int dx, const uint8_t* src, int sx,
                                        int count) {
    dst += 4 * static_cast<int64_t>(dx);
    src += sx;
    for (int i = 0; i < count; ++i) Store32(dst + 4 * i, c.lut_[src[i]]);
}

}  // namespace zavo::platform

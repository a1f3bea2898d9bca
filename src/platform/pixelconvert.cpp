#include "platform/pixelconvert.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/channelmath.h"
#include "platform/rowcodec.h"

namespace zavo::platform {

namespace {

// Clips a copy of width x height from (sx, sy) to (x, y) against both surfaces. False when nothing
// is left.
bool ClipCopy(const Surface& target, int& x, int& y, int& width, int& height, const Surface& source, int& sx,
              int& sy) {
    // In 64 bits, so that far-off coordinates cannot wrap around.
    auto clipAxis = [](int& d, int& s, int& n, int dLimit, int sLimit) {
        int64_t d64 = d, s64 = s, n64 = n;
        if (d64 < 0) s64 -= d64, n64 += d64, d64 = 0;
        if (s64 < 0) d64 -= s64, n64 += s64, s64 = 0;
        n64 = std::min({n64, int64_t{dLimit} - d64, int64_t{sLimit} - s64});
        if (n64 <= 0) return false;
        d = static_cast<int>(d64), s = static_cast<int>(s64), n = static_cast<int>(n64);
        return true;
    };
    return clipAxis(x, sx, width, target.Width(), source.Width()) &&
           clipAxis(y, sy, height, target.Height(), source.Height());
}

using Combine = void (*)(uint32_t* dst, const uint32_t* src, int n);

template <typename F>
void CombineWith(uint32_t* dst, const uint32_t* src, int n, F f) {
    for (int i = 0; i < n; ++i) dst[i] = f(dst[i], src[i]) & 0xFFFFFF;
}

Combine CombineFor(RasterOp op) {
    switch (op) {
        case RasterOp::SrcPaint: return [](uint32_t* d, const uint32_t* s, int n) { CombineWith(d, s, n, [](uint32_t a, uint32_t b) { return a | b; }); };
        case RasterOp::SrcAnd: return [](uint32_t* d, const uint32_t* s, int n) { CombineWith(d, s, n, [](uint32_t a, uint32_t b) { return a & b; }); };
        case RasterOp::SrcInvert: return [](uint32_t* d, const uint32_t* s, int n) { CombineWith(d, s, n, [](uint32_t a, uint32_t b) { return a ^ b; }); };
        case RasterOp::SrcErase: return [](uint32_t* d, const uint32_t* s, int n) { CombineWith(d, s, n, [](uint32_t a, uint32_t b) { return ~a & b; }); };
        case RasterOp::NotSrcCopy: return [](uint32_t* d, const uint32_t* s, int n) { CombineWith(d, s, n, [](uint32_t, uint32_t b) { return ~b; }); };
        case RasterOp::NotSrcErase: return [](uint32_t* d, const uint32_t* s, int n) { CombineWith(d, s, n, [](uint32_t a, uint32_t b) { return ~(a | b); }); };
        case RasterOp::MergePaint: return [](uint32_t* d, const uint32_t* s, int n) { CombineWith(d, s, n, [](uint32_t a, uint32_t b) { return ~b | a; }); };
        case RasterOp::DstInvert: return [](uint32_t* d, const uint32_t* s, int n) { CombineWith(d, s, n, [](uint32_t a, uint32_t) { return ~a; }); };
        case RasterOp::Blackness: return [](uint32_t* d, const uint32_t* s, int n) { CombineWith(d, s, n, [](uint32_t, uint32_t) { return 0u; }); };
        case RasterOp::Whiteness: return [](uint32_t* d, const uint32_t* s, int n) { CombineWith(d, s, n, [](uint32_t, uint32_t) { return 0xFFFFFFu; }); };
        case RasterOp::SrcCopy: break;
    }
    return nullptr;
}

// The decoder for a source and the encoder for a target, with the colours monochrome surfaces take.
// Between two monochrome surfaces the bits pass unchanged.
struct CopyCodecs {
    RowDecoder decoder;
    RowEncoder encoder;
    CopyCodecs(Surface& target, const Surface& source, const MonoColors& colors)
        : decoder(source, source.IsMonochrome() && target.IsMonochrome() ? MonoColors{0, 0xFFFFFF, 0xFFFFFF} : colors),
          encoder(target, source.IsMonochrome() && target.IsMonochrome() ? MonoColors{0, 0xFFFFFF, 0xFFFFFF} : colors) {}
};

bool SameLayout(const Surface& a, const Surface& b) {
    if (a.BitCount() != b.BitCount() || a.IsDib() != b.IsDib()) return false;
    if (a.BitCount() <= 8) return a.Colors() == b.Colors();
    if (a.BitCount() == 16 || (a.BitCount() == 32 && a.IsDib()))
        return a.RedMask() == b.RedMask() && a.GreenMask() == b.GreenMask() && a.BlueMask() == b.BlueMask();
    return true;
}

}  // namespace

void FillSurface(Surface& target, const Rect& rect, ColorRef color) {
    int left = std::max(rect.left, 0), top = std::max(rect.top, 0);
    int right = std::min(rect.right, target.Width()), bottom = std::min(rect.bottom, target.Height());
    if (left >= right || top >= bottom) return;
    int n = right - left;
    if (target.IsMonochrome())
        color = RedOf(color) + GreenOf(color) + BlueOf(color) >= 3 * 128 ? 0xFFFFFF : 0x000000;
    RowEncoder encoder(target, MonoColors{0, 0xFFFFFF, 0xFFFFFF});
    std::vector<uint32_t> pixels(static_cast<size_t>(n), BgrxFromColorRef(color & 0xFFFFFF));
    encoder.Encode(target.Row(top), left, n, pixels.data());
    if (target.BitCount() >= 8) {
        // Whole bytes: the first row serves as the pattern for the others.
        size_t bytes = static_cast<size_t>(n) * static_cast<size_t>(target.BitCount() / 8);
        const uint8_t* first = target.Row(top) + static_cast<int64_t>(left) * (target.BitCount() / 8);
        for (int y = top + 1; y < bottom; ++y)
            std::memcpy(target.Row(y) + static_cast<int64_t>(left) * (target.BitCount() / 8), first, bytes);
        return;
    }
    for (int y = top + 1; y < bottom; ++y) encoder.Encode(target.Row(y), left, n, pixels.data());
}

void CopySurface(Surface& target, int x, int y, int width, int height, const Surface& source, int sx, int sy,
                 const MonoColors& colors, RasterOp op) {
    if (!ClipCopy(target, x, y, width, height, source, sx, sy)) return;
    Combine combine = CombineFor(op);

    if (!combine) {
        int bits = source.BitCount();
        if (SameLayout(target, source) && (bits >= 8 || ((x * bits) % 8 == 0 && (sx * bits) % 8 == 0 && (width * bits) % 8 == 0))) {
            size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(bits) / 8;
            for (int row = 0; row < height; ++row)
                std::memmove(target.Row(y + row) + static_cast<int64_t>(x) * bits / 8,
                            source.Row(sy + row) + static_cast<int64_t>(sx) * bits / 8, bytes);
            return;
        }
        if (DirectRowConverter direct(target, source); direct) {
            for (int row = 0; row < height; ++row) direct(target.Row(y + row), x, source.Row(sy + row), sx, width);
            return;
        }
    }

    CopyCodecs codecs(target, source, colors);
    std::vector<uint32_t> src(static_cast<size_t>(width));
    std::vector<uint32_t> dst(combine ? static_cast<size_t>(width) : 0);
    RowDecoder targetDecoder(target, colors);
    for (int row = 0; row < height; ++row) {
        codecs.decoder.Decode(source.Row(sy + row), sx, width, src.data());
        if (combine) {
            targetDecoder.Decode(target.Row(y + row), x, width, dst.data());
            combine(dst.data(), src.data(), width);
            codecs.encoder.Encode(target.Row(y + row), x, width, dst.data());
        } else {
            codecs.encoder.Encode(target.Row(y + row), x, width, src.data());
        }
    }
}

namespace {

// For each target coordinate in [first, last) (the target span clipped to [0, dLimit)) the source
// coordinate its pixel centre maps to, or -1 outside the source.
std::vector<int> MapAxis(int dFrom, int dTo, int sFrom, int sTo, int dLimit, int sLimit, int& first, int& last) {
    std::vector<int> map;
    int64_t dSize = int64_t{dTo} - dFrom, sSize = int64_t{sTo} - sFrom;
    first = static_cast<int>(std::max<int64_t>(std::min(dFrom, dTo), 0));
    last = static_cast<int>(std::min<int64_t>(std::max(dFrom, dTo), dLimit));
    if (first >= last || dSize == 0 || sSize == 0) {
        last = first;
        return map;
    }
    map.resize(static_cast<size_t>(last - first));
    for (int d = first; d < last; ++d) {
        // Target pixel d covers [d, d + 1); its centre, in halves, scaled into the source rectangle.
        __int128 num = static_cast<__int128>((int64_t{d} - dFrom) * 2 + 1) * sSize;
        __int128 den = static_cast<__int128>(dSize) * 2;
        __int128 q = num / den;
        if ((num % den != 0) && ((num < 0) != (den < 0))) --q;
        __int128 s = sFrom + q;
        map[static_cast<size_t>(d - first)] = (s >= 0 && s < sLimit) ? static_cast<int>(s) : -1;
    }
    return map;
}

void Stretch(Surface& target, const Rect& dst, const Surface& source, const Rect& src, const Surface* mask,
             const MonoColors& colors, RasterOp op) {
    int x0, x1, y0, y1;
    std::vector<int> xmap = MapAxis(dst.left, dst.right, src.left, src.right, target.Width(), source.Width(), x0, x1);
    std::vector<int> ymap = MapAxis(dst.top, dst.bottom, src.top, src.bottom, target.Height(), source.Height(), y0, y1);
    if (x0 >= x1 || y0 >= y1) return;
    int n = x1 - x0;
    int sMin = INT32_MAX, sMax = -1;
    for (int s : xmap)
        if (s >= 0) sMin = std::min(sMin, s), sMax = std::max(sMax, s);
    if (sMax < 0) return;

    Combine combine = CombineFor(op);
    bool partial = std::find(xmap.begin(), xmap.end(), -1) != xmap.end();
    bool needTarget = combine || partial || mask;
    CopyCodecs codecs(target, source, colors);
    RowDecoder targetDecoder(target, colors);
    std::unique_ptr<RowDecoder> maskDecoder;
    if (mask) maskDecoder = std::make_unique<RowDecoder>(*mask, MonoColors{0, 0xFFFFFF, 0xFFFFFF});

    int span = sMax - sMin + 1;
    std::vector<uint32_t> srcRow(static_cast<size_t>(span)), maskRow(mask ? static_cast<size_t>(span) : 0);
    std::vector<uint32_t> gathered(static_cast<size_t>(n)), out(static_cast<size_t>(n));
    int decodedRow = -1;
    for (int y = y0; y < y1; ++y) {
        int sy = ymap[static_cast<size_t>(y - y0)];
        if (sy < 0) continue;
        if (sy != decodedRow) {
            codecs.decoder.Decode(source.Row(sy), sMin, span, srcRow.data());
            if (mask) maskDecoder->Decode(mask->Row(sy), sMin, span, maskRow.data());
            decodedRow = sy;
        }
        uint8_t* row = target.Row(y);
        if (!needTarget) {
            for (int i = 0; i < n; ++i) out[static_cast<size_t>(i)] = srcRow[static_cast<size_t>(xmap[static_cast<size_t>(i)] - sMin)];
            codecs.encoder.Encode(row, x0, n, out.data());
            continue;
        }
        targetDecoder.Decode(row, x0, n, out.data());
        for (int i = 0; i < n; ++i) {
            int s = xmap[static_cast<size_t>(i)];
            gathered[static_cast<size_t>(i)] = s >= 0 ? srcRow[static_cast<size_t>(s - sMin)] : out[static_cast<size_t>(i)];
        }
        if (combine) {
            std::vector<uint32_t> before(out);
            combine(out.data(), gathered.data(), n);
            for (int i = 0; i < n; ++i)
                if (xmap[static_cast<size_t>(i)] < 0) out[static_cast<size_t>(i)] = before[static_cast<size_t>(i)];
        } else if (mask) {
            for (int i = 0; i < n; ++i) {
                int s = xmap[static_cast<size_t>(i)];
                if (s >= 0 && maskRow[static_cast<size_t>(s - sMin)] == 0) out[static_cast<size_t>(i)] = gathered[static_cast<size_t>(i)];
            }
        } else {
            out.swap(gathered);
        }
        codecs.encoder.Encode(row, x0, n, out.data());
    }
}

}  // namespace

void StretchSurface(Surface& target, const Rect& dst, const Surface& source, const Rect& src,
                    const MonoColors& colors, RasterOp op) {
    auto width = [](int from, int to) { return int64_t{to} - from; };
    if (width(dst.left, dst.right) == width(src.left, src.right) && width(dst.top, dst.bottom) == width(src.top, src.bottom) &&
        width(dst.left, dst.right) > 0 && width(dst.top, dst.bottom) > 0 && width(dst.left, dst.right) <= INT32_MAX &&
        width(dst.top, dst.bottom) <= INT32_MAX) {
        CopySurface(target, dst.left, dst.top, dst.Width(), dst.Height(), source, src.left, src.top, colors, op);
        return;
    }
    Stretch(target, dst, source, src, nullptr, colors, op);
}

void MaskedStretchSurface(Surface& target, const Rect& dst, const Surface& source, const Rect& src,
                          const Surface& mask, const MonoColors& colors) {
    if (mask.Width() < source.Width() || mask.Height() < source.Height()) return;
    Stretch(target, dst, source, src, &mask, colors, RasterOp::SrcCopy);
}

std::unique_ptr<Surface> BuildMask(const Surface& source, ColorRef transparent, const MonoColors& colors) {
    auto mask = Surface::CreateMonochrome(source.Width(), source.Height());
    CopySurface(*mask, 0, 0, source.Width(), source.Height(), source, 0, 0,
                MonoColors{colors.text, colors.background, transparent});
    // Between monochrome surfaces the bits pass unchanged; a black transparent colour wants them inverted.
    if (source.IsMonochrome() && (transparent & 0xFFFFFF) != 0xFFFFFF) {
        for (int y = 0; y < mask->Height(); ++y) {
            uint8_t* row = mask->Row(y);
            for (int64_t i = 0; i < mask->Stride(); ++i) row[i] = static_cast<uint8_t>(~row[i]);
        }
    }
    return mask;
}

}  // namespace zavo::platform

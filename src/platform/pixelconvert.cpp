#include "platform/pixelconvert.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/channelmath.h"
#include "platform/rowcodec.h"

namespace zavo::platform {

namespace {

// Rows are converted in pieces of at most this many pixels, so that the work buffers stay small
// whatever the width.
constexpr int kChunk = 4096;

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
    if (target.IsMonochrome())
        color = RedOf(color) + GreenOf(color) + BlueOf(color) >= 3 * 128 ? 0xFFFFFF : 0x000000;
    RowEncoder encoder(target, MonoColors{0, 0xFFFFFF, 0xFFFFFF});
    std::vector<uint32_t> pixels(static_cast<size_t>(std::min(right - left, kChunk)), BgrxFromColorRef(color & 0xFFFFFF));
    auto encodeRow = [&](int y) {
        for (int x = left; x < right; x += kChunk) encoder.Encode(target.Row(y), x, std::min(right - x, kChunk), pixels.data());
    };
    encodeRow(top);
    if (target.BitCount() >= 8) {
        // Whole bytes: the first row serves as the pattern for the others.
        int64_t bytesPerPixel = target.BitCount() / 8;
        size_t bytes = static_cast<size_t>(int64_t{right - left} * bytesPerPixel);
        const uint8_t* first = target.Row(top) + left * bytesPerPixel;
        for (int y = top + 1; y < bottom; ++y) std::memcpy(target.Row(y) + left * bytesPerPixel, first, bytes);
        return;
    }
    for (int y = top + 1; y < bottom; ++y) encodeRow(y);
}

void CopySurface(Surface& target, int x, int y, int width, int height, const Surface& source, int sx, int sy,
                 const MonoColors& colors, RasterOp op) {
    if (!ClipCopy(target, x, y, width, height, source, sx, sy)) return;
    Combine combine = CombineFor(op);

    if (!combine) {
        int64_t bits = source.BitCount();
        if (SameLayout(target, source) && (bits >= 8 || ((x * bits) % 8 == 0 && (sx * bits) % 8 == 0 && (width * bits) % 8 == 0))) {
            size_t bytes = static_cast<size_t>(width * bits / 8);
            for (int row = 0; row < height; ++row)
                std::memmove(target.Row(y + row) + x * bits / 8, source.Row(sy + row) + sx * bits / 8, bytes);
            return;
        }
        if (DirectRowConverter direct(target, source); direct) {
            for (int row = 0; row < height; ++row) direct(target.Row(y + row), x, source.Row(sy + row), sx, width);
            return;
        }
    }

    CopyCodecs codecs(target, source, colors);
    std::optional<RowDecoder> targetDecoder;
    if (combine) targetDecoder.emplace(target, colors);
    int chunk = std::min(width, kChunk);
    std::vector<uint32_t> src(static_cast<size_t>(chunk));
    std::vector<uint32_t> dst(combine ? static_cast<size_t>(chunk) : 0);
    for (int row = 0; row < height; ++row) {
        const uint8_t* from = source.Row(sy + row);
        uint8_t* to = target.Row(y + row);
        for (int done = 0; done < width; done += chunk) {
            int n = std::min(chunk, width - done);
            codecs.decoder.Decode(from, sx + done, n, src.data());
            if (combine) {
                targetDecoder->Decode(to, x + done, n, dst.data());
                combine(dst.data(), src.data(), n);
                codecs.encoder.Encode(to, x + done, n, dst.data());
            } else {
                codecs.encoder.Encode(to, x + done, n, src.data());
            }
        }
    }
}

namespace {

// Maps target coordinates of one axis to source coordinates: target pixel d covers [d, d + 1), and
// its centre, scaled into the source rectangle, picks the source pixel (-1 outside the source).
class AxisMap {
public:
    AxisMap(int dFrom, int dTo, int sFrom, int sTo, int dLimit, int sLimit)
        : dFrom_(dFrom), dSize_(int64_t{dTo} - dFrom), sFrom_(sFrom), sSize_(int64_t{sTo} - sFrom), sLimit_(sLimit) {
        first_ = static_cast<int>(std::max<int64_t>(std::min(dFrom, dTo), 0));
        last_ = static_cast<int>(std::min<int64_t>(std::max(dFrom, dTo), dLimit));
        if (first_ >= last_ || dSize_ == 0 || sSize_ == 0) last_ = first_;
    }
    int First() const { return first_; }
    int Last() const { return last_; }
    int operator()(int d) const {
        __int128 num = static_cast<__int128>((int64_t{d} - dFrom_) * 2 + 1) * sSize_;
        __int128 den = static_cast<__int128>(dSize_) * 2;
        __int128 q = num / den;
        if ((num % den != 0) && ((num < 0) != (den < 0))) --q;
        __int128 s = sFrom_ + q;
        return (s >= 0 && s < sLimit_) ? static_cast<int>(s) : -1;
    }

private:
    int64_t dFrom_, dSize_, sFrom_, sSize_;
    int sLimit_;
    int first_ = 0, last_ = 0;
};

// Target rows are worked in chunks of kChunk pixels. The source pixels a chunk needs are decoded as
// one run when they lie close together, and one by one when the picture shrinks so much that the
// run would be far longer than the chunk.
void Stretch(Surface& target, const Rect& dst, const Surface& source, const Rect& src, const Surface* mask,
             const MonoColors& colors, RasterOp op) {
    AxisMap xmap(dst.left, dst.right, src.left, src.right, target.Width(), source.Width());
    AxisMap ymap(dst.top, dst.bottom, src.top, src.bottom, target.Height(), source.Height());
    if (xmap.First() >= xmap.Last() || ymap.First() >= ymap.Last()) return;

    Combine combine = CombineFor(op);
    CopyCodecs codecs(target, source, colors);
    std::optional<RowDecoder> targetDecoder;
    std::unique_ptr<RowDecoder> maskDecoder;
    if (mask) maskDecoder = std::make_unique<RowDecoder>(*mask, MonoColors{0, 0xFFFFFF, 0xFFFFFF});

    const int width = xmap.Last() - xmap.First();
    const int chunks = (width + kChunk - 1) / kChunk;
    // The source columns of each chunk do not change from row to row: work them out once.
    std::vector<int> columns(chunks == 1 ? static_cast<size_t>(width) : static_cast<size_t>(kChunk));
    auto fillColumns = [&](int from, int n) {
        for (int i = 0; i < n; ++i) columns[static_cast<size_t>(i)] = xmap(from + i);
    };
    if (chunks == 1) fillColumns(xmap.First(), width);

    constexpr int kMaxRun = 4 * kChunk;
    std::vector<uint32_t> run(static_cast<size_t>(kMaxRun)), maskRun(mask ? static_cast<size_t>(kMaxRun) : 0);
    std::vector<uint32_t> gathered(static_cast<size_t>(kChunk)), gatheredMask(static_cast<size_t>(kChunk));
    std::vector<uint32_t> out(static_cast<size_t>(kChunk)), before(static_cast<size_t>(kChunk));

    for (int y = ymap.First(); y < ymap.Last(); ++y) {
        int sy = ymap(y);
        if (sy < 0) continue;
        const uint8_t* from = source.Row(sy);
        const uint8_t* maskRow = mask ? mask->Row(sy) : nullptr;
        uint8_t* to = target.Row(y);
        for (int cx = xmap.First(); cx < xmap.Last(); cx += kChunk) {
            int n = std::min(kChunk, xmap.Last() - cx);
            if (chunks > 1) fillColumns(cx, n);
            int sMin = INT32_MAX, sMax = -1;
            bool partial = false;
            for (int i = 0; i < n; ++i) {
                int s = columns[static_cast<size_t>(i)];
                if (s < 0) partial = true;
                else sMin = std::min(sMin, s), sMax = std::max(sMax, s);
            }
            if (sMax < 0) continue;

            if (sMax - sMin < kMaxRun) {
                int span = sMax - sMin + 1;
                codecs.decoder.Decode(from, sMin, span, run.data());
                if (mask) maskDecoder->Decode(maskRow, sMin, span, maskRun.data());
                for (int i = 0; i < n; ++i) {
                    int s = columns[static_cast<size_t>(i)];
                    if (s < 0) continue;
                    gathered[static_cast<size_t>(i)] = run[static_cast<size_t>(s - sMin)];
                    if (mask) gatheredMask[static_cast<size_t>(i)] = maskRun[static_cast<size_t>(s - sMin)];
                }
            } else {
                for (int i = 0; i < n; ++i) {
                    int s = columns[static_cast<size_t>(i)];
                    if (s < 0) continue;
                    codecs.decoder.Decode(from, s, 1, &gathered[static_cast<size_t>(i)]);
                    if (mask) maskDecoder->Decode(maskRow, s, 1, &gatheredMask[static_cast<size_t>(i)]);
                }
            }

            if (!combine && !partial && !mask) {
                codecs.encoder.Encode(to, cx, n, gathered.data());
                continue;
            }
            if (!targetDecoder) targetDecoder.emplace(target, colors);
            targetDecoder->Decode(to, cx, n, out.data());
            if (combine) std::copy_n(out.begin(), n, before.begin());
            for (int i = 0; i < n; ++i) {
                bool keep = columns[static_cast<size_t>(i)] < 0 || (mask && gatheredMask[static_cast<size_t>(i)] != 0);
                if (!keep) out[static_cast<size_t>(i)] = gathered[static_cast<size_t>(i)];
            }
            if (combine) {
                combine(before.data(), out.data(), n);
                for (int i = 0; i < n; ++i)
                    if (columns[static_cast<size_t>(i)] >= 0) out[static_cast<size_t>(i)] = before[static_cast<size_t>(i)];
            }
            codecs.encoder.Encode(to, cx, n, out.data());
        }
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

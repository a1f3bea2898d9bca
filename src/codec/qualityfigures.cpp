#include "codec/qualityfigures.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "base/exceptions.h"
#include "base/streams.h"
#include "codec/jpegimage.h"

namespace zavo {

namespace {

constexpr int kWindow = 8;
constexpr int kStep = 4;
constexpr double kC1 = (0.01 * 255) * (0.01 * 255);
constexpr double kC2 = (0.03 * 255) * (0.03 * 255);

// SSIM of one window from its sums: of a, of b, of a^2 + b^2, of a * b, over n pixels.
double WindowSsim(double a, double b, double squares, double cross, double n) {
    double nn = n * n;
    double numerator = (2 * a * b + kC1 * nn) * (2 * (n * cross - a * b) + kC2 * nn);
    double denominator = (a * a + b * b + kC1 * nn) * (n * squares - a * a - b * b + kC2 * nn);
    return numerator / denominator;
}

// Column sums over one band of rows. Each column of a band of at most kStep rows stays far below
// 2^32: 4 x 2 x 255^2.
struct ColumnSums {
    explicit ColumnSums(int width)
        : a(size_t(width)), b(size_t(width)), squares(size_t(width)), cross(size_t(width)), error(size_t(width)) {}
    void Clear() {
        std::fill(a.begin(), a.end(), 0);
        std::fill(b.begin(), b.end(), 0);
        std::fill(squares.begin(), squares.end(), 0);
        std::fill(cross.begin(), cross.end(), 0);
        std::fill(error.begin(), error.end(), 0);
    }
    void Add(const uint8_t* rowA, const uint8_t* rowB) {
        size_t n = a.size();
        uint32_t* sa = a.data();
        uint32_t* sb = b.data();
        uint32_t* sq = squares.data();
        uint32_t* sx = cross.data();
        uint32_t* se = error.data();
        for (size_t x = 0; x < n; ++x) {
            uint32_t va = rowA[x];
            uint32_t vb = rowB[x];
            int32_t d = int32_t(va) - int32_t(vb);
            sa[x] += va;
            sb[x] += vb;
            sq[x] += va * va + vb * vb;
            sx[x] += va * vb;
            se[x] += uint32_t(d * d);
        }
    }
    std::vector<uint32_t> a, b, squares, cross, error;
};

// The sums of one 4 x 4 block.
struct BlockSums {
    uint32_t a = 0, b = 0, squares = 0, cross = 0;
};

void SumBlocks(const ColumnSums& columns, std::vector<BlockSums>& blocks) {
    for (size_t i = 0; i < blocks.size(); ++i) {
        BlockSums s;
        for (size_t x = i * kStep; x < i * kStep + kStep; ++x) {
            s.a += columns.a[x];
            s.b += columns.b[x];
            s.squares += columns.squares[x];
            s.cross += columns.cross[x];
        }
        blocks[i] = s;
    }
}

// The windows whose upper half is the band above and lower half the band below.
double SumWindows(const std::vector<BlockSums>& above, const std::vector<BlockSums>& below) {
    double total = 0;
    for (size_t i = 0; i + 1 < above.size(); ++i) {
        const BlockSums* q[4] = {&above[i], &above[i + 1], &below[i], &below[i + 1]};
        uint32_t a = 0, b = 0, squares = 0, cross = 0;
        for (const BlockSums* s : q) {
            a += s->a;
            b += s->b;
            squares += s->squares;
            cross += s->cross;
        }
        total += WindowSsim(a, b, squares, cross, kWindow * kWindow);
    }
    return total;
}

double Psnr(uint64_t squaredError, uint64_t pixels) {
    if (squaredError == 0) return std::numeric_limits<double>::infinity();
    double mse = double(squaredError) / double(pixels);
    return 10 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace

bool HasPlainRows(const platform::Surface& surface) {
    return surface.BitCount() == 24 || (surface.BitCount() == 32 && !surface.HasBitFields());
}

TLumaPlane LumaOf(const platform::Surface& surface) {
    TLumaPlane plane;
    if (!HasPlainRows(surface)) throw EInvalidGraphicOperation(msg::InvalidGraphic);
    plane.width = surface.Width();
    plane.height = surface.Height();
    plane.values.resize(size_t(plane.width) * size_t(plane.height));
    const int bytesPerPixel = surface.BitCount() / 8;
    for (int y = 0; y < plane.height; ++y) {
        const uint8_t* p = surface.Row(y);
        uint8_t* out = plane.values.data() + size_t(y) * size_t(plane.width);
        for (int x = 0; x < plane.width; ++x, p += bytesPerPixel) {
            // Blue, green, red in memory; the weights are BT.601's in 16-bit fixed point.
            out[x] = uint8_t((7471u * p[0] + 38470u * p[1] + 19595u * p[2] + 32768u) >> 16);
        }
    }
    return plane;
}

TLumaPlane LumaOf(TBitmap& bitmap) {
    const platform::Surface* surface = bitmap.Image().Handle();
    if (surface == nullptr) return {};
    if (HasPlainRows(*surface)) return LumaOf(*surface);
    TBitmap copy;
    copy.AssignFrom(&bitmap);
    copy.SetPixelFormat(TPixelFormat::Bit24);
    return LumaOf(*copy.Image().Handle());
}

TQualityFigures CompareLuma(const TLumaPlane& original, const TLumaPlane& result) {
    if (original.width != result.width || original.height != result.height || original.values.empty())
        throw EInvalidGraphicOperation(msg::InvalidGraphic);
    const int width = original.width;
    const int height = original.height;
    const uint64_t pixels = uint64_t(width) * uint64_t(height);
    auto rowA = [&](int y) { return original.values.data() + size_t(y) * size_t(width); };
    auto rowB = [&](int y) { return result.values.data() + size_t(y) * size_t(width); };

    ColumnSums columns(width);
    uint64_t squaredError = 0;
    auto addError = [&] {
        for (uint32_t e : columns.error) squaredError += e;
    };

    TQualityFigures figures;
    if (width < kWindow || height < kWindow) {
        // One window over the whole picture.
        double a = 0, b = 0, squares = 0, cross = 0;
        for (int y = 0; y < height; ++y) {
            columns.Clear();
            columns.Add(rowA(y), rowB(y));
            addError();
            for (int x = 0; x < width; ++x) {
                a += columns.a[size_t(x)];
                b += columns.b[size_t(x)];
                squares += columns.squares[size_t(x)];
                cross += columns.cross[size_t(x)];
            }
        }
        figures.ssim = WindowSsim(a, b, squares, cross, double(pixels));
        figures.psnr = Psnr(squaredError, pixels);
        return figures;
    }

    const size_t blocksPerBand = size_t(width / kStep);
    std::vector<BlockSums> above(blocksPerBand), below(blocksPerBand);
    double total = 0;
    for (int band = 0; band * kStep < height; ++band) {
        columns.Clear();
        int top = band * kStep;
        int rows = std::min(kStep, height - top);
        for (int y = top; y < top + rows; ++y) columns.Add(rowA(y), rowB(y));
        addError();
        if (rows < kStep) break;
        SumBlocks(columns, below);
        if (band > 0) total += SumWindows(above, below);
        std::swap(above, below);
    }
    double windows = double(blocksPerBand - 1) * double(height / kStep - 1);
    figures.ssim = total / windows;
    figures.psnr = Psnr(squaredError, pixels);
    return figures;
}

TQualityFigures MeasureJpeg(const TLumaPlane& original, const uint8_t* bytes, size_t size) {
    TMemoryStream stream;
    stream.WriteBuffer(bytes, int64_t(size));
    stream.SetPosition(0);
    TJPEGImage jpeg;
    jpeg.LoadStream(stream);
    return CompareLuma(original, LumaOf(*jpeg.EnsureDecoded()));
}

namespace {
// Fixed decimals with a full stop whatever the locale says.
std::string Fixed(double value, int decimals) {
    char text[64];
    auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
    return std::string(text, end);
}
}  // namespace

std::string PsnrText(double psnr) { return std::isinf(psnr) ? "inf" : Fixed(psnr, 1); }

std::string SsimText(double ssim) { return Fixed(ssim, 3); }

}  // namespace zavo

#include "codec/qualityfigures.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include "base/exceptions.h"
#include "codec/lumadecode.h"

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

// The rows are bytes, which may alias anything: without restrict the loop stays scalar. Each
// product fits 16 bits (255^2), which keeps the multiplications 16-bit wide.
void AddToColumns(const uint8_t* __restrict a, const uint8_t* __restrict b, uint32_t* __restrict sumA,
                  uint32_t* __restrict sumB, uint32_t* __restrict squares, uint32_t* __restrict cross, size_t n) {
    for (size_t x = 0; x < n; ++x) {
        uint16_t va = a[x];
        uint16_t vb = b[x];
        sumA[x] += va;
        sumB[x] += vb;
        squares[x] += uint32_t(uint16_t(va * va)) + uint16_t(vb * vb);
        cross[x] += uint16_t(va * vb);
    }
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

const platform::Surface* WithPlainRows(TBitmap& bitmap) {
    const platform::Surface* surface = bitmap.Image().Handle();
    if (surface == nullptr || HasPlainRows(*surface)) return surface;
    bitmap.SetPixelFormat(TPixelFormat::Bit24);
    return bitmap.Image().Handle();
}

void LumaRow(const platform::Surface& surface, int y, uint8_t* out) {
    const uint8_t* p = surface.Row(y);
    const int width = surface.Width();
    // Blue, green, red in memory.
    auto luma = [](const uint8_t* bgr) {
        return uint8_t((7471u * bgr[0] + 38470u * bgr[1] + 19595u * bgr[2] + 32768u) >> 16);
    };
    if (surface.BitCount() == 32) {
        for (int x = 0; x < width; ++x) out[x] = luma(p + 4 * x);
    } else {
        for (int x = 0; x < width; ++x) out[x] = luma(p + 3 * x);
    }
}

// Each column of a band of at most kStep rows stays far below 2^32 (4 x 2 x 255^2), and so does
// each window's sum (64 x 2 x 255^2).
TQualityMeter::TQualityMeter(int width, int height)
    : width_(width), height_(height), oneWindow_(width < kWindow || height < kWindow) {
    if (width <= 0 || height <= 0) throw EInvalidGraphicOperation(msg::InvalidGraphic);
    for (auto* column : {&a_, &b_, &squares_, &cross_}) column->assign(size_t(width), 0);
    above_.assign(size_t(width / kStep) * 4, 0);
    below_.assign(size_t(width / kStep) * 4, 0);
}

void TQualityMeter::KeepWindows() {
    keep_ = true;
    if (oneWindow_) return;
    windows_.reserve(size_t(width_ / kStep - 1) * size_t(height_ / kStep - 1));
}

void TQualityMeter::AddWindow(float ssim, int x, int y) {
    windowTotal_ += ssim;
    if (ssim < worst_) {
        worst_ = ssim;
        worstX_ = x;
        worstY_ = y;
    }
    if (keep_) windows_.push_back(ssim);
}

void TQualityMeter::AddRow(const uint8_t* original, const uint8_t* result) {
    if (rows_ >= height_) throw EInvalidGraphicOperation(msg::InvalidGraphic);
    AddToColumns(original, result, a_.data(), b_.data(), squares_.data(), cross_.data(), size_t(width_));
    ++rows_;
    if (rows_ % kStep == 0 || rows_ == height_) EndBand();
}

void TQualityMeter::EndBand() {
    // (a - b)^2 = a^2 + b^2 - 2ab, column by column.
    for (size_t x = 0; x < size_t(width_); ++x) squaredError_ += squares_[x] - 2 * cross_[x];
    if (oneWindow_) {
        for (size_t x = 0; x < size_t(width_); ++x) {
            sumA_ += a_[x];
            sumB_ += b_[x];
            sumSquares_ += squares_[x];
            sumCross_ += cross_[x];
        }
    } else if (rows_ % kStep == 0) {
        // The band's 4 x 4 blocks, then the windows whose upper half is the band above and lower
        // half this one.
        const size_t blocks = below_.size() / 4;
        for (size_t i = 0; i < blocks; ++i) {
            uint32_t s[4] = {};
            for (size_t x = i * kStep; x < i * kStep + kStep; ++x) {
                s[0] += a_[x];
                s[1] += b_[x];
                s[2] += squares_[x];
                s[3] += cross_[x];
            }
            std::copy(s, s + 4, below_.begin() + ptrdiff_t(i * 4));
        }
        if (rows_ > kStep) {
            const int top = rows_ - kWindow;
            for (size_t i = 0; i + 1 < blocks; ++i) {
                uint32_t s[4];
                for (size_t k = 0; k < 4; ++k)
                    s[k] = above_[i * 4 + k] + above_[i * 4 + 4 + k] + below_[i * 4 + k] + below_[i * 4 + 4 + k];
                AddWindow(float(WindowSsim(s[0], s[1], s[2], s[3], kWindow * kWindow)), int(i) * kStep, top);
            }
        }
        std::swap(above_, below_);
    }
    for (auto* column : {&a_, &b_, &squares_, &cross_}) std::fill(column->begin(), column->end(), 0);
}

TQualityFigures TQualityMeter::Figures() const {
    if (rows_ != height_) throw EInvalidGraphicOperation(msg::InvalidGraphic);
    const uint64_t pixels = uint64_t(width_) * uint64_t(height_);
    TQualityFigures figures;
    figures.psnr = Psnr(squaredError_, pixels);
    if (oneWindow_) {
        figures.ssim = float(WindowSsim(sumA_, sumB_, sumSquares_, sumCross_, double(pixels)));
        figures.worst = figures.ssim;
    } else {
        double windows = double(width_ / kStep - 1) * double(height_ / kStep - 1);
        figures.ssim = windowTotal_ / windows;
        figures.worst = worst_;
        figures.worstX = worstX_;
        figures.worstY = worstY_;
    }
    return figures;
}

std::vector<float> TQualityMeter::TakeWindows() {
    if (rows_ != height_) throw EInvalidGraphicOperation(msg::InvalidGraphic);
    if (oneWindow_ && keep_) windows_.assign(1, float(Figures().ssim));
    return std::move(windows_);
}

namespace {

// Compares each decoded row with the luma of the same source row as it arrives.
class MeterSink : public TLumaSink {
public:
    MeterSink(const platform::Surface& original, bool keepWindows, std::stop_token stop)
        : original_(original), keepWindows_(keepWindows), stop_(std::move(stop)) {
        if (!HasPlainRows(original)) throw EInvalidGraphicOperation(msg::InvalidGraphic);
    }
    void Begin(int width, int height) override {
        if (width != original_.Width() || height != original_.Height())
            throw EInvalidGraphicOperation(msg::InvalidGraphic);
        meter_.emplace(width, height);
        if (keepWindows_) meter_->KeepWindows();
        luma_.resize(size_t(width));
    }
    void Row(const uint8_t* values) override {
        if (stop_.stop_requested()) throw EAbort("");
        LumaRow(original_, y_++, luma_.data());
        meter_->AddRow(luma_.data(), values);
    }
    TQualityMeter& Meter() {
        if (!meter_) throw EInvalidGraphicOperation(msg::InvalidGraphic);
        return *meter_;
    }

private:
    const platform::Surface& original_;
    bool keepWindows_;
    std::stop_token stop_;
    std::optional<TQualityMeter> meter_;
    std::vector<uint8_t> luma_;
    int y_ = 0;
};

// Fixed decimals with a full stop whatever the locale says.
std::string Fixed(double value, int decimals) {
    char text[64];
    auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
    return std::string(text, end);
}

}  // namespace

TQualityFigures MeasureJpeg(const platform::Surface& original, TStream& bytes, std::vector<float>* windows,
                            std::stop_token stop) {
    MeterSink sink(original, windows != nullptr, std::move(stop));
    DecodeLuma(bytes, sink);
    TQualityFigures figures = sink.Meter().Figures();
    if (windows != nullptr) *windows = sink.Meter().TakeWindows();
    return figures;
}

std::string PsnrText(double psnr) { return std::isinf(psnr) ? "inf" : Fixed(psnr, 1); }

std::string SsimText(double ssim) { return Fixed(ssim, 3); }

}  // namespace zavo

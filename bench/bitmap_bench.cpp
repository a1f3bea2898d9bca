// Conversions and copies of a 6000 x 4000 picture, each against a plain memcpy of the bytes it writes.
// The counter "x_memcpy" is the operation's median time divided by that memcpy's median time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "codec/bitmap.h"
#include "platform/pixelconvert.h"
#include "platform/surface.h"

namespace {

using namespace zavo;
using platform::Surface;

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

std::unique_ptr<Surface> Dib(int bits) {
    platform::BitmapInfoHeader h;
    h.size = 40;
    h.width = kWidth;
    h.height = kHeight;
    h.planes = 1;
    h.bitCount = static_cast<uint16_t>(bits);
    std::vector<platform::RgbQuad> table;
    for (int i = 0; i < 256; ++i)
        table.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7), 0});
    return Surface::CreateDib(h, bits == 8 ? table : std::vector<platform::RgbQuad>{});
}

void Scribble(Surface& s) {
    uint8_t* bits = s.Bits();
    for (int64_t i = 0; i < s.ImageSize(); ++i) bits[i] = static_cast<uint8_t>(i * 131 + (i >> 9));
}

// A memcpy of the same number of bytes runs right after each timed operation, so that both see the
// same load on the machine; the ratio is that of the medians.
class MemcpyBaseline {
public:
    explicit MemcpyBaseline(size_t bytes) : from_(bytes, 1), to_(bytes, 2) {}
    double Seconds() {
        auto start = std::chrono::steady_clock::now();
        std::memcpy(to_.data(), from_.data(), from_.size());
        benchmark::DoNotOptimize(to_.data());
        benchmark::ClobberMemory();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

private:
    std::vector<uint8_t> from_, to_;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

template <typename Operation>
void Measure(benchmark::State& state, size_t bytes, Operation operation) {
    MemcpyBaseline baseline(bytes);
    operation();
    std::vector<double> times, baselines;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        operation();
        benchmark::ClobberMemory();
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        times.push_back(seconds);
        state.PauseTiming();
        baselines.push_back(baseline.Seconds());
        state.ResumeTiming();
    }
    double op = Median(times), copy = Median(baselines);
    state.counters["median_ms"] = op * 1000;
    state.counters["memcpy_ms"] = copy * 1000;
    state.counters["x_memcpy"] = op / copy;
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

void Run(benchmark::State& state, Surface& target, Surface& source) {
    Scribble(source);
    Measure(state, static_cast<size_t>(target.ImageSize()),
            [&] { platform::CopySurface(target, 0, 0, kWidth, kHeight, source, 0, 0); });
}

void BM_Convert32To24(benchmark::State& state) {
    auto source = Surface::CreateDisplay(kWidth, kHeight);
    auto target = Dib(24);
    Run(state, *target, *source);
}

void BM_Convert24To32(benchmark::State& state) {
    auto source = Dib(24);
    auto target = Surface::CreateDisplay(kWidth, kHeight);
    Run(state, *target, *source);
}

void BM_Convert8PaletteTo32(benchmark::State& state) {
    auto source = Dib(8);
    auto target = Surface::CreateDisplay(kWidth, kHeight);
    Run(state, *target, *source);
}

void BM_BlockCopy(benchmark::State& state) {
    auto source = Surface::CreateDisplay(kWidth, kHeight);
    auto target = Surface::CreateDisplay(kWidth, kHeight);
    Run(state, *target, *source);
}

// The bitmap-level conversion the JPEG compression runs: a fresh 24-bit section (allocation
// included) from the display-format working bitmap.
void BM_BitmapTo24Bit(benchmark::State& state) {
    TBitmap work;
    work.SetHeight(kHeight);
    work.SetWidth(kWidth);
    Measure(state, static_cast<size_t>(kWidth) * 3 * kHeight, [&] {
        TBitmap copy;
        copy.AssignFrom(&work);
        copy.SetPixelFormat(TPixelFormat::Bit24);
        benchmark::DoNotOptimize(copy.ScanLine(0));
    });
}

BENCHMARK(BM_Convert32To24)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Convert24To32)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Convert8PaletteTo32)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_BlockCopy)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_BitmapTo24Bit)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace

BENCHMARK_MAIN();

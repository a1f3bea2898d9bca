// Conversions and copies of a 6000 x 4000 picture, each against a plain memcpy of the bytes it writes.
// The counter "x_memcpy" is the operation's time divided by that memcpy's time.
#include <benchmark/benchmark.h>

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

// Seconds per memcpy of bytes, best of a few runs on buffers already touched.
double MemcpySeconds(size_t bytes) {
    static std::vector<uint8_t> from, to;
    if (from.size() < bytes) from.assign(bytes, 1), to.assign(bytes, 2);
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        auto start = std::chrono::steady_clock::now();
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

void Run(benchmark::State& state, Surface& target, const Surface& source) {
    Scribble(const_cast<Surface&>(source));
    platform::CopySurface(target, 0, 0, kWidth, kHeight, source, 0, 0);
    double best = 1e9;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        platform::CopySurface(target, 0, 0, kWidth, kHeight, source, 0, 0);
        benchmark::ClobberMemory();
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best = std::min(best, seconds);
        state.SetIterationTime(seconds);
    }
    double memcpySeconds = MemcpySeconds(static_cast<size_t>(target.ImageSize()));
    state.counters["x_memcpy"] = best / memcpySeconds;
    state.counters["memcpy_ms"] = memcpySeconds * 1000;
    state.counters["best_ms"] = best * 1000;
    state.SetBytesProcessed(state.iterations() * target.ImageSize());
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
    double best = 1e9;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        TBitmap copy;
        copy.AssignFrom(&work);
        copy.SetPixelFormat(TPixelFormat::Bit24);
        benchmark::DoNotOptimize(copy.ScanLine(0));
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best = std::min(best, seconds);
        state.SetIterationTime(seconds);
    }
    double memcpySeconds = MemcpySeconds(static_cast<size_t>(kWidth) * 3 * kHeight);
    state.counters["x_memcpy"] = best / memcpySeconds;
    state.counters["best_ms"] = best * 1000;
}

BENCHMARK(BM_Convert32To24)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Convert24To32)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Convert8PaletteTo32)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_BlockCopy)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_BitmapTo24Bit)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace

BENCHMARK_MAIN();

// Reading a 24-megapixel bitmap file (6000 x 4000) from memory: a plain 24-bit file, an 8-bit file
// and the same 8-bit picture run-length coded. The counter "MB/s" is file bytes read per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "base/streams.h"
#include "codec/bitmap.h"

namespace {

using namespace zavo;

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, static_cast<uint16_t>(v));
    Put16(b, static_cast<uint16_t>(v >> 16));
}

std::vector<uint8_t> Headers(uint16_t bits, uint32_t compression, uint32_t colors, uint32_t pixelBytes) {
    std::vector<uint8_t> b;
    const uint32_t offset = 54 + colors * 4;
    Put16(b, 0x4D42), Put32(b, offset + pixelBytes), Put32(b, 0), Put32(b, offset);
    Put32(b, 40), Put32(b, kWidth), Put32(b, kHeight), Put16(b, 1), Put16(b, bits), Put32(b, compression);
    Put32(b, pixelBytes), Put32(b, 2835), Put32(b, 2835), Put32(b, colors), Put32(b, 0);
    for (uint32_t i = 0; i < colors; ++i) Put32(b, i * 0x010101u);
    return b;
}

std::vector<uint8_t> Plain(uint16_t bits) {
    const uint32_t row = (kWidth * bits + 31) / 32 * 4;
    std::vector<uint8_t> b = Headers(bits, 0, bits == 8 ? 256 : 0, row * kHeight);
    for (int64_t i = 0; i < int64_t{row} * kHeight; ++i) b.push_back(static_cast<uint8_t>(i * 131 + (i >> 9)));
    return b;
}

// Runs of 50 pixels of one index, one end-of-line per row.
std::vector<uint8_t> Rle8() {
    std::vector<uint8_t> pixels;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; x += 50) pixels.push_back(50), pixels.push_back(static_cast<uint8_t>(x + y));
        pixels.push_back(0), pixels.push_back(0);
    }
    pixels.push_back(0), pixels.push_back(1);
    std::vector<uint8_t> b = Headers(8, 1, 256, static_cast<uint32_t>(pixels.size()));
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

void Read(benchmark::State& state, const std::vector<uint8_t>& file) {
    TMemoryStream stream;
    stream.WriteBuffer(file.data(), static_cast<int64_t>(file.size()));
    for (auto _ : state) {
        stream.SetPosition(0);
        TBitmap bitmap;
        bitmap.LoadStream(stream);
        benchmark::DoNotOptimize(bitmap.Width());
    }
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(file.size()) * static_cast<double>(state.iterations()) / 1e6,
                                                benchmark::Counter::kIsRate);
}

void BM_Read24Bit(benchmark::State& state) { Read(state, Plain(24)); }
void BM_Read8Bit(benchmark::State& state) { Read(state, Plain(8)); }
void BM_ReadRle8(benchmark::State& state) { Read(state, Rle8()); }

}  // namespace

BENCHMARK(BM_Read24Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read8Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadRle8)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

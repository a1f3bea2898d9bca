// PSNR and SSIM of a 24 MP photograph against its JPEG result, on one core: the source's luma and
// the comparison with the result's luma already decoded, then the whole measurement with the
// decode of the result's luma, which is what the batch and the size hint run beside a compression.
// LossMap/photo24mp is the first with every window kept and the loss view's cells made from them,
// which is what the window computes instead for the size hint and the loss map.
#include <benchmark/benchmark.h>

#include "barejpeg.h"
#include "codec/lossmap.h"
#include "codec/lumadecode.h"
#include "codec/picturefile.h"
#include "codec/qualityfigures.h"

using namespace zavo;

namespace {

class PlaneSink : public TLumaSink {
public:
    void Begin(int width, int height) override {
        width_ = width;
        values.reserve(size_t(width) * size_t(height));
    }
    void Row(const uint8_t* row) override { values.insert(values.end(), row, row + width_); }
    std::vector<uint8_t> values;

private:
    int width_ = 0;
};

struct Pair {
    std::unique_ptr<TBitmap> original;
    const platform::Surface* pixels = nullptr;
    std::vector<uint8_t> jpeg;
    std::vector<uint8_t> resultLuma;
};

Pair& Photo() {
    static Pair& pair = *[] {
        auto* p = new Pair;
        p->original = DrawPictureFile(barejpeg::PhotoPath("photo24mp.bmp"));
        p->pixels = WithPlainRows(*p->original);
        p->jpeg = TPictureCompressor(*p->original).Compress(barejpeg::kQuality);
        TMemoryStream bytes;
        bytes.WriteBuffer(p->jpeg.data(), int64_t(p->jpeg.size()));
        bytes.SetPosition(0);
        PlaneSink sink;
        DecodeLuma(bytes, sink);
        p->resultLuma = std::move(sink.values);
        return p;
    }();
    return pair;
}

// The source's luma row by row against the result's, into the meter.
void Compare(const Pair& p, TQualityMeter& meter) {
    std::vector<uint8_t> row(static_cast<size_t>(p.pixels->Width()));
    for (int y = 0; y < p.pixels->Height(); ++y) {
        LumaRow(*p.pixels, y, row.data());
        meter.AddRow(row.data(), p.resultLuma.data() + size_t(y) * row.size());
    }
}

void SourceLumaAndCompare(benchmark::State& state) {
    Pair& p = Photo();
    const int width = p.pixels->Width();
    const int height = p.pixels->Height();
    for (auto _ : state) {
        TQualityMeter meter(width, height);
        Compare(p, meter);
        TQualityFigures f = meter.Figures();
        benchmark::DoNotOptimize(f);
    }
}

void LossMap(benchmark::State& state) {
    Pair& p = Photo();
    const int width = p.pixels->Width();
    const int height = p.pixels->Height();
    for (auto _ : state) {
        TQualityMeter meter(width, height);
        meter.KeepWindows();
        Compare(p, meter);
        TLossMap map = MakeLossMap(width, height, meter.Figures(), meter.TakeWindows());
        benchmark::DoNotOptimize(map);
    }
}

void MeasureWithDecode(benchmark::State& state) {
    Pair& p = Photo();
    for (auto _ : state) {
        TMemoryStream bytes;
        bytes.WriteBuffer(p.jpeg.data(), int64_t(p.jpeg.size()));
        bytes.SetPosition(0);
        TQualityFigures f = MeasureJpeg(*p.pixels, bytes);
        benchmark::DoNotOptimize(f);
    }
}

}  // namespace

BENCHMARK(SourceLumaAndCompare)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(LossMap)->Name("LossMap/photo24mp")->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(MeasureWithDecode)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_MAIN();

// PSNR and SSIM of a 24 MP photograph against its JPEG result, on one core: the luma of both
// pictures and the comparison, which is what the batch and the size hint add to a decode.
#include <benchmark/benchmark.h>

#include "barejpeg.h"
#include "codec/picturefile.h"
#include "codec/qualityfigures.h"

using namespace zavo;

namespace {

struct Pair {
    std::unique_ptr<TBitmap> original;
    std::unique_ptr<TBitmap> result;
    TJPEGImage jpeg;
};

Pair& Photo() {
    static Pair& pair = *[] {
        auto* made = new Pair;
        Pair& p = *made;
        p.original = DrawPictureFile(barejpeg::PhotoPath("photo24mp.bmp"));
        TPictureCompressor compressor(*p.original);
        std::vector<uint8_t> bytes = compressor.Compress(barejpeg::kQuality);
        TMemoryStream stream;
        stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
        stream.SetPosition(0);
        p.jpeg.LoadStream(stream);
        p.result = std::make_unique<TBitmap>();
        p.result->AssignFrom(p.jpeg.EnsureDecoded());
        return made;
    }();
    return pair;
}

void LumaAndCompare(benchmark::State& state) {
    Pair& p = Photo();
    for (auto _ : state) {
        TQualityFigures f = CompareLuma(LumaOf(*p.original), LumaOf(*p.result));
        benchmark::DoNotOptimize(f);
    }
}

void CompareOnly(benchmark::State& state) {
    Pair& p = Photo();
    TLumaPlane a = LumaOf(*p.original);
    TLumaPlane b = LumaOf(*p.result);
    for (auto _ : state) {
        TQualityFigures f = CompareLuma(a, b);
        benchmark::DoNotOptimize(f);
    }
}

}  // namespace

BENCHMARK(LumaAndCompare)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(CompareOnly)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_MAIN();

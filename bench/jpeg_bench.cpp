// Compress at quality 80 and decode of 12- and 24-megapixel photographs, through the JPEG image and
// through a bare libjpeg loop with the same parameters (float DCT, baseline tables, blue-green-red
// rows one at a time from a bottom-up 24-bit buffer). The photographs come from
// the photos target; their folder is $ZAVO_PHOTOS, else photos in the build folder.
//
// PeakMemory24MP reports the peak resident memory of one compress + decode of the 24-megapixel
// picture against its budget: the bitmap, one 24-bit copy, the compressed bytes and the decoded
// bitmap, plus 10 %.
#include <benchmark/benchmark.h>

#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "barejpeg.h"
#include "codec/bitmap.h"
#include "codec/jpegimage.h"

using namespace zavo;
using namespace barejpeg;

namespace {

// The photograph, decoded once per process.
Picture& Photo(const std::string& name) {
    static std::map<std::string, Picture> photos;
    Picture& picture = photos[name];
    if (!picture.pixels) {
        std::vector<uint8_t> jpeg = ReadFile(PhotoPath(name));
        if (!jpeg.empty()) BareDecode(jpeg, picture);
    }
    return picture;
}

std::unique_ptr<TBitmap> BitmapOf(Picture& picture) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(TPixelFormat::Bit24);
    bitmap->SetWidth(picture.width);
    bitmap->SetHeight(picture.height);
    for (int y = 0; y < picture.height; ++y)
        std::copy_n(picture.Row(y), static_cast<size_t>(picture.width) * 3, bitmap->ScanLine(y));
    return bitmap;
}

const char* PhotoName(int64_t megapixels) { return megapixels == 12 ? "photo12mp.jpg" : "photo24mp.jpg"; }

bool HavePhoto(benchmark::State& state, Picture& picture) {
    if (picture.pixels) return true;
    state.SkipWithError("photograph missing: build the photos target, or set ZAVO_PHOTOS");
    return false;
}

// The program's own case is the display format (32 bits, blue-green-red-unused), whose rows the
// library reads in place; a 24-bit bitmap is read in place too.
void ObjectCompress(benchmark::State& state, TPixelFormat format) {
    Picture& picture = Photo(PhotoName(state.range(0)));
    if (!HavePhoto(state, picture)) return;
    auto bitmap = BitmapOf(picture);
    bitmap->SetPixelFormat(format);
    TJPEGImage image;
    image.AssignFrom(bitmap.get());
    image.SetQuality(kQuality);
    for (auto _ : state) {
        image.Compress();
        benchmark::DoNotOptimize(image.Holder().Bytes->Size());
    }
    state.counters["bytes"] = static_cast<double>(image.Holder().Bytes->Size());
}

void BareLoopCompress(benchmark::State& state) {
    Picture& picture = Photo(PhotoName(state.range(0)));
    if (!HavePhoto(state, picture)) return;
    size_t size = 0;
    for (auto _ : state) size = BareCompress(picture).size();
    state.counters["bytes"] = static_cast<double>(size);
}

void ObjectDecode(benchmark::State& state) {
    Picture& picture = Photo(PhotoName(state.range(0)));
    if (!HavePhoto(state, picture)) return;
    std::vector<uint8_t> jpeg = BareCompress(picture);
    TMemoryStream stream;
    stream.WriteBuffer(jpeg.data(), static_cast<int64_t>(jpeg.size()));
    for (auto _ : state) {
        TJPEGImage image;
        stream.SetPosition(0);
        image.LoadStream(stream);
        benchmark::DoNotOptimize(image.EnsureDecoded()->Width());
    }
}

void BareLoopDecode(benchmark::State& state) {
    Picture& picture = Photo(PhotoName(state.range(0)));
    if (!HavePhoto(state, picture)) return;
    std::vector<uint8_t> jpeg = BareCompress(picture);
    for (auto _ : state) {
        Picture decoded;
        BareDecode(jpeg, decoded);
        benchmark::DoNotOptimize(decoded.pixels.get());
    }
}

// Resident memory figures of this process in bytes ("VmHWM", "VmRSS").
int64_t ProcStatus(const std::string& field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field + ":", 0) == 0) return std::atoll(line.c_str() + field.size() + 1) * 1024;
    return 0;
}

void PeakMemory24MP(benchmark::State& state) {
    Picture& picture = Photo(PhotoName(24));
    if (!HavePhoto(state, picture)) return;
    double peak = 0;
    double budget = 0;
    for (auto _ : state) {
        auto bitmap = BitmapOf(picture);
        int64_t bitmapBytes = static_cast<int64_t>(picture.stride) * picture.height;
        std::ofstream("/proc/self/clear_refs") << "5";
        int64_t before = ProcStatus("VmRSS");
        int64_t compressed = 0;
        {
            TJPEGImage source;
            source.AssignFrom(bitmap.get());
            source.SetQuality(kQuality);
            source.Compress();
            TMemoryStream stream;
            source.SaveStream(stream);
            compressed = stream.Size();
            stream.SetPosition(0);
            TJPEGImage decoded;
            decoded.LoadStream(stream);
            benchmark::DoNotOptimize(decoded.EnsureDecoded()->Width());
        }
        // The measured peak counts the source bitmap, which was resident before.
        peak = static_cast<double>(ProcStatus("VmHWM") - before + bitmapBytes);
        budget = static_cast<double>(3 * bitmapBytes + compressed) * 1.1;
    }
    state.counters["peak_MB"] = peak / 1e6;
    state.counters["budget_MB"] = budget / 1e6;
    state.counters["peak_vs_budget"] = peak / budget;
}

}  // namespace

BENCHMARK(PeakMemory24MP)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ObjectCompress, Bit24, TPixelFormat::Bit24)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(ObjectCompress, Display, TPixelFormat::Device)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BareLoopCompress)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(ObjectDecode)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BareLoopDecode)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();

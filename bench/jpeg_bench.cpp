// Compress at quality 80 and decode of 12- and 24-megapixel photographs, through the JPEG image and
// through a bare libjpeg loop with the same parameters (float DCT, baseline tables, blue-green-red
// rows one at a time from a bottom-up 24-bit buffer). The photographs come from
// ../shared/testdata/make-photos.sh; their folder is $ZAVO_PHOTOS, else /work/photos.
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

#include "codec/bitmap.h"
#include "codec/jpegimage.h"

using namespace zavo;

namespace {

constexpr int kQuality = 80;

std::string PhotoPath(const std::string& name) {
    const char* dir = std::getenv("ZAVO_PHOTOS");
    return std::string(dir != nullptr ? dir : "/work/photos") + "/" + name;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A picture in the layout of a 24-bit bottom-up bitmap: blue-green-red, rows padded to 4 bytes. The
// memory is left as the allocator gives it, as a bare loop would.
struct Picture {
    int width = 0;
    int height = 0;
    size_t stride = 0;
    std::unique_ptr<uint8_t[]> pixels;
    uint8_t* Row(int y) { return pixels.get() + static_cast<size_t>(height - 1 - y) * stride; }
};

void BareDecode(const std::vector<uint8_t>& jpeg, Picture& out) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), jpeg.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    cinfo.dct_method = JDCT_FLOAT;
    jpeg_start_decompress(&cinfo);
    out.width = static_cast<int>(cinfo.output_width);
    out.height = static_cast<int>(cinfo.output_height);
    out.stride = (static_cast<size_t>(out.width) * 3 + 3) / 4 * 4;
    out.pixels.reset(new uint8_t[out.stride * out.height]);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.Row(static_cast<int>(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
}

std::vector<uint8_t> BareCompress(Picture& picture) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(picture.width);
    cinfo.image_height = static_cast<JDIMENSION>(picture.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    cinfo.dct_method = JDCT_FLOAT;
    jpeg_set_quality(&cinfo, kQuality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = picture.Row(static_cast<int>(cinfo.next_scanline));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

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
    state.SkipWithError("photograph missing: run ../shared/testdata/make-photos.sh /work/photos");
    return false;
}

void ObjectCompress(benchmark::State& state) {
    Picture& picture = Photo(PhotoName(state.range(0)));
    if (!HavePhoto(state, picture)) return;
    auto bitmap = BitmapOf(picture);
    TJPEGImage image;
    image.AssignFrom(bitmap.get());
    image.SetQuality(kQuality);
    for (auto _ : state) {
        image.Compress();
        benchmark::DoNotOptimize(image.Holder().Bytes->Size());
    }
    state.counters["bytes"] = static_cast<double>(image.Holder().Bytes->Size());
}

// The program's own case: the working bitmap is in the display format (32 bits, blue-green-red-
// unused), whose rows the library reads in place.
void ObjectCompressFromDisplay(benchmark::State& state) {
    Picture& picture = Photo(PhotoName(state.range(0)));
    if (!HavePhoto(state, picture)) return;
    auto bitmap = BitmapOf(picture);
    bitmap->SetPixelFormat(TPixelFormat::Device);
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
BENCHMARK(ObjectCompress)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(ObjectCompressFromDisplay)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BareLoopCompress)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(ObjectDecode)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BareLoopDecode)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();

// From a quality change to both panes updated, for 12- and 24-megapixel photographs, against a
// bare libjpeg-turbo compress + decode of the same pixels with the same parameters (float DCT,
// baseline tables, blue-green-red rows). The photographs come from ../shared/testdata/make-photos.sh;
// their folder is $ZAVO_PHOTOS, else /work/photos.
#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <QApplication>
#include <QPainter>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/fullshow.h"
#include "app/mainview.h"
#include "codec/bitmap.h"
#include "codec/picture.h"
#include "platform/memory.h"
#include "toolkit/application.h"

using namespace zavo;

namespace {

std::string PhotoPath(const std::string& name) {
    const char* dir = std::getenv("ZAVO_PHOTOS");
    return std::string(dir != nullptr ? dir : "/work/photos") + "/" + name;
}

TApplication* App() {
    static int argc = 1;
    static char name[] = "zavo";
    static char* argv[] = {name, nullptr};
    static TApplication app(argc, argv);
    return &app;
}

Tzavo* Window() {
    static Tzavo* window = [] {
        Tzavo* w = App()->CreateForm<Tzavo>();
        w->SetClientSize(1200, 900);
        w->Show();
        return w;
    }();
    return window;
}

bool LoadPhoto(benchmark::State& state, const std::string& name) {
    Tzavo* w = Window();
    mainview::curfile = PhotoPath(name);
    try {
        w->fileload();
    } catch (const std::exception& e) {
        state.SkipWithError((std::string("photograph missing: ") + e.what()).c_str());
        return false;
    }
    return true;
}

void QualityChange(benchmark::State& state, const std::string& name) {
    if (!LoadPhoto(state, name)) return;
    Tzavo* w = Window();
    int quality = 80;
    for (auto _ : state) {
        quality = quality == 80 ? 79 : 80;
        w->press->SetText(std::to_string(quality));
        w->presson(w->press);
        // The right pane decodes when it paints; both panes paint now.
        for (TImage* image : {w->ex, w->new_}) {
            QImage pane(image->Parent()->ClientWidget()->size(), QImage::Format_RGB32);
            QPainter painter(&pane);
            image->PaintPart(painter, QRect(QPoint(0, 0), pane.size()));
        }
    }
}

// The working bitmap as 24-bit rows, compressed and decoded by libjpeg alone.
void Bare(benchmark::State& state, const std::string& name) {
    if (!LoadPhoto(state, name)) return;
    TBitmap rows;
    rows.AssignFrom(mainview::workbmp);
    rows.SetPixelFormat(TPixelFormat::Bit24);
    const int width = rows.Width(), height = rows.Height();
    std::vector<uint8_t> decoded(size_t(width) * 3 * size_t(height));
    for (auto _ : state) {
        jpeg_compress_struct c;
        jpeg_error_mgr err;
        c.err = jpeg_std_error(&err);
        jpeg_create_compress(&c);
        unsigned char* out = nullptr;
        unsigned long outSize = 0;
        jpeg_mem_dest(&c, &out, &outSize);
        c.image_width = JDIMENSION(width);
        c.image_height = JDIMENSION(height);
        c.input_components = 3;
        c.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&c);
        c.dct_method = JDCT_FLOAT;
        jpeg_set_quality(&c, 80, TRUE);
        jpeg_start_compress(&c, TRUE);
        for (int y = 0; y < height; ++y) {
            JSAMPROW row = rows.ScanLine(y);
            jpeg_write_scanlines(&c, &row, 1);
        }
        jpeg_finish_compress(&c);
        jpeg_destroy_compress(&c);

        jpeg_decompress_struct d;
        d.err = jpeg_std_error(&err);
        jpeg_create_decompress(&d);
        jpeg_mem_src(&d, out, outSize);
        jpeg_read_header(&d, TRUE);
        d.out_color_space = JCS_EXT_BGR;
        d.dct_method = JDCT_FLOAT;
        jpeg_start_decompress(&d);
        while (d.output_scanline < d.output_height) {
            JSAMPROW row = decoded.data() + size_t(d.output_scanline) * size_t(width) * 3;
            jpeg_read_scanlines(&d, &row, 1);
        }
        jpeg_finish_decompress(&d);
        jpeg_destroy_decompress(&d);
        std::free(out);
    }
}

}  // namespace

BENCHMARK_CAPTURE(QualityChange, photo12mp, std::string("photo12mp.bmp"))->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK_CAPTURE(Bare, photo12mp, std::string("photo12mp.bmp"))->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK_CAPTURE(QualityChange, photo24mp, std::string("photo24mp.bmp"))->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK_CAPTURE(Bare, photo24mp, std::string("photo24mp.bmp"))->Unit(benchmark::kMillisecond)->MinTime(3);

int main(int argc, char** argv) {
    // As the program does.
    platform::KeepFreedPictureMemory();
    QApplication qt(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}

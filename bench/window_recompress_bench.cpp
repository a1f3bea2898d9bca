// From a quality change to both panes updated, for 12- and 24-megapixel photographs, against a
// bare libjpeg-turbo compress + decode of the same pixels with the same parameters (float DCT,
// baseline tables, blue-green-red rows); and a whole load of a 24-megapixel JPEG file against the
// same steps done by bare libjpeg-turbo calls. The photographs come from
// the photos target; their folder is $ZAVO_PHOTOS, else photos in the build folder.
// Run with --benchmark_min_time=3 --benchmark_repetitions=5 for figures worth comparing.
#include <benchmark/benchmark.h>

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
#include "codec/precompute.h"
#include "toolkit/application.h"

#include "barejpeg.h"

using namespace zavo;

namespace {

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
    mainview::curfile = barejpeg::PhotoPath(name);
    try {
        w->fileload();
    } catch (const std::exception& e) {
        state.SkipWithError((std::string("photograph missing: ") + e.what()).c_str());
        return false;
    }
    return true;
}

// The right pane decodes when it paints; both panes paint now.
void PaintPanes(Tzavo* w) {
    for (TImage* image : {w->ex, w->new_}) {
        QImage pane(image->Parent()->ClientWidget()->size(), QImage::Format_RGB32);
        QPainter painter(&pane);
        image->PaintPart(painter, QRect(QPoint(0, 0), pane.size()));
    }
}

void QualityChange(benchmark::State& state, const std::string& name) {
    if (!LoadPhoto(state, name)) return;
    Tzavo* w = Window();
    int quality = 80;
    for (auto _ : state) {
        quality = quality == 80 ? 79 : 80;
        w->press->SetText(std::to_string(quality));
        // Measured is a quality nothing was compressed ahead for.
        w->Precompute().Cancel();
        w->presson(w->press);
        PaintPanes(w);
    }
}

// The file is read, decoded into the working bitmap, compressed and decoded for the right pane.
void Load(benchmark::State& state, const std::string& name) {
    Tzavo* w = Window();
    w->press->SetText(std::to_string(barejpeg::kQuality));
    for (auto _ : state) {
        if (!LoadPhoto(state, name)) return;
        PaintPanes(w);
        // Between two loads the event loop runs, and the quality figures worker's finished requests
        // let go of the pictures they kept.
        state.PauseTiming();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}

// The working bitmap as 24-bit rows, compressed and decoded by libjpeg alone.
void Bare(benchmark::State& state, const std::string& name) {
    if (!LoadPhoto(state, name)) return;
    TBitmap rows;
    rows.AssignFrom(mainview::workbmp);
    rows.SetPixelFormat(TPixelFormat::Bit24);
    barejpeg::Picture picture;
    picture.width = rows.Width();
    picture.height = rows.Height();
    picture.stride = (static_cast<size_t>(picture.width) * 3 + 3) / 4 * 4;
    picture.pixels.reset(new uint8_t[picture.stride * static_cast<size_t>(picture.height)]);
    for (int y = 0; y < picture.height; ++y)
        std::copy_n(rows.ScanLine(y), static_cast<size_t>(picture.width) * 3, picture.Row(y));
    for (auto _ : state) {
        barejpeg::Picture decoded;
        barejpeg::BareDecode(barejpeg::BareCompress(picture), decoded);
        benchmark::DoNotOptimize(decoded.pixels.get());
    }
}

// The same steps by bare calls: read the file, decode it, widen its rows into a working picture in
// the display format (blue-green-red-unused, top-down), compress that, decode the result.
void BareLoad(benchmark::State& state, const std::string& name) {
    if (barejpeg::ReadFile(barejpeg::PhotoPath(name)).empty()) {
        state.SkipWithError("photograph missing");
        return;
    }
    for (auto _ : state) {
        barejpeg::Picture source;
        barejpeg::BareDecode(barejpeg::ReadFile(barejpeg::PhotoPath(name)), source);
        barejpeg::Picture working;
        working.width = source.width;
        working.height = source.height;
        working.stride = static_cast<size_t>(source.width) * 4;
        working.pixels.reset(new uint8_t[working.stride * static_cast<size_t>(working.height)]);
        for (int y = 0; y < source.height; ++y) {
            const uint8_t* from = source.Row(y);
            uint8_t* to = working.pixels.get() + static_cast<size_t>(y) * working.stride;
            for (int x = 0; x < source.width; ++x, from += 3, to += 4) {
                to[0] = from[0], to[1] = from[1], to[2] = from[2], to[3] = 0;
            }
        }
        barejpeg::Picture decoded;
        barejpeg::BareDecode(barejpeg::BareCompress(working, 4, JCS_EXT_BGRX, /*topDown=*/true), decoded);
        benchmark::DoNotOptimize(decoded.pixels.get());
    }
}

}  // namespace

BENCHMARK_CAPTURE(QualityChange, photo12mp, std::string("photo12mp.bmp"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Bare, photo12mp, std::string("photo12mp.bmp"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(QualityChange, photo24mp, std::string("photo24mp.bmp"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Bare, photo24mp, std::string("photo24mp.bmp"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Load, photo24mp, std::string("photo24mp.jpg"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BareLoad, photo24mp, std::string("photo24mp.jpg"))->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}

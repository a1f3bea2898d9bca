// One flip of the full-screen preview with a 24-megapixel picture on a 1920 x 1080 window: from the
// key to the window painted from its backing image. The after picture is decoded once beforehand,
// as the right pane has done by the time the preview opens. Baseline: the same window painted
// without a flip.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>

#include "app/fullshow.h"
#include "app/mainview.h"
#include "codec/bitmap.h"
#include "codec/jpegimage.h"
#include "codec/picture.h"
#include "toolkit/application.h"
#include "windowpicture.h"

using namespace zavo;

namespace {

struct Windows {
    Windows() : app(argc, argv) {
        main = app.CreateForm<Tzavo>();
        preview = app.CreateForm<Tfull>();
        TBitmap picture;
        bench::FillWindowPicture(picture);
        main->ex->Picture().AssignFrom(&picture);
        mainview::srcjpeg->AssignFrom(&picture);
        mainview::srcjpeg->SetQuality(80);
        mainview::srcjpeg->Compress();
        TMemoryStream bytes;
        mainview::srcjpeg->SaveStream(bytes);
        bytes.SetPosition(0);
        mainview::newjpeg->LoadStream(bytes);
        main->new_->Picture().AssignFrom(mainview::newjpeg);
        // The offscreen screen is smaller than the one measured for: a plain window of that size.
        preview->SetFullScreen(false);
        preview->SetClientSize(1920, 1080);
        preview->Show();
        preview->wideshow();
        QApplication::processEvents();
        preview->Widget()->repaint();
    }
    static inline int argc = 1;
    static inline char name[] = "zavo";
    static inline char* argv[2] = {name, nullptr};
    TApplication app;
    Tzavo* main;
    Tfull* preview;
};

Windows& Shared() {
    static Windows windows;
    return windows;
}

void BM_Flip(benchmark::State& state) {
    Windows& w = Shared();
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        w.preview->FilterKey(w.preview->Widget(), &press);
        w.preview->Widget()->repaint();
    }
}
BENCHMARK(BM_Flip)->Unit(benchmark::kMillisecond);

void BM_PaintOnly(benchmark::State& state) {
    Windows& w = Shared();
    for (auto _ : state) w.preview->Widget()->repaint();
}
BENCHMARK(BM_PaintOnly)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}

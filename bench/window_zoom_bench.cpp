// Zoom with the 24-megapixel photograph (photo24mp.bmp from ../shared/testdata/make-photos.sh, in
// $ZAVO_PHOTOS, else the build's photos folder) loaded as the user loads it, in a 1200 x 900 window:
//   ZoomRepaint/photo24mp/<level>  both panes repainted after a change to the level, from 1:1 (from
//                                  2:1 for 1x), once the quality has been painted at that level
//   ZoomRepaint/photo24mp/baseline both panes repainted at 1:1 without a change
//   ZoomScroll/photo24mp/4x        a line step of the horizontal bars at 4:1, both panes repainted
//   ScrollWhole/photo24mp/1x       both panes scrolled over the whole picture at 1:1 after 1:2
//   PreviewOpen/photo24mp/<level>  Space pressed with nothing decoded for the preview, to the
//                                  preview painted on 1920 x 1080, the panes centred on the
//                                  picture's centre
//   PreviewOpen/photo24mp/4x_bottom
//                                  the same with the panes at the picture's bottom edge, where the
//                                  decoder reads the most rows before the screen's part
//   PreviewOpen/photo24mp/whole_decode_baseline
//                                  the picture decoded whole and drawn on the preview, as the
//                                  preview painted before it drew only the screen's part
// Each row gives its peak resident memory (peak_rss_mb).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>

#include <fstream>
#include <memory>
#include <string>

#include "app/fullshow.h"
#include "app/mainview.h"
#include "app/zoomview.h"
#include "codec/jpegimage.h"
#include "codec/picture.h"
#include "toolkit/application.h"

#include "barejpeg.h"

using namespace zavo;

namespace {

struct Windows {
    Windows() : app(argc, argv) {
        main = app.CreateForm<Tzavo>();
        preview = app.CreateForm<Tfull>();
        main->SetClientSize(1200, 900);
        main->Show();
        QApplication::processEvents();
        mainview::curfile = barejpeg::PhotoPath("photo24mp.bmp");
        main->fileload();
        // The offscreen screen is smaller than the one measured for: a plain window of that size.
        preview->SetFullScreen(false);
        preview->SetClientSize(1920, 1080);
        Repaint();
    }
    void Repaint() {
        main->exview->Widget()->repaint();
        main->newview->Widget()->repaint();
    }
    static inline int argc = 1;
    static inline char name[] = "zavo";
    static inline char* argv[2] = {name, nullptr};
    TApplication app;
    Tzavo* main;
    Tfull* preview;
};

// Made on first use and gone before the Qt application, whose windows it holds.
std::unique_ptr<Windows> shared;

Windows& Shared() {
    if (!shared) shared = std::make_unique<Windows>();
    return *shared;
}

void ZoomRepaint(benchmark::State& state, TZoomLevel level) {
    Windows& w = Shared();
    TZoomLevel from = level == TZoomLevel::Actual ? TZoomLevel::Double : TZoomLevel::Actual;
    w.main->Zoom().SetLevelAtCentre(level);
    w.Repaint();
    for (auto _ : state) {
        state.PauseTiming();
        w.main->Zoom().SetLevelAtCentre(from);
        w.Repaint();
        state.ResumeTiming();
        w.main->Zoom().SetLevelAtCentre(level);
        w.Repaint();
    }
    w.main->Zoom().SetLevelAtCentre(TZoomLevel::Actual);
}

void Baseline(benchmark::State& state) {
    Windows& w = Shared();
    w.main->Zoom().SetLevelAtCentre(TZoomLevel::Actual);
    for (auto _ : state) w.Repaint();
}

void ZoomScroll(benchmark::State& state) {
    Windows& w = Shared();
    w.main->Zoom().SetLevelAtCentre(TZoomLevel::Quadruple);
    w.Repaint();
    int step = 0;
    for (auto _ : state) {
        w.main->exh->UserScroll((step++ / 50) % 2 == 0 ? TScrollCode::LineDown : TScrollCode::LineUp);
        w.Repaint();
    }
    w.main->Zoom().SetLevelAtCentre(TZoomLevel::Actual);
}

void PreviewOpen(benchmark::State& state, TZoomLevel level, bool bottom) {
    Windows& w = Shared();
    w.main->Zoom().SetLevelAtCentre(level);
    // Reduced, the preview shows the whole picture, and at 1:1 its centre, wherever the panes are.
    if (!w.main->Zoom().Scale().Reduces()) {
        TPicture& picture = w.main->ex->Picture();
        w.main->Zoom().CentreOn(picture.Width() / 2.0, bottom ? picture.Height() : picture.Height() / 2.0);
    }
    w.Repaint();
    for (auto _ : state) {
        state.PauseTiming();
        w.preview->Close();
        // As after a quality change: the right pane's picture is new and nothing of it is decoded
        // for the preview.
        w.main->new_->Picture().AssignFrom(mainview::newjpeg);
        w.Repaint();
        w.main->SetActiveControl(nullptr);
        state.ResumeTiming();
        QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        w.main->FilterKey(w.main->Widget(), &space);
        w.preview->Widget()->repaint();
    }
    w.preview->Close();
    w.main->Zoom().SetLevelAtCentre(TZoomLevel::Actual);
}

// What the preview did before it drew only the screen's part: the whole picture decoded and drawn.
void PreviewWholeDecode(benchmark::State& state) {
    Windows& w = Shared();
    w.main->Zoom().SetLevelAtCentre(TZoomLevel::Actual);
    w.preview->Show();
    for (auto _ : state) {
        state.PauseTiming();
        TJPEGImage fresh;
        fresh.AssignFrom(mainview::newjpeg);
        state.ResumeTiming();
        w.preview->Canvas().FillRect(Rect(0, 0, 1920, 1080));
        w.preview->Canvas().DrawGraphic(fullshow::imgx, fullshow::imgy, &fresh);
        w.preview->Widget()->repaint();
    }
    w.preview->Close();
}

// The panes scrolled over the whole picture at 1:1, page by page, after the half-size level was
// shown: for the peak memory with the most kept (the half-size reductions, the right pane's rows).
void ScrollWhole(benchmark::State& state) {
    Windows& w = Shared();
    w.main->Zoom().SetLevelAtCentre(TZoomLevel::Half);
    w.Repaint();
    w.main->Zoom().SetLevelAtCentre(TZoomLevel::Actual);
    for (auto _ : state) {
        for (int y = 0; y <= w.main->exv->Max(); y += 400)
            for (int x = 0; x <= w.main->exh->Max(); x += 400) {
                w.main->exh->UserScroll(TScrollCode::Track, x);
                w.main->exv->UserScroll(TScrollCode::Track, y);
                w.Repaint();
            }
    }
}

double PeakMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    return -1;
}

// Each row reports the highest resident memory while it ran, counted on from what earlier rows left
// resident: "5" written to clear_refs restarts the kernel's high-water mark there.
template <class Run, class... Args>
void Register(const std::string& name, Run run, Args... args) {
    benchmark::RegisterBenchmark(name.c_str(),
                                 [run, args...](benchmark::State& state) {
                                     std::ofstream("/proc/self/clear_refs") << "5";
                                     run(state, args...);
                                     state.counters["peak_rss_mb"] = PeakMb();
                                 })
        ->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    benchmark::Initialize(&argc, argv);
    Register("ZoomRepaint/photo24mp/baseline", Baseline);
    for (TZoomLevel level : kZoomLevels)
        Register(std::string("ZoomRepaint/photo24mp/") + LevelName(level), ZoomRepaint, level);
    Register("ZoomScroll/photo24mp/4x", ZoomScroll);
    Register("ScrollWhole/photo24mp/1x", ScrollWhole);
    for (TZoomLevel level : {TZoomLevel::Actual, TZoomLevel::Fit, TZoomLevel::Quadruple})
        Register(std::string("PreviewOpen/photo24mp/") + LevelName(level), PreviewOpen, level, false);
    Register("PreviewOpen/photo24mp/4x_bottom", PreviewOpen, TZoomLevel::Quadruple, true);
    // Last, since it holds a whole decode beside what the rows before keep.
    Register("PreviewOpen/photo24mp/whole_decode_baseline", PreviewWholeDecode);
    benchmark::RunSpecifiedBenchmarks();
    shared.reset();
    return 0;
}

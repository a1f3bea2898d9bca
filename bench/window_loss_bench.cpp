// The loss view of a 24 MP photograph at 1:1 in a 1200 x 900 window, its map measured:
//   LossScroll/photo24mp/plain  a line step of the horizontal bars, both panes repainted, view off
//   LossScroll/photo24mp/1x     the same with the right pane showing the loss view
#include <benchmark/benchmark.h>

#include <QApplication>

#include "app/lossview.h"
#include "app/mainview.h"
#include "toolkit/application.h"

#include "barejpeg.h"

using namespace zavo;

namespace {

Tzavo& Window() {
    static int argc = 1;
    static char name[] = "zavo";
    static char* argv[] = {name, nullptr};
    static TApplication app(argc, argv);
    static Tzavo* main = [] {
        Tzavo* w = app.CreateForm<Tzavo>();
        w->SetClientSize(1200, 900);
        w->Show();
        mainview::curfile = barejpeg::PhotoPath("photo24mp.bmp");
        w->fileload();
        while (w->Loss().Map() == nullptr) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return w;
    }();
    return *main;
}

void LossScroll(benchmark::State& state, bool shown) {
    Tzavo& w = Window();
    w.Loss().SetShown(shown);
    int step = 0;
    for (auto _ : state) {
        w.exh->UserScroll((step++ / 50) % 2 == 0 ? TScrollCode::LineDown : TScrollCode::LineUp);
        w.exview->Widget()->repaint();
        w.newview->Widget()->repaint();
    }
    w.Loss().SetShown(false);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RegisterBenchmark("LossScroll/photo24mp/plain", LossScroll, false)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("LossScroll/photo24mp/1x", LossScroll, true)->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}

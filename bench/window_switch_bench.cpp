// A switch of the quality to one compressed ahead, at 24 megapixels: from the quality change to the
// size label and both panes painted. In the same run the same switch as it is without anything
// compressed ahead and with the right pane decoded whole. The photographs come from
// the photos target; their folder is $ZAVO_PHOTOS, else photos in the build folder.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QPainter>
#include <QWidget>

#include <string>

#include "app/mainview.h"
#include "codec/precompute.h"
#include "toolkit/application.h"

#include "barejpeg.h"

using namespace zavo;

namespace {

Tzavo* Window() {
    static int argc = 1;
    static char name[] = "zavo";
    static char* argv[] = {name, nullptr};
    static TApplication app(argc, argv);
    static Tzavo* window = [] {
        Tzavo* w = app.CreateForm<Tzavo>();
        w->SetClientSize(1200, 900);
        w->Show();
        return w;
    }();
    return window;
}

bool LoadPhoto(benchmark::State& state, const std::string& name) {
    mainview::curfile = barejpeg::PhotoPath(name);
    try {
        Window()->fileload();
    } catch (const std::exception& e) {
        state.SkipWithError((std::string("photograph missing: ") + e.what()).c_str());
        return false;
    }
    return true;
}

// The quality change as the up-down makes it, then what the window shows painted.
void SwitchAndPaint(Tzavo* w, int quality) {
    w->press->SetText(std::to_string(quality));
    w->presson(w->press);
    QWidget* label = w->savesize->Widget();
    QImage caption(label->size(), QImage::Format_RGB32);
    label->render(&caption);
    for (TImage* image : {w->ex, w->new_}) {
        QImage pane(image->Parent()->ClientWidget()->size(), QImage::Format_RGB32);
        QPainter painter(&pane);
        image->PaintPart(painter, QRect(QPoint(-image->Left(), -image->Top()), pane.size()));
    }
}

double PeakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void PrecomputedSwitch(benchmark::State& state, const std::string& name) {
    Tzavo* w = Window();
    w->new_->SetDecodeOnDemand(true);
    w->press->SetText("80");
    if (!LoadPhoto(state, name)) return;
    w->Precompute().WaitIdle();
    int quality = 80;
    for (auto _ : state) {
        quality = quality == 70 ? 90 : 70;
        SwitchAndPaint(w, quality);
    }
    state.counters["peak_rss_mb"] = PeakRssMb();
}

// Nothing compressed ahead and the right pane decoded whole: the switch as it was.
void FreshSwitch(benchmark::State& state, const std::string& name) {
    Tzavo* w = Window();
    w->new_->SetDecodeOnDemand(false);
    w->press->SetText("80");
    if (!LoadPhoto(state, name)) return;
    int quality = 80;
    for (auto _ : state) {
        quality = quality == 70 ? 90 : 70;
        w->Precompute().Cancel();
        SwitchAndPaint(w, quality);
    }
    w->new_->SetDecodeOnDemand(true);
}

}  // namespace

BENCHMARK_CAPTURE(PrecomputedSwitch, photo24mp, std::string("photo24mp.bmp"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FreshSwitch, photo24mp, std::string("photo24mp.bmp"))->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}

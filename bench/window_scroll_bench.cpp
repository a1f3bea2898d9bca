// One accepted scroll step with two 6000 x 4000 pictures in the panes, both panes repainted.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "codec/bitmap.h"
#include "codec/picture.h"

#include "app/fullshow.h"
#include "app/mainview.h"
#include "toolkit/application.h"
#include "windowpicture.h"

using namespace zavo;

static void BM_ScrollStep(benchmark::State& state) {
    static int argc = 1;
    static char name[] = "zavo";
    static char* argv[] = {name, nullptr};
    TApplication app(argc, argv);
    Tzavo* main = app.CreateForm<Tzavo>();
    main->SetClientSize(1200, 900);
    TBitmap picture;
    bench::FillWindowPicture(picture);
    main->ex->Picture().AssignFrom(&picture);
    main->new_->Picture().AssignFrom(&picture);
    main->new_->SetWidth(6000);
    main->new_->SetHeight(4000);
    main->barset();
    main->Show();
    QApplication::processEvents();
    int pos = 0;
    for (auto _ : state) {
        pos = (pos + 20) % 4000;
        main->exh->UserScroll(TScrollCode::Track, pos);
        main->exview->Widget()->repaint();
        main->newview->Widget()->repaint();
    }
}
BENCHMARK(BM_ScrollStep)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}

// Resident memory of the program around a large picture, each figure from fresh processes:
//   peak_rss_mb         highest resident memory while a 24-megapixel photograph is loaded and shown
//   rss_after_small_mb  resident memory once a 640 x 480 picture has replaced it
//   fresh_small_mb      resident memory of a fresh start that loads only the 640 x 480 picture
// Medians of five runs. The photograph (photo24mp.jpg unless named as the first argument) comes from
// the photos target, in $ZAVO_PHOTOS, else photos in the build folder; the small picture is made
// here, in the system's temporary folder.
#include <QApplication>
#include <QPainter>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/mainview.h"
#include "codec/precompute.h"
#include "base/streams.h"
#include "codec/bitmap.h"
#include "toolkit/application.h"

#include "barejpeg.h"

using namespace zavo;

namespace {

constexpr int kRuns = 5;

// A field of /proc/self/status in MB ("VmRSS", "VmHWM").
double StatusMb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0) return std::strtod(line.c_str() + field.size() + 1, nullptr) / 1024.0;
    }
    return -1;
}

std::string SmallPicturePath() {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir != nullptr ? dir : "/tmp") + "/zavo-memory-bench-640x480.bmp";
}

void MakeSmallPicture(const std::string& path) {
    TBitmap picture;
    picture.SetPixelFormat(TPixelFormat::Bit24);
    picture.SetWidth(640);
    picture.SetHeight(480);
    for (int y = 0; y < picture.Height(); ++y) {
        uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < picture.Width() * 3; ++x) row[x] = static_cast<uint8_t>(x * 7 + y * 13);
    }
    TFileStream out(path, FileMode::Create);
    picture.SaveStream(out);
    out.Close();
}

// Loads the file into the window as a drop would, paints both panes and lets the event loop run
// until the size label's quality figures have come back from their worker and the qualities the
// up-down reaches have been compressed ahead.
void Show(Tzavo* w, const std::string& path) {
    mainview::curfile = path;
    w->fileload();
    for (TImage* image : {w->ex, w->new_}) {
        QImage pane(image->Parent()->ClientWidget()->size(), QImage::Format_RGB32);
        QPainter painter(&pane);
        image->PaintPart(painter, QRect(QPoint(0, 0), pane.size()));
    }
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (w->savesize->Hint().empty() && std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
    // Every quality the up-down reaches is compressed ahead by now.
    w->Precompute().WaitIdle();
    QCoreApplication::processEvents();
}

// One measuring process: shows each file in turn and prints its figures.
int Measure(int argc, char** argv) {
    TApplication app(argc, argv);
    Tzavo* w = app.CreateForm<Tzavo>();
    w->SetClientSize(1200, 900);
    w->Show();
    QCoreApplication::processEvents();
    for (int i = 2; i < argc; ++i) {
        Show(w, argv[i]);
        std::printf("after %s rss %.1f peak %.1f\n", argv[i], StatusMb("VmRSS"), StatusMb("VmHWM"));
    }
    std::fflush(stdout);
    std::_Exit(0);
}

// Runs one measuring process and returns its (rss, peak) after each file.
std::vector<std::pair<double, double>> Run(const std::string& self, const std::vector<std::string>& files) {
    std::string command = "'" + self + "' --measure";
    for (const std::string& f : files) command += " '" + f + "'";
    std::vector<std::pair<double, double>> figures;
    FILE* child = popen(command.c_str(), "r");
    if (child == nullptr) return figures;
    char line[4096];
    while (std::fgets(line, sizeof line, child) != nullptr) {
        std::string text(line);
        size_t rss = text.rfind(" rss "), peak = text.rfind(" peak ");
        if (text.rfind("after ", 0) == 0 && rss != std::string::npos && peak != std::string::npos)
            figures.emplace_back(std::strtod(text.c_str() + rss + 5, nullptr), std::strtod(text.c_str() + peak + 6, nullptr));
    }
    pclose(child);
    return figures;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "--measure") return Measure(argc, argv);
    std::string large = barejpeg::PhotoPath(argc >= 2 ? argv[1] : "photo24mp.jpg");
    if (barejpeg::ReadFile(large).empty()) {
        std::fprintf(stderr, "photograph missing: %s\n", large.c_str());
        return 1;
    }
    std::string small = SmallPicturePath();
    {
        int qtArgc = 1;
        char name[] = "zavo";
        char* qtArgv[] = {name, nullptr};
        QApplication qt(qtArgc, qtArgv);
        MakeSmallPicture(small);
    }
    std::string self = "/proc/" + std::to_string(getpid()) + "/exe";
    std::vector<double> peak, afterSmall, fresh;
    for (int run = 0; run < kRuns; ++run) {
        auto both = Run(self, {large, small});
        auto alone = Run(self, {small});
        if (both.size() != 2 || alone.size() != 1) {
            std::fprintf(stderr, "a measuring process failed\n");
            return 1;
        }
        peak.push_back(both[0].second);
        afterSmall.push_back(both[1].first);
        fresh.push_back(alone[0].first);
    }
    std::remove(small.c_str());
    std::printf("picture            %s\n", large.c_str());
    std::printf("peak_rss_mb        %.1f\n", Median(peak));
    std::printf("rss_after_small_mb %.1f\n", Median(afterSmall));
    std::printf("fresh_small_mb     %.1f\n", Median(fresh));
    std::printf("after_small_over_fresh_mb %.1f\n", Median(afterSmall) - Median(fresh));
    return 0;
}

// zavo-batch: the window's compression applied to many files, with the loss measured.
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "batch/arguments.h"
#include "batch/runner.h"
#include "codec/jpegimage.h"
#include "platform/headless.h"

using namespace zavo;

int main(int argc, char** argv) {
    batch::BatchOptions options;
    try {
        options = batch::ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const batch::UsageError& e) {
        std::fprintf(stderr, "zavo-batch: %s\n%s", e.what(), batch::kUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(batch::kUsage, stdout);
        return 0;
    }
    platform::HeadlessGui gui(argv[0]);
    // File names are read in the locale's encoding; numbers are printed the same everywhere.
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
    AdjustDefaultsToScreen();
    return batch::RunBatch(options, stdout, stderr, isatty(STDERR_FILENO) != 0);
}

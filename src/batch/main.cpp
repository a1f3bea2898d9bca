// zavo-batch: the window's compression applied to many files, with the loss measured.
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/pathtext.h"
#include "batch/arguments.h"
#include "batch/filelist.h"
#include "batch/runner.h"
#include "codec/fileformats.h"
#include "codec/jpegimage.h"
#include "codec/metafile.h"
#include "platform/headless.h"

using namespace zavo;

namespace {

// Only metafiles draw text, and the font database costs a tenth of a small run to start.
bool AnyMetafile(const std::vector<std::string>& files) {
    for (const std::string& file : files) {
        const TGraphicFactory factory = TFileFormatsList::Instance().Find(ExtensionOf(file));
        if (factory != nullptr && dynamic_cast<TMetafile*>(factory().get()) != nullptr) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    batch::BatchOptions options;
    try {
        options = batch::ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
        if (!options.help && !options.filesFrom.empty()) {
            std::vector<std::string> listed = batch::ReadFileList(options.filesFrom, options.nulSeparated);
            options.files.insert(options.files.end(), listed.begin(), listed.end());
        }
    } catch (const batch::UsageError& e) {
        std::fprintf(stderr, "zavo-batch: %s\n%s", e.what(), batch::kUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(batch::kUsage, stdout);
        return 0;
    }
    // An empty list (a search that found nothing) is nothing to do.
    if (options.files.empty()) return 0;
    std::optional<platform::HeadlessGui> gui;
    if (AnyMetafile(options.files)) gui.emplace(argv[0]);
    // File names are read in the locale's encoding; numbers are printed the same everywhere.
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
    AdjustDefaultsToScreen();
    return batch::RunBatch(options, stdout, stderr, isatty(STDERR_FILENO) != 0);
}

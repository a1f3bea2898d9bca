// The command line of zavo-batch.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "codec/metadata.h"

namespace zavo::batch {

struct BatchOptions {
    int quality = 80;
    // 0: compress at quality; otherwise the highest quality whose result has at most this many bytes.
    int64_t maxSize = 0;
    // 0: no demand; otherwise the lowest quality (with maxSize: the highest within the size) whose
    // mean SSIM, and whose worst window's SSIM, is at least this much.
    double minSsim = 0;
    double minLocalSsim = 0;
    // Empty: each result goes beside its source.
    std::string outputDir;
    bool overwrite = false;
    int jobs = 0;  // 0: one per core
    bool json = false;
    bool help = false;
    // What each result keeps of its source's metadata (none: the window's default bytes).
    TMetadataChoice metadata;
    // A file listing more files, one a line (or NUL-separated with nulSeparated); "-" is standard
    // input. Its names follow those of the command line.
    std::string filesFrom;
    bool nulSeparated = false;
    std::vector<std::string> files;
};

// A command line that cannot be run; the text says why.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raises UsageError for unknown options, missing or malformed values, -q together with
// --max-size, --min-ssim or --min-local-ssim, -0 without --files-from, and no file (unless --help
// or --files-from).
BatchOptions ParseArguments(const std::vector<std::string>& args);

// "1234", "300k" or "2M" (k = 1024 bytes, M = 1024 k); UsageError when it is not a positive size.
int64_t ParseSize(const std::string& text);

extern const char* const kUsage;

}  // namespace zavo::batch

// One picture file compressed into NAME.jpg, with what the report needs to know of it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/replacingfile.h"
#include "batch/arguments.h"
#include "codec/qualityfigures.h"

namespace zavo::batch {

struct FileResult {
    std::string source;  // as given
    std::string target;
    bool ok = false;
    std::string error;  // the failure's message when not ok
    int64_t sourceSize = 0;
    int64_t resultSize = 0;
    int quality = 0;
    TQualityFigures figures;
    // Metadata bytes written, when the options copy any.
    std::optional<int64_t> metadataSize;
    // What of the chosen metadata could not be kept; the file is written all the same.
    std::string warning;
};

// Where the result of source goes: NAME.jpg in the output folder, or beside the source.
std::string TargetFor(const std::string& source, const std::string& outputDir);

// A file compressed and written under a temporary name, waiting for the flush and the rename that
// make it the result.
struct FileJob {
    FileResult result;
    std::unique_ptr<TReplacingFileStream> output;  // null when the job failed
};

// Loads, draws, compresses, measures and writes one file under a temporary name. Every failure is
// caught and described in the result; nothing is written then. With measureAside (a quality, not
// --max-size), the result is decoded for the figures on a thread of its own while it is compressed.
FileJob PrepareFileJob(const std::string& source, const std::string& target, const BatchOptions& options,
                       bool measureAside);

// Flushes the prepared file and renames it over the target; a failure is described in the result,
// and the target stays as it was.
FileResult CommitFileJob(FileJob job);

}  // namespace zavo::batch

// Runs the files of one command line on worker threads.
#pragma once

#include <cstdio>

#include "batch/arguments.h"

namespace zavo::batch {

// Every file is tried, each on its own codec objects, options.jobs at a time (one per core when 0);
// a thread the files leave unused measures a job's result while it is compressed.
// Results are printed to out in command-line order as soon as they and all before them are done,
// failures to err as well; with progress, a bar on err follows the work. Returns 0 when every file
// was written, 1 otherwise.
int RunBatch(const BatchOptions& options, std::FILE* out, std::FILE* err, bool progress);

}  // namespace zavo::batch

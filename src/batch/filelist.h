// The names of a --files-from list.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace zavo::batch {

// The names in the stream, each ended by a newline (or by a NUL byte with nulSeparated, as
// find -print0 writes them); the last may lack its end, and empty names are skipped. A name is
// taken whole whatever it holds, so newlines in names need the NUL form.
std::vector<std::string> ReadFileList(std::FILE* in, bool nulSeparated);

// The names of the list file, "-" being standard input; UsageError when it cannot be read.
std::vector<std::string> ReadFileList(const std::string& list, bool nulSeparated);

}  // namespace zavo::batch

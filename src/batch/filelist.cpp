#include "batch/filelist.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include "batch/arguments.h"

namespace zavo::batch {

std::vector<std::string> ReadFileList(std::FILE* in, bool nulSeparated) {
    const int end = nulSeparated ? '\0' : '\n';
    std::vector<std::string> names;
    std::string name;
    for (int c; (c = std::getc(in)) != EOF;) {
        if (c != end) {
            name += char(c);
            continue;
        }
        if (!name.empty()) names.push_back(std::move(name));
        name.clear();
    }
    if (!name.empty()) names.push_back(std::move(name));
    return names;
}

std::vector<std::string> ReadFileList(const std::string& list, bool nulSeparated) {
    if (list == "-") return ReadFileList(stdin, nulSeparated);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(list.c_str(), "rb"), &std::fclose);
    if (!in) throw UsageError("cannot read the file list " + list + ": " + std::strerror(errno));
    std::vector<std::string> names = ReadFileList(in.get(), nulSeparated);
    if (std::ferror(in.get())) throw UsageError("cannot read the file list " + list);
    return names;
}

}  // namespace zavo::batch

#include "support/testutil.h"

#include <QDir>
#include <QTemporaryDir>

#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace zavotest {

std::string TestData(const std::string& relative) { return std::string(ZAVO_TESTDATA) + "/" + relative; }

std::string TempDir() {
    static std::vector<std::unique_ptr<QTemporaryDir>> dirs;
    dirs.push_back(std::make_unique<QTemporaryDir>());
    return QFile::encodeName(dirs.back()->path()).toStdString();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace zavotest

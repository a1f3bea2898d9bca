#include "support/testutil.h"

#include <QDir>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace zavotest {

std::string TestDataFolder() {
    const char* set = std::getenv("ZAVO_TESTDATA");
    return set != nullptr && *set != '\0' ? set : ZAVO_TESTDATA;
}

bool HaveTestData() {
    struct stat st {};
    return ::stat(TestDataFolder().c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string MissingTestDataLine() {
    return "skipped: the independent test files are not in " + TestDataFolder() + " (set ZAVO_TESTDATA)";
}

std::string TestData(const std::string& relative) {
    if (!HaveTestData()) ADD_FAILURE() << "reads " << relative << " without skipping first; " << MissingTestDataLine();
    return TestDataFolder() + "/" + relative;
}

std::string OwnData(const std::string& relative) { return std::string(ZAVO_SOURCE_DIR "/tests/data/") + relative; }

std::string TempDir() {
    static std::vector<std::unique_ptr<QTemporaryDir>> dirs;
    dirs.push_back(std::make_unique<QTemporaryDir>());
    return QFile::encodeName(dirs.back()->path()).toStdString();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Captured(std::FILE* f) {
    std::rewind(f);
    std::string text;
    for (int c; (c = std::fgetc(f)) != EOF;) text += char(c);
    return text;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace zavotest

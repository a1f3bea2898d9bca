#include "support/testutil.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace zavotest {

std::string TestData(const std::string& relative) { return std::string(ZAVO_TESTDATA) + "/" + relative; }

std::string TempDir() {
    static std::vector<std::unique_ptr<QTemporaryDir>> dirs;
    dirs.push_back(std::make_unique<QTemporaryDir>());
    return QFile::encodeName(dirs.back()->path()).toStdString();
}

}  // namespace zavotest

#include "batch/runner.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../codec/bmpbytes.h"
#include "base/replacingfile.h"
#include "support/testutil.h"

using namespace zavo;
using namespace zavo::batch;

namespace {

}  // namespace

// Files are flushed and renamed after their compression, on a thread of their own; a flush that
// fails there is still that file's failure, and the files around it are written.
TEST(Runner, AFailedFlushFailsOnlyItsFileAndLeavesNoTemporaryFile) {
    const std::string dir = zavotest::TempDir();
    BatchOptions options;
    options.jobs = 1;
    options.outputDir = dir + "/out";
    for (const char* name : {"a", "b", "c"}) {
        const std::string path = dir + "/" + name + ".bmp";
        const zavotest::BmpBytes bmp = zavotest::Bmp24(37, 11);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bmp.bytes.data()),
                                                    std::streamsize(bmp.bytes.size()));
        options.files.push_back(path);
    }
    // One job commits in command-line order: file, then folder, for each; the third flush is b's.
    int flushes = 0;
    ReplacingFileCalls().fsync = [&](int fd) {
        if (++flushes == 3) {
            errno = EIO;
            return -1;
        }
        return ::fsync(fd);
    };
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int code = RunBatch(options, out, err, false);
    ReplacingFileCalls() = FileCalls::System();

    EXPECT_EQ(1, code);
    const std::string lines = zavotest::Captured(out);
    EXPECT_EQ(0u, lines.find(dir + "/a.bmp: "));
    EXPECT_NE(std::string::npos, lines.find("\n" + dir + "/c.bmp: ")) << lines;
    EXPECT_EQ(std::string::npos, lines.find("b.bmp")) << lines;
    EXPECT_EQ("zavo-batch: " + dir + "/b.bmp: ストリームへの書き込みエラー.\n", zavotest::Captured(err));
    std::fclose(out);
    std::fclose(err);
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(options.outputDir))
        written.push_back(entry.path().filename().string());
    std::sort(written.begin(), written.end());
    EXPECT_EQ((std::vector<std::string>{"a.jpg", "c.jpg"}), written);
}

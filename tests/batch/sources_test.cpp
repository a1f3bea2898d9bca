// zavo-batch never writes over one of its sources, whatever name reaches it: with --overwrite, a
// result name that is a hard link to the source (another name, even another extension, for the
// same file) is refused like the source's own name.
#include "batch/runner.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "../codec/bmpbytes.h"
#include "support/testutil.h"

using namespace zavo;
using namespace zavo::batch;

namespace {

struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileId&) const = default;
};

FileId IdOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return {st.st_dev, st.st_ino};
}

}  // namespace

TEST(BatchSources, AResultNameHardLinkedToTheSourceIsRefusedEvenWithOverwrite) {
    const std::string dir = zavotest::TempDir();
    const zavotest::BmpBytes bmp = zavotest::Bmp24(19, 7);
    const std::string bitmapBytes(bmp.bytes.begin(), bmp.bytes.end());
    zavotest::WriteFile(dir + "/a.bmp", bitmapBytes);
    std::filesystem::create_directory(dir + "/out");
    struct Case {
        const char* what;
        std::string source;
        std::string link;  // the name the result would have, made a hard link to the source
        std::string outputDir;
    };
    // A JPEG source and its result in another folder; a bitmap whose result beside it is the
    // bitmap itself under a second name.
    zavotest::WriteFile(dir + "/photo.jpg", zavotest::ReadFile(zavotest::OwnData("jpeg/cjpeg_61x37.jpg")));
    ASSERT_GT(std::filesystem::file_size(dir + "/photo.jpg"), 0u);
    for (const Case& c : {Case{"JPEG into another folder", dir + "/photo.jpg", dir + "/out/photo.jpg", dir + "/out"},
                          Case{"bitmap beside itself", dir + "/a.bmp", dir + "/a.jpg", ""}}) {
        SCOPED_TRACE(c.what);
        const std::string before = zavotest::ReadFile(c.source);
        ASSERT_EQ(::link(c.source.c_str(), c.link.c_str()), 0);
        BatchOptions options;
        options.jobs = 1;
        options.overwrite = true;
        options.outputDir = c.outputDir;
        options.files = {c.source};
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        EXPECT_EQ(RunBatch(options, out, err, false), 1);
        EXPECT_NE(zavotest::Captured(err).find(c.link + " is the source itself"), std::string::npos) << zavotest::Captured(err);
        EXPECT_EQ(zavotest::Captured(out), "");
        std::fclose(out);
        std::fclose(err);
        // Neither the file nor the second name has changed.
        EXPECT_EQ(zavotest::ReadFile(c.source), before);
        EXPECT_EQ(IdOf(c.link), IdOf(c.source));
        EXPECT_NE(IdOf(c.source), FileId{});
    }
}

#include "batch/filelist.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "batch/arguments.h"

using namespace zavo::batch;

namespace {

std::vector<std::string> Read(const std::string& text, bool nul) {
    std::FILE* f = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    std::vector<std::string> names = ReadFileList(f, nul);
    std::fclose(f);
    return names;
}

}  // namespace

TEST(FileList, NamesEndWithANewlineOrANulByte) {
    using Names = std::vector<std::string>;
    EXPECT_EQ(Read("a.bmp\nsub dir/b c.jpg\n\nlast.emf", false), (Names{"a.bmp", "sub dir/b c.jpg", "last.emf"}));
    // With NUL bytes a name may hold a newline, as find -print0 writes it.
    EXPECT_EQ(Read(std::string("a\nb.jpg\0c.bmp\0\0", 15), true), (Names{"a\nb.jpg", "c.bmp"}));
    EXPECT_TRUE(Read("", false).empty());
    EXPECT_THROW(ReadFileList(std::string("/nonexistent/list"), false), UsageError);
}

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "base/replacingfile.h"
#include "support/testutil.h"

using namespace zavo;
using zavotest::ReadFile;
using zavotest::WriteFile;

namespace {

std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

ino_t Inode(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_ino;
}

class ReplacingFile : public ::testing::Test {
protected:
    void TearDown() override { ReplacingFileCalls() = FileCalls::System(); }
    // Temporary files cannot be made, as in a folder the user may not write.
    static void RefuseNewFiles() {
        ReplacingFileCalls().open = [](const char* path, int flags, mode_t mode) {
            if (flags & O_EXCL) {
                errno = EACCES;
                return -1;
            }
            return ::open(path, flags, mode);
        };
    }
    std::string dir = zavotest::TempDir();
};

TEST_F(ReplacingFile, ReplacesTheTargetOnlyOnCommit) {
    std::string target = dir + "/photo.jpg";
    WriteFile(target, "old");
    ::chmod(target.c_str(), 0640);
    {
        TReplacingFileStream s(target);
        s.WriteBuffer("new bytes", 9);
        EXPECT_EQ(ReadFile(target), "old");
    }
    EXPECT_EQ(ReadFile(target), "old");
    EXPECT_EQ(Listing(dir), std::vector<std::string>{"photo.jpg"});
    {
        TReplacingFileStream s(target);
        s.WriteBuffer("new bytes", 9);
        s.Commit();
        EXPECT_TRUE(s.IsWrittenFile(target));
        ASSERT_EQ(::link(target.c_str(), (dir + "/second.jpg").c_str()), 0);
        EXPECT_TRUE(s.IsWrittenFile(dir + "/second.jpg"));
        ASSERT_EQ(::unlink((dir + "/second.jpg").c_str()), 0);
    }
    EXPECT_EQ(ReadFile(target), "new bytes");
    EXPECT_EQ(Listing(dir), std::vector<std::string>{"photo.jpg"});
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(ReplacingFile, RefusesFoldersAndMissingFolders) {
    EXPECT_THROW_MSG(TReplacingFileStream(dir + "/none/x.jpg"), EFCreateError,
                     "ファイル " + dir + "/none/x.jpg を作成できません");
    EXPECT_THROW_MSG(TReplacingFileStream s(dir), EFCreateError, "ファイル " + dir + " を作成できません");
    // A link to a folder names the folder.
    ASSERT_EQ(::symlink(".", (dir + "/here").c_str()), 0);
    EXPECT_THROW_MSG(TReplacingFileStream s(dir + "/here"), EFCreateError, "ファイル " + dir + "/here を作成できません");
}

TEST_F(ReplacingFile, AWriteCutShortIsAnErrorAndKeepsTheTarget) {
    std::string target = dir + "/kept.jpg";
    WriteFile(target, "old");
    // A file-size limit makes the disk "full" after 4 KiB for this process.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto previous = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    {
        TReplacingFileStream s(target);
        std::string big(10000, 'x');
        EXPECT_THROW_MSG(s.WriteBuffer(big.data(), int64_t(big.size())), EWriteError, "ストリームへの書き込みエラー");
        EXPECT_THROW_MSG(s.Commit(), EWriteError, "ストリームへの書き込みエラー");
        EXPECT_FALSE(s.IsWrittenFile(target));
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, previous);
    EXPECT_EQ(ReadFile(target), "old");
    EXPECT_EQ(Listing(dir), std::vector<std::string>{"kept.jpg"});
}

TEST_F(ReplacingFile, TemporaryNamesFitWhereverTheTargetsNameFits) {
    std::vector<std::string> made;
    ReplacingFileCalls().open = [&](const char* path, int flags, mode_t mode) {
        if (flags & O_EXCL) made.push_back(path);
        return ::open(path, flags, mode);
    };
    std::string japanese;
    for (int i = 0; i < 85; ++i) japanese += "写";
    struct Case {
        std::string name;
        size_t characters;
    } cases[] = {{"x", 1}, {"ab", 2}, {"a.jpg", 5}, {std::string(255, 'p'), 255}, {japanese, 85}};
    for (const Case& c : cases) {
        made.clear();
        TReplacingFileStream s(dir + "/" + c.name);
        s.WriteBuffer("x", 1);
        s.Commit();
        ASSERT_EQ(made.size(), 1u);
        std::string temporary = made.front().substr(dir.size() + 1);
        EXPECT_GE(temporary.size(), std::min<size_t>(c.characters, 8)) << c.name;
        EXPECT_LE(temporary.size(), c.characters) << c.name;
        EXPECT_TRUE(std::all_of(temporary.begin(), temporary.end(), [](char ch) { return ch > ' ' && ch < 127; }));
        EXPECT_NE(temporary, ".");
        EXPECT_EQ(ReadFile(dir + "/" + c.name), "x");
    }
    EXPECT_EQ(Listing(dir).size(), 5u);
}

TEST_F(ReplacingFile, NameClashesAreRetriedWithOtherNames) {
    int refused = 0;
    ReplacingFileCalls().open = [&](const char* path, int flags, mode_t mode) {
        if ((flags & O_EXCL) && refused < 3) {
            ++refused;
            errno = EEXIST;
            return -1;
        }
        return ::open(path, flags, mode);
    };
    TReplacingFileStream s(dir + "/a.jpg");
    s.WriteBuffer("new", 3);
    s.Commit();
    EXPECT_EQ(refused, 3);
    EXPECT_FALSE(s.InPlace());
    EXPECT_EQ(ReadFile(dir + "/a.jpg"), "new");
}

TEST_F(ReplacingFile, AFolderThatTakesNoNewFileGetsTheTargetWrittenInPlace) {
    const std::string target = dir + "/in.jpg";
    WriteFile(target, "old bytes");
    const ino_t inode = Inode(target);
    RefuseNewFiles();
    {
        TReplacingFileStream s(target);
        EXPECT_TRUE(s.InPlace());
        s.WriteBuffer("new", 3);
        s.Commit();
        EXPECT_TRUE(s.IsWrittenFile(target));
    }
    EXPECT_EQ(ReadFile(target), "new");
    EXPECT_EQ(Inode(target), inode);
    // Abandoned, or failing at any step, it puts the old bytes back.
    {
        TReplacingFileStream s(target);
        s.WriteBuffer("other", 5);
    }
    EXPECT_EQ(ReadFile(target), "new");
    ReplacingFileCalls().fsync = [](int) {
        errno = EIO;
        return -1;
    };
    {
        TReplacingFileStream s(target);
        s.WriteBuffer("other", 5);
        EXPECT_THROW_MSG(s.Commit(), EWriteError, "ストリームへの書き込みエラー");
    }
    EXPECT_EQ(ReadFile(target), "new");
    EXPECT_EQ(Listing(dir), std::vector<std::string>{"in.jpg"});
    // Without a file to write in place there is nothing to fall back on.
    EXPECT_THROW_MSG(TReplacingFileStream(dir + "/new.jpg"), EFCreateError, "ファイル " + dir + "/new.jpg を作成できません");
}

}  // namespace

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <fstream>

#include "base/numbertext.h"
#include "base/replacingfile.h"
#include "support/testutil.h"

using namespace zavo;

TEST(StrToInt, DecimalAndHexadecimalForms) {
    EXPECT_EQ(StrToInt(" 50"), 50);
    EXPECT_EQ(StrToInt("   -7"), -7);
    EXPECT_EQ(StrToInt("+12"), 12);
    EXPECT_EQ(StrToInt("$32"), 50);
    EXPECT_EQ(StrToInt("x1F"), 31);
    EXPECT_EQ(StrToInt("X1f"), 31);
    EXPECT_EQ(StrToInt("0x10"), 16);
    EXPECT_EQ(StrToInt("0X10"), 16);
    EXPECT_EQ(StrToInt("-$10"), -16);
    EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(StrToInt("0300"), 300);
}

TEST(StrToInt, RefusesWhatIsNotAWholeNumber) {
    for (const char* bad : {"50 ", "", " ", "5a", "$", "0x", "$123456789", "2147483648", "-2147483649", "1e3", "+-1"})
        EXPECT_THROW_MSG(StrToInt(bad), EConvertError, std::string("'") + bad + "' は整数ではありません");
}

TEST(SizeText, TruncatesToWholeKilobytes) {
    EXPECT_EQ(SizeText(0), "0 k");
    EXPECT_EQ(SizeText(1023), "0 k");
    EXPECT_EQ(SizeText(1024), "1 k");
    EXPECT_EQ(SizeText(2047), "1 k");
    EXPECT_EQ(SizeText(int64_t(5) << 30), "5242880 k");
}

namespace {
std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
}  // namespace

TEST(ReplacingFile, ReplacesTheTargetOnlyOnCommit) {
    std::string dir = zavotest::TempDir();
    std::string target = dir + "/photo.jpg";
    std::ofstream(target) << "old";
    ::chmod(target.c_str(), 0640);
    {
        TReplacingFileStream s(target);
        s.WriteBuffer("new bytes", 9);
        EXPECT_EQ(Slurp(target), "old");
    }
    EXPECT_EQ(Slurp(target), "old");
    {
        TReplacingFileStream s(target);
        s.WriteBuffer("new bytes", 9);
        s.Commit();
    }
    EXPECT_EQ(Slurp(target), "new bytes");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(ReplacingFile, RefusesFoldersAndMissingFolders) {
    std::string dir = zavotest::TempDir();
    EXPECT_THROW_MSG(TReplacingFileStream(dir + "/none/x.jpg"), EFCreateError,
                     "ファイル " + dir + "/none/x.jpg を作成できません");
    EXPECT_THROW_MSG(TReplacingFileStream s(dir), EFCreateError, "ファイル " + dir + " を作成できません");
}

TEST(ReplacingFile, AWriteCutShortIsAnErrorAndKeepsTheTarget) {
    std::string target = zavotest::TempDir() + "/kept.jpg";
    std::ofstream(target) << "old";
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
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, previous);
    EXPECT_EQ(Slurp(target), "old");
}

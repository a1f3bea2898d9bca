#include <cstring>
#include <fstream>
#include <sys/stat.h>

#include "base/format.h"
#include "base/streams.h"
#include "support/testutil.h"

using namespace zavo;

TEST(MemoryStream, WritesGrowAndReadsReportTheCountMoved) {
    TMemoryStream s;
    std::string text(20000, 'x');
    text[19999] = 'y';
    EXPECT_EQ(s.Write(text.data(), 20000), 20000);
    EXPECT_EQ(s.Size(), 20000);
    EXPECT_EQ(s.Position(), 20000);
    s.SetPosition(19990);
    char buf[32] = {};
    EXPECT_EQ(s.Read(buf, 32), 10);
    EXPECT_EQ(buf[9], 'y');
    EXPECT_EQ(s.Read(buf, 32), 0);
    EXPECT_THROW_MSG(s.ReadBuffer(buf, 1), EReadError, "ストリームからの読み込みエラー");
    s.Clear();
    EXPECT_EQ(s.Size(), 0);
    EXPECT_EQ(s.Position(), 0);
    EXPECT_EQ(s.Memory(), nullptr);
}

TEST(MemoryStream, WritingAfterSeekingPastTheEndKeepsTheGap) {
    TMemoryStream s;
    s.SetSize(4);
    std::memset(s.Memory(), 1, 4);
    s.SetPosition(8);
    uint8_t b = 7;
    s.WriteBuffer(&b, 1);
    EXPECT_EQ(s.Size(), 9);
    EXPECT_EQ(s.Memory()[8], 7);
    s.SetSize(2);
    EXPECT_EQ(s.Position(), 2);
}

TEST(MemoryStream, ImpossibleGrowthIsAStreamError) {
    TMemoryStream s;
    EXPECT_THROW_MSG(s.SetSize(int64_t(1) << 62), EStreamError,
                     "メモリストリームの拡大中にメモリが足りなくなりました");
    EXPECT_EQ(s.Size(), 0);
}

TEST(FileStream, MissingFileAndUncreatableFileNameThePath) {
    std::string dir = zavotest::TempDir();
    EXPECT_THROW_MSG(TFileStream(dir + "/none.bmp", FileMode::OpenRead), EFOpenError,
                     "ファイル " + dir + "/none.bmp は開けません");
    EXPECT_THROW_MSG(TFileStream(dir + "/no/such/x.jpg", FileMode::Create), EFCreateError,
                     "ファイル " + dir + "/no/such/x.jpg を作成できません");
    EXPECT_THROW_MSG(TFileStream(dir, FileMode::OpenRead), EFOpenError, "ファイル " + dir + " は開けません");
}

TEST(FileStream, RoundTripAndCopy) {
    std::string path = zavotest::TempDir() + "/a.bin";
    {
        TMemoryStream m;
        m.WriteBuffer("hello world", 11);
        TFileStream f(path, FileMode::Create);
        m.SaveToStream(f);
        f.Close();
    }
    TFileStream f(path, FileMode::OpenRead);
    EXPECT_EQ(f.Size(), 11);
    TMemoryStream copy;
    f.SetPosition(6);
    EXPECT_EQ(copy.CopyFrom(f, 5), 5);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(copy.Memory()), 5), "world");
}

TEST(FileStream, AFullDiskIsAWriteError) {
    struct stat st {};
    if (stat("/dev/full", &st) != 0) GTEST_SKIP() << "no /dev/full";
    TFileStream f("/dev/full", FileMode::Create);
    EXPECT_THROW_MSG(f.WriteBuffer("abc", 3), EWriteError, "ストリームへの書き込みエラー");
}

TEST(Format, FillsDirectivesInOrder) {
    EXPECT_EQ(Format("ファイル %s は開けません", "a b"), "ファイル a b は開けません");
    EXPECT_EQ(Format("JPEG エラー #%d", 42), "JPEG エラー #42");
    EXPECT_EQ(Format("%d%% %s", -3), "-3% ");
    EXPECT_EQ(Format("拡張子 .%s の", ""), "拡張子 . の");
}

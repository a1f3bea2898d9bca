#include "base/pathtext.h"

#include <clocale>
#include <cstdlib>
#include <string>

#include "support/testutil.h"

using namespace zavo;

TEST(PathText, ExtensionIsWhatFollowsTheLastDotOfTheName) {
    EXPECT_EQ(ExtensionOf("photo.JPG"), "JPG");
    EXPECT_EQ(ExtensionOf("/home/u/photo.tar.Jpg"), "Jpg");
    EXPECT_EQ(ExtensionOf("a.b/c.bmp"), "bmp");
    EXPECT_EQ(ExtensionOf("photo."), "");
    EXPECT_EQ(ExtensionOf(".bmp"), "bmp");
}

TEST(PathText, ASeparatorAfterTheLastDotLeavesNoExtension) {
    EXPECT_EQ(ExtensionOf("/home/u.v/photo"), "");
    EXPECT_EQ(ExtensionOf("dir.x\\photo"), "");
    EXPECT_EQ(ExtensionOf("c.d:photo"), "");
    EXPECT_EQ(ExtensionOf("photo"), "");
    EXPECT_EQ(ExtensionOf(""), "");
}

TEST(PathText, Utf8NamesKeepTheirExtension) {
    const char* old = std::setlocale(LC_CTYPE, nullptr);
    std::string saved = old ? old : "C";
    if (!std::setlocale(LC_CTYPE, "C.UTF-8")) GTEST_SKIP() << "no UTF-8 locale";
    EXPECT_EQ(ExtensionOf("/tmp/写真.フォルダ/画像.ＢＭＰ"), "ＢＭＰ");
    EXPECT_EQ(LowerCaseText("画像.ＢＭＰ"), "画像.ｂｍｐ");
    std::setlocale(LC_CTYPE, saved.c_str());
}

// In Shift-JIS, 表 is 0x95 0x5C: its trail byte is the byte of '\'. Built with localedef into a
// private folder, since the system has no Shift-JIS locale of its own.
TEST(PathText, AShiftJisTrailByteIsNoSeparator) {
    const std::string dir = zavotest::TempDir();
    const std::string cmd = "localedef -c -f SHIFT_JIS -i ja_JP " + dir + "/ja_JP.SJIS >/dev/null 2>&1";
    // localedef warns (and exits non-zero) about the encoding's non-ASCII backslash; whether the
    // locale was made shows when it is set below.
    if (std::system(cmd.c_str()) == -1) GTEST_SKIP() << "no shell to run localedef";
    const char* oldPath = std::getenv("LOCPATH");
    std::string savedPath = oldPath ? oldPath : "";
    setenv("LOCPATH", dir.c_str(), 1);
    std::string saved = std::setlocale(LC_CTYPE, nullptr);
    const bool have = std::setlocale(LC_CTYPE, "ja_JP.SJIS") != nullptr;
    if (have) {
        EXPECT_EQ(ExtensionOf("C:\\\x95\x5C.bmp"), "bmp");
        EXPECT_EQ(ExtensionOf("dir.x\\\x95\x5C" "bmp"), "");
        EXPECT_EQ(ExtensionOf("photo.\x95\x5C" "JPG"), "\x95\x5C" "JPG");
        EXPECT_EQ(ExtensionOf("\x95\x5C.\x95\x5C"), "\x95\x5C");
        EXPECT_EQ(LowerCaseText("\x95\x5C.BMP"), "\x95\x5C.bmp");
    }
    std::setlocale(LC_CTYPE, saved.c_str());
    if (oldPath) setenv("LOCPATH", savedPath.c_str(), 1); else unsetenv("LOCPATH");
    if (!have) GTEST_SKIP() << "localedef could not build a Shift-JIS locale";
}

TEST(PathText, LowerCasingKeepsBytesThatFormNoCharacter) {
    EXPECT_EQ(LowerCaseText("PHOTO.Jpg"), "photo.jpg");
    EXPECT_EQ(LowerCaseText(std::string("\xFF" "A", 2)), std::string("\xFF" "a", 2));
    EXPECT_EQ(LowerCaseText(""), "");
}

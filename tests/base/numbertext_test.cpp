#include "base/numbertext.h"
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

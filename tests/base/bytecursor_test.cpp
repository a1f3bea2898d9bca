#include "base/bytecursor.h"
#include "support/testutil.h"

using namespace zavo;

TEST(ByteCursor, ReadsLittleEndianFieldsInOrder) {
    const uint8_t bytes[] = {0x42, 0x4D, 0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0x07};
    ByteCursor c(bytes, sizeof bytes);
    EXPECT_EQ(c.U16le(), 0x4D42);
    EXPECT_EQ(c.U32le(), 0x12345678u);
    EXPECT_EQ(c.I16le(), -2);
    EXPECT_EQ(c.Remaining(), 1u);
    EXPECT_EQ(c.U8(), 7);
    EXPECT_EQ(c.Position(), sizeof bytes);
}

TEST(ByteCursor, RefusesToReadOrMovePastTheEnd) {
    const uint8_t bytes[] = {1, 2, 3};
    ByteCursor c(bytes, sizeof bytes);
    EXPECT_THROW_MSG(c.U32le(), EReadError, "ストリームからの読み込みエラー");
    EXPECT_EQ(c.Position(), 0u);
    EXPECT_EQ(c.U16le(), 0x0201);
    EXPECT_THROW_MSG(c.U16le(), EReadError, "ストリームからの読み込みエラー");
    EXPECT_THROW_MSG(c.Skip(2), EReadError, "ストリームからの読み込みエラー");
    EXPECT_THROW_MSG(c.Seek(4), EReadError, "ストリームからの読み込みエラー");
    EXPECT_THROW_MSG(c.Bytes(UINT64_MAX), EReadError, "ストリームからの読み込みエラー");
    c.Seek(3);
    EXPECT_FALSE(c.Has(1));
    EXPECT_TRUE(c.Has(0));
}

TEST(ByteCursor, HandsOutSpansInsideTheBuffer) {
    const uint8_t bytes[] = {9, 8, 7, 6};
    ByteCursor c(std::span<const uint8_t>(bytes, 4));
    c.Skip(1);
    auto s = c.Bytes(2);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0], 8);
    EXPECT_EQ(s[1], 7);
    EXPECT_EQ(c.Remaining(), 1u);
}

#include "base/checked.h"

#include <gtest/gtest.h>

#include <limits>

namespace zavo {
namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();

TEST(Checked, FitsAcceptsRangesInsideAndRefusesOthers) {
    EXPECT_TRUE(Fits(int64_t{0}, int64_t{10}, int64_t{10}));
    EXPECT_TRUE(Fits(int64_t{10}, int64_t{0}, int64_t{10}));
    EXPECT_FALSE(Fits(int64_t{1}, int64_t{10}, int64_t{10}));
    EXPECT_FALSE(Fits(int64_t{-1}, int64_t{1}, int64_t{10}));
    EXPECT_FALSE(Fits(int64_t{0}, int64_t{-1}, int64_t{10}));
    // offset + length would wrap around.
    EXPECT_FALSE(Fits(int64_t{5}, kMax, int64_t{10}));
    EXPECT_FALSE(Fits(uint64_t{5}, ~uint64_t{0}, uint64_t{10}));
}

TEST(Checked, AddAndMultiplyReportOverflow) {
    EXPECT_EQ(CheckedAdd(2, 3), 5);
    EXPECT_EQ(CheckedAdd(kMax, 1), std::nullopt);
    EXPECT_EQ(CheckedMul(1 << 20, 1 << 20), int64_t{1} << 40);
    EXPECT_EQ(CheckedMul(kMax / 2, 3), std::nullopt);
    EXPECT_EQ(CheckedMul(-kMax, 2), std::nullopt);
}

TEST(Checked, DibRowsArePaddedToFourBytes) {
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        for (int width : {0, 1, 3, 7, 33}) {
            int64_t bytes = (static_cast<int64_t>(width) * bits + 7) / 8;
            int64_t padded = (bytes + 3) / 4 * 4;
            EXPECT_EQ(DibRowSize(width, bits), padded) << width << "x" << bits;
        }
    }
    EXPECT_EQ(DibRowSize(-1, 8), std::nullopt);
    EXPECT_EQ(DibRowSize(kMax / 4, 32), std::nullopt);
}

TEST(Checked, DibImageSizeTakesTheHeightsMagnitude) {
    EXPECT_EQ(DibImageSize(3, 2, 24), 24);
    EXPECT_EQ(DibImageSize(3, -2, 24), 24);
    EXPECT_EQ(DibImageSize(0x7FFFFFFF, 1000, 32), int64_t{0x7FFFFFFF} * 4 * 1000);
    EXPECT_EQ(DibImageSize(0x7FFFFFFF, 0x7FFFFFFF, 32), std::nullopt);
    EXPECT_EQ(DibImageSize(kMax / 64, kMax / 64, 32), std::nullopt);
    EXPECT_EQ(DibImageSize(1, std::numeric_limits<int64_t>::min(), 8), std::nullopt);
}

}  // namespace
}  // namespace zavo

#include "codec/keptpicture.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "codec/precompute.h"

using namespace zavo;

// The assertions hold in debug builds (the sanitizer builds among them); elsewhere the statements
// simply run.

TEST(KeptPictureDeathTest, SharesThePixelsAndMayBeDroppedOnlyWhereItWasMade) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TBitmap bitmap;
    bitmap.SetWidth(4);
    bitmap.SetHeight(3);
    auto kept = std::make_unique<TKeptPicture>(&bitmap);
    ASSERT_NE(kept->Pixels(), nullptr);
    EXPECT_EQ(kept->Pixels(), bitmap.Image().Handle());
    EXPECT_DEBUG_DEATH(std::thread([&] { kept.reset(); }).join(), "thread other than");
}

TEST(PrecomputeDeathTest, IsUsedOnlyOnTheThreadThatMadeIt) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TPrecompute precompute(1);
    EXPECT_DEBUG_DEATH(std::thread([&] { precompute.Cancel(); }).join(), "thread other than");
}

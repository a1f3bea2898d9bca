#include "platform/zoomscaling.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

using namespace zavo::platform;

namespace {

// Reduces blue-green-red rows of w x h to ow x oh.
std::vector<uint8_t> Reduce(const std::vector<uint8_t>& bgr, int w, int h, int ow, int oh, int bytesPerPixel = 3) {
    std::vector<uint8_t> out(size_t(ow) * oh * 3, 0xEE);
    AreaReducer reducer(w, h, bytesPerPixel, ow, oh, out.data(), ow * 3);
    for (int y = 0; y < h; ++y) reducer.AddRow(bgr.data() + size_t(y) * w * bytesPerPixel);
    return out;
}

TEST(AreaReducer, AveragesWholeAndPartlyCoveredPixelsByTheirShare) {
    // Two by two blocks of a 4 x 2 picture; channels differ so that none is mixed with another.
    std::vector<uint8_t> four = {0, 10, 20, 2, 12, 22, 100, 0, 0, 100, 0, 0,  //
                                 4, 14, 24, 6, 16, 26, 200, 0, 0, 201, 0, 0};
    EXPECT_EQ(Reduce(four, 4, 2, 2, 1), (std::vector<uint8_t>{3, 13, 23, 150, 0, 0}));
    // Three pixels into two: the middle one counts a third in each, (0*2 + 90) / 3 and (90 + 180*2) / 3.
    std::vector<uint8_t> three = {0, 0, 0, 90, 90, 90, 180, 180, 180};
    EXPECT_EQ(Reduce(three, 3, 1, 2, 1), (std::vector<uint8_t>{30, 30, 30, 150, 150, 150}));
    // The same down a column.
    EXPECT_EQ(Reduce(three, 1, 3, 1, 2), (std::vector<uint8_t>{30, 30, 30, 150, 150, 150}));
    // Halves round to the nearer whole: (1 + 2) / 2.
    EXPECT_EQ(Reduce({1, 1, 1, 2, 2, 2}, 2, 1, 1, 1), (std::vector<uint8_t>{2, 2, 2}));
}

TEST(AreaReducer, AFlatPictureStaysFlatAtAnySizeAndTheFourthByteIsIgnored) {
    for (auto [w, h, ow, oh] : {std::array{37, 23, 5, 3}, {101, 7, 100, 7}, {64, 64, 1, 1}, {13, 17, 13, 2}}) {
        std::vector<uint8_t> bgrx;
        for (int i = 0; i < w * h; ++i) bgrx.insert(bgrx.end(), {17, 99, 231, uint8_t(i)});
        std::vector<uint8_t> out = Reduce(bgrx, w, h, ow, oh, 4);
        for (size_t i = 0; i < out.size(); i += 3) {
            ASSERT_EQ(out[i], 17) << w << "x" << h << " -> " << ow << "x" << oh << " at " << i / 3;
            ASSERT_EQ(out[i + 1], 99);
            ASSERT_EQ(out[i + 2], 231);
        }
    }
}

TEST(AreaReducer, ASinglePixelOutputIsTheMeanOfThePicture) {
    std::vector<uint8_t> bgr;
    uint64_t sum = 0;
    for (int i = 0; i < 11 * 7; ++i) {
        uint8_t v = uint8_t(i * 37);
        sum += v;
        bgr.insert(bgr.end(), {v, v, v});
    }
    std::vector<uint8_t> out = Reduce(bgr, 11, 7, 1, 1);
    EXPECT_EQ(out[0], uint8_t((sum + 77 / 2) / 77));
}

TEST(AreaReducer, RowsHandedToASinkFeedAnotherReductionAsIfKeptBetween) {
    const int w = 29, h = 19, mw = 15, mh = 10, ow = 4, oh = 3;
    std::vector<uint8_t> bgr;
    for (int i = 0; i < w * h * 3; ++i) bgr.push_back(uint8_t(i * 53 % 251));
    std::vector<uint8_t> kept = Reduce(Reduce(bgr, w, h, mw, mh), mw, mh, ow, oh);
    std::vector<uint8_t> chained(size_t(ow) * oh * 3, 0xEE);
    AreaReducer second(mw, mh, 3, ow, oh, chained.data(), ow * 3);
    int rows = 0;
    AreaReducer first(w, h, 3, mw, mh, [&](const uint8_t* row) {
        second.AddRow(row);
        ++rows;
    });
    for (int y = 0; y < h; ++y) first.AddRow(bgr.data() + size_t(y) * w * 3);
    EXPECT_EQ(rows, mh);
    EXPECT_EQ(chained, kept);
}

TEST(Enlarge, EachPixelBecomesASquareFromAnyStartingPoint) {
    // 2 x 2 picture, blue-green-red, top-down.
    std::vector<uint8_t> picture = {1, 2, 3, 4, 5, 6,  //
                                    7, 8, 9, 10, 11, 12};
    // Shown at 3:1 from (2, 1), 4 x 4 pixels: columns 2 | 3 4 5, rows 1 2 | 3 4.
    std::vector<uint8_t> out(4 * 4 * 3);
    Enlarge(picture.data(), 6, 3, 3, 2, 1, 4, 4, out.data(), 12);
    auto at = [&](int x, int y) { return out[size_t(y) * 12 + size_t(x) * 3]; };
    EXPECT_EQ(at(0, 0), 1);
    EXPECT_EQ(at(1, 0), 4);
    EXPECT_EQ(at(3, 1), 4);
    EXPECT_EQ(at(0, 2), 7);
    EXPECT_EQ(at(3, 3), 10);
    // Bottom-up rows: the first row is the last one in memory.
    std::vector<uint8_t> bottomUp = {7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6};
    std::vector<uint8_t> again(out.size());
    Enlarge(bottomUp.data() + 6, -6, 3, 3, 2, 1, 4, 4, again.data(), 12);
    EXPECT_EQ(again, out);
}

TEST(Enlarge, EveryScreenPixelTakesThePicturePixelItLiesOnAtAnyFactorAndOffset) {
    const int w = 7, h = 3;
    for (int bytesPerPixel : {3, 4})
        for (int outBytes : {3, 4}) {
            std::vector<uint8_t> picture;
            for (int i = 0; i < w * h * bytesPerPixel; ++i) picture.push_back(uint8_t(i * 7 + 1));
            for (int factor : {1, 2, 3, 5, 16})
                for (int left : {0, 1, factor - 1, factor, 2 * factor + 1}) {
                    int width = w * factor - left;
                    if (left < 0 || width <= 0) continue;
                    std::vector<uint8_t> out(size_t(width) * 2 * outBytes, 0);
                    Enlarge(picture.data(), w * bytesPerPixel, bytesPerPixel, factor, left, factor, width, 2,
                            out.data(), width * outBytes, outBytes);
                    for (int y = 0; y < 2; ++y)
                        for (int x = 0; x < width; ++x) {
                            const uint8_t* got = &out[(size_t(y) * width + size_t(x)) * outBytes];
                            for (int k = 0; k < 3; ++k)
                                ASSERT_EQ(got[k], picture[size_t((factor + y) / factor) * w * bytesPerPixel +
                                                          size_t((left + x) / factor) * bytesPerPixel + k])
                                    << bytesPerPixel << " to " << outBytes << " bytes, " << factor << ":1 from "
                                    << left << " at " << x;
                            if (outBytes == 4) {
                                ASSERT_EQ(got[3], 0xFF) << factor << ":1 from " << left << " at " << x;
                            }
                        }
                }
        }
}

TEST(ZoomScale, ShownLengthsAndCoordinatesGoBothWays) {
    EXPECT_EQ(ShownLength(6000, {16, 1}), 96000);
    EXPECT_EQ(ShownLength(6000, {1, 8}), 750);
    EXPECT_EQ(ShownLength(5, {1, 8}), 1);
    EXPECT_EQ(ShownLength(4000, {557, 6000}), 371);
    EXPECT_DOUBLE_EQ(ToPicture(ToShown(123.5, 6000, {4, 1}), 6000, {4, 1}), 123.5);
    EXPECT_DOUBLE_EQ(ToShown(3000, 6000, {1, 2}), 1500);
    EXPECT_FALSE(ZoomScale{}.Enlarges());
    EXPECT_FALSE(ZoomScale{}.Reduces());
}

}  // namespace

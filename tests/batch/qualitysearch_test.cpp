#include "batch/qualitysearch.h"

#include <gtest/gtest.h>

#include <vector>

using namespace zavo::batch;

namespace {

// Sizes from a formula, with the listed qualities made smaller or larger than it.
struct Table {
    std::vector<int64_t> size = std::vector<int64_t>(101);
    std::vector<int> asked = std::vector<int>(101);
    explicit Table(std::vector<std::pair<int, int64_t>> changes = {}) {
        for (int q = 1; q <= 100; ++q) size[size_t(q)] = 1000 + 10 * q;
        for (auto [q, s] : changes) size[size_t(q)] = s;
    }
    int Search(int64_t limit) {
        return HighestFittingQuality([this](int q) { ++asked[size_t(q)]; return size[size_t(q)]; }, limit);
    }
};

}  // namespace

TEST(QualitySearch, FindsTheHighestFittingQuality) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, int64_t>> changes;
        int64_t limit;
        int expected;
    } cases[] = {
        {"growing sizes", {}, 1425, 42},
        {"everything fits", {}, 5000, 100},
        {"nothing fits", {}, 1009, 0},
        {"only quality 1", {}, 1010, 1},
        // 43 is larger than 44: a search that trusts the order stops at 42.
        {"a dip above the binary search's answer", {{43, 1500}, {44, 1425}}, 1425, 44},
        {"two failing qualities before a fitting one", {{43, 1500}, {44, 1500}, {45, 1425}}, 1425, 45},
        {"a fitting quality after the reach is not seen", {{43, 1500}, {44, 1500}, {45, 1500}, {46, 1425}}, 1425, 42},
        {"quality 1 too large, 2 fits", {{1, 2000}, {2, 1000}}, 1015, 2},
    };
    for (const Case& c : cases) {
        Table t(c.changes);
        EXPECT_EQ(t.Search(c.limit), c.expected) << c.what;
        for (int q = 1; q <= 100; ++q) EXPECT_LE(t.asked[size_t(q)], 1) << c.what << " asked twice for " << q;
    }
}

TEST(QualitySearch, AsksForFewQualities) {
    Table t;
    t.Search(1425);
    int asked = 0;
    for (int n : t.asked) asked += n;
    EXPECT_LE(asked, 7 + kNeighbourReach);
}

namespace {

// A figure rising with quality (q / 100), with the listed qualities changed; asked at most once each.
struct Figures {
    std::vector<double> figure = std::vector<double>(101);
    std::vector<int> asked = std::vector<int>(101);
    explicit Figures(std::vector<std::pair<int, double>> changes = {}) {
        for (int q = 1; q <= 100; ++q) figure[size_t(q)] = q / 100.0;
        for (auto [q, f] : changes) figure[size_t(q)] = f;
    }
    std::function<bool(int)> Meets(double least) {
        return [this, least](int q) { return ++asked[size_t(q)], figure[size_t(q)] >= least; };
    }
    void ExpectEachAskedOnce(const char* what) const {
        for (int q = 1; q <= 100; ++q) EXPECT_LE(asked[size_t(q)], 1) << what << " asked twice for " << q;
    }
};

}  // namespace

TEST(QualitySearch, FindsTheLowestQualityMeetingAFigure) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, double>> changes;
        double least;
        int expected;
    } cases[] = {
        {"rising figure", {}, 0.425, 43},
        {"every quality meets", {}, 0.001, 1},
        {"none meets", {}, 1.5, 0},
        {"only quality 100", {}, 0.995, 100},
        // 42 meets while 43..44 do not: a search that trusts the order stops at 45.
        {"a peak below the binary search's answer", {{42, 0.9}, {43, 0.1}, {44, 0.1}}, 0.445, 42},
        {"a second peak within the reach of the first", {{43, 0.9}, {42, 0.1}, {41, 0.1}, {40, 0.9}}, 0.445, 40},
        {"a peak beyond the reach is not seen", {{39, 0.9}, {40, 0.1}, {41, 0.1}, {42, 0.1}, {43, 0.1}}, 0.435, 44},
        {"quality 100 fails, 98 meets", {{98, 2.0}, {99, 0.0}, {100, 0.0}}, 1.5, 98},
    };
    for (const Case& c : cases) {
        Figures f(c.changes);
        EXPECT_EQ(LowestMeetingQuality(f.Meets(c.least)), c.expected) << c.what;
        f.ExpectEachAskedOnce(c.what);
    }
}

TEST(QualitySearch, FindsTheHighestQualityWithinTheSizeThatMeetsAFigure) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, int64_t>> sizes;
        std::vector<std::pair<int, double>> figures;
        int64_t limit;
        double least;
        FittingQuality expected;
    } cases[] = {
        {"the highest fitting quality meets", {}, {}, 1425, 0.3, {42, 42}},
        {"it meets exactly", {}, {}, 1425, 0.42, {42, 42}},
        {"nothing fits", {}, {}, 1009, 0.001, {0, 0}},
        {"the highest fitting quality falls short", {}, {}, 1425, 0.5, {42, 0}},
        // The size search finds 44 past the larger 43; 44 falls short, 43 does not fit, 42 meets.
        {"a dip in the figure at the fitting quality", {{43, 1500}, {44, 1425}}, {{44, 0.1}, {42, 0.9}}, 1425, 0.5, {44, 42}},
        {"a quality below that meets but does not fit", {{41, 1500}}, {{42, 0.1}, {41, 0.9}, {40, 0.9}}, 1425, 0.5, {42, 40}},
        {"meeting qualities beyond the reach", {}, {{42, 0.1}, {38, 0.9}}, 1425, 0.5, {42, 0}},
    };
    for (const Case& c : cases) {
        Table t(c.sizes);
        Figures f(c.figures);
        FittingQuality found = HighestFittingMeetingQuality(
            [&](int q) { return ++t.asked[size_t(q)], t.size[size_t(q)]; }, c.limit, f.Meets(c.least));
        EXPECT_EQ(found.fitting, c.expected.fitting) << c.what;
        EXPECT_EQ(found.chosen, c.expected.chosen) << c.what;
        for (int q = 1; q <= 100; ++q) {
            EXPECT_LE(t.asked[size_t(q)], 1) << c.what << " asked twice for the size of " << q;
            if (t.size[size_t(q)] > c.limit) {
                EXPECT_EQ(f.asked[size_t(q)], 0) << c.what << " measured " << q;
            }
        }
        f.ExpectEachAskedOnce(c.what);
    }
}

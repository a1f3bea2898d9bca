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

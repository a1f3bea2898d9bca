#include "batch/qualitysearch.h"

#include <array>

namespace zavo::batch {

int HighestFittingQuality(const std::function<int64_t(int)>& sizeAt, int64_t limit) {
    std::array<int64_t, 101> known;
    known.fill(-1);
    auto fits = [&](int q) {
        if (known[size_t(q)] < 0) known[size_t(q)] = sizeAt(q);
        return known[size_t(q)] <= limit;
    };
    int best = 0;
    int low = 1;
    int high = 100;
    while (low <= high) {
        int mid = (low + high) / 2;
        if (fits(mid)) {
            best = mid;
            low = mid + 1;
        } else {
            high = mid - 1;
        }
    }
    for (int q = best + 1; q <= 100 && q <= best + kNeighbourReach; ++q)
        if (fits(q)) best = q;
    return best;
}

}  // namespace zavo::batch

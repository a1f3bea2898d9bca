#include "batch/qualitysearch.h"

#include <array>
#include <cstdlib>
#include <optional>

namespace zavo::batch {

namespace {

// A function of the quality, asked at most once for each.
template <typename T>
class PerQuality {
public:
    explicit PerQuality(const std::function<T(int)>& at) : at_(at) {}
    T operator()(int quality) {
        std::optional<T>& slot = known_[size_t(quality)];
        if (!slot) slot = at_(quality);
        return *slot;
    }

private:
    const std::function<T(int)>& at_;
    std::array<std::optional<T>, 101> known_;
};

// The quality at the far end, towards 100 (step 1) or towards 1 (step -1), of the qualities that
// hold, or 0 when none is found: a binary search that assumes every quality short of one that holds
// holds too, then the qualities up to kNeighbourReach beyond the best one found so far.
int FarthestHolding(const std::function<bool(int)>& holds, int step) {
    int best = step > 0 ? 0 : 101;
    int low = 1;
    int high = 100;
    while (low <= high) {
        int mid = (low + high) / 2;
        bool further = holds(mid);
        if (further) best = mid;
        if (further == (step > 0)) low = mid + 1;
        else high = mid - 1;
    }
    for (int q = best + step; q >= 1 && q <= 100 && std::abs(q - best) <= kNeighbourReach; q += step)
        if (holds(q)) best = q;
    return best == 101 ? 0 : best;
}

int HighestFitting(PerQuality<int64_t>& sizeAt, int64_t limit) {
    return FarthestHolding([&](int q) { return sizeAt(q) <= limit; }, 1);
}

}  // namespace

int HighestFittingQuality(const std::function<int64_t(int)>& sizeAt, int64_t limit) {
    PerQuality<int64_t> sizes(sizeAt);
    return HighestFitting(sizes, limit);
}

int LowestMeetingQuality(const std::function<bool(int)>& meetsAt) {
    PerQuality<bool> meets(meetsAt);
    return FarthestHolding([&](int q) { return meets(q); }, -1);
}

FittingQuality HighestFittingMeetingQuality(const std::function<int64_t(int)>& sizeAt, int64_t limit,
                                            const std::function<bool(int)>& meets) {
    PerQuality<int64_t> sizes(sizeAt);
    FittingQuality found;
    found.fitting = HighestFitting(sizes, limit);
    for (int q = found.fitting; q >= 1 && q >= found.fitting - kNeighbourReach; --q) {
        if (sizes(q) <= limit && meets(q)) {
            found.chosen = q;
            break;
        }
    }
    return found;
}

}  // namespace zavo::batch

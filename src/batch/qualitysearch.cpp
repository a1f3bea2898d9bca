#include "batch/qualitysearch.h"

#include <array>
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

int HighestFitting(PerQuality<int64_t>& sizeAt, int64_t limit) {
    auto fits = [&](int q) { return sizeAt(q) <= limit; };
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

}  // namespace

int HighestFittingQuality(const std::function<int64_t(int)>& sizeAt, int64_t limit) {
    PerQuality<int64_t> sizes(sizeAt);
    return HighestFitting(sizes, limit);
}

int LowestMeetingQuality(const std::function<bool(int)>& meetsAt) {
    PerQuality<bool> meets(meetsAt);
    // 101: none found yet, so the neighbours looked at are those below 100.
    int best = 101;
    int low = 1;
    int high = 100;
    while (low <= high) {
        int mid = (low + high) / 2;
        if (meets(mid)) {
            best = mid;
            high = mid - 1;
        } else {
            low = mid + 1;
        }
    }
    for (int q = best - 1; q >= 1 && q >= best - kNeighbourReach; --q)
        if (meets(q)) best = q;
    return best == 101 ? 0 : best;
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

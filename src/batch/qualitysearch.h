// The quality searches behind --max-size, --min-ssim and --min-local-ssim.
#pragma once

#include <cstdint>
#include <functional>

namespace zavo::batch {

// How far beyond the best quality found the searches still look for a better one.
inline constexpr int kNeighbourReach = 3;

// The highest quality 1..100 whose size is at most limit, or 0 when none is found. Sizes need not
// grow with quality: a binary search that assumes they do finds a candidate, then the qualities up
// to kNeighbourReach above the best one found so far are tried as well. sizeAt is asked at most
// once per quality.
int HighestFittingQuality(const std::function<int64_t(int)>& sizeAt, int64_t limit);

// The lowest quality 1..100 that meets a demand on the result, or 0 when none is found. Found as
// HighestFittingQuality finds its quality, mirrored: a binary search that assumes every quality
// above one that meets meets too, then the qualities up to kNeighbourReach below the lowest one
// found so far. meets is asked at most once per quality.
int LowestMeetingQuality(const std::function<bool(int)>& meets);

struct FittingQuality {
    int fitting = 0;  // the highest quality within the size (HighestFittingQuality), 0 when none
    int chosen = 0;   // the highest quality within the size that meets, 0 when none is found
};

// The highest quality within the size that meets: the highest fitting quality when it meets, else
// the highest of the kNeighbourReach qualities below it that fits and meets. Each function is asked
// at most once per quality, meets only for qualities that fit.
FittingQuality HighestFittingMeetingQuality(const std::function<int64_t(int)>& sizeAt, int64_t limit,
                                            const std::function<bool(int)>& meets);

}  // namespace zavo::batch

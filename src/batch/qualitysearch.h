// The quality search behind --max-size.
#pragma once

#include <cstdint>
#include <functional>

namespace zavo::batch {

// How far above a fitting quality the search still looks for another one.
inline constexpr int kNeighbourReach = 3;

// The highest quality 1..100 whose size is at most limit, or 0 when none is found. Sizes need not
// grow with quality: a binary search that assumes they do finds a candidate, then the qualities up
// to kNeighbourReach above the best one found so far are tried as well. sizeAt is asked at most
// once per quality.
int HighestFittingQuality(const std::function<int64_t(int)>& sizeAt, int64_t limit);

}  // namespace zavo::batch

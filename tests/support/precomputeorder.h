// The order in which background compression makes its qualities, watched from outside.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "codec/jpegimage.h"
#include "codec/precompute.h"

namespace zavotest {

// The qualities in the order their bytes became available from precompute for image's bitmap
// (image's quality is changed on the way). Looks every millisecond, much more often than a quality
// is made when the picture is large; qualities seen at the same look count in the order given.
// Gives up after a minute, returning what it saw.
inline std::vector<int> OrderMade(zavo::TPrecompute& precompute, zavo::TJPEGImage& image,
                                  const std::vector<uint8_t>& qualities) {
    std::vector<int> seen;
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (seen.size() < qualities.size() && std::chrono::steady_clock::now() < end) {
        for (uint8_t q : qualities) {
            if (std::find(seen.begin(), seen.end(), q) != seen.end()) continue;
            image.SetQuality(q);
            if (precompute.Use(image)) seen.push_back(q);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return seen;
}

}  // namespace zavotest

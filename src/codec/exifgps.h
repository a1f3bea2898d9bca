// Removing the GPS directory from an EXIF segment, through libexif.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace zavo {

// Whether an APP1 payload is an EXIF block ("Exif" and two zero bytes in front).
bool IsExifPayload(const std::vector<uint8_t>& payload);

// The EXIF payload without its GPS directory, every other tag as it was; the payload itself,
// untouched, when it has no GPS directory. Empty when it is malformed, or would no longer fit a
// segment.
std::optional<std::vector<uint8_t>> WithoutGps(const std::vector<uint8_t>& payload);

}  // namespace zavo

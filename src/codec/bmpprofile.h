// The colour profile a bitmap file with a version-5 info header embeds.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "base/streams.h"
#include "codec/metadata.h"

namespace zavo {

// The profile the info header points at, read from the file of count bytes that starts at start in
// stream; null for any other header, a linked profile (a file name, never followed), or a profile
// that lies outside the file or is no ICC profile. One over kMaxMetadataBytes is not read, and the
// result says it was cut.
std::shared_ptr<const TMetadata> ReadBmpProfile(TStream& stream, int64_t start, int64_t count,
                                                const std::vector<uint8_t>& infoHeader);

}  // namespace zavo

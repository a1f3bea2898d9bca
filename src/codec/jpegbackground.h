// The JPEG work that runs beside the user-interface thread: compressing a surface's pixels, and the
// pixels a part decode (TJPEGImage::DecodePart) gives.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/streams.h"
#include "codec/graphictypes.h"
#include "codec/metadata.h"
#include "platform/surface.h"

namespace zavo {

// Pixels of part of a decoded picture: blue-green-red, top-down rows stride bytes apart.
struct TDecodedPart {
    TRect rect;
    ptrdiff_t stride = 0;
    std::vector<uint8_t> pixels;
};

// Compresses 24-bit (blue-green-red) or plain 32-bit (blue-green-red-unused) pixels into out, with
// the parameters and the bytes of TJPEGImage::Compress. Reads nothing but the pixels, so it may run
// on any thread while they stay unchanged; returns false, out incomplete, once stop is seen set.
// The metadata, when given, is written behind the JFIF header.
bool CompressSurface(const platform::Surface& pixels, uint8_t quality, bool gray, bool progressive,
                     TMemoryStream& out, const std::atomic<bool>& stop, const TMetadata* metadata = nullptr);

}  // namespace zavo

// The headers of a bitmap file: file header, info header (Windows or OS/2), colour masks and colour
// table, read with the checks that decide whether the file is a bitmap at all, up to the first byte
// of its pixels.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/streams.h"
#include "platform/bitmapinfo.h"

namespace zavo {

class TBitmap;

// What the headers say.
struct BmpInfo {
    uint32_t pixelOffset = 0;  // the file header's offset of the pixel data
    bool os2Core = false;      // 12-byte OS/2 header: 3-byte colour-table entries
    bool os2Extended = false;  // 16- or 64-byte OS/2 header: compression 3 and 4 mean other codings
    // In its 40-byte Windows form, with the size as written in the file (an OS/2 core header fills
    // width, height, planes and bit count; fields a short header lacks are 0).
    platform::BitmapInfoHeader header;
    // Red, green and blue masks, from behind a 40-byte header or from inside a longer one.
    std::array<uint32_t, 3> masks{};
    bool hasMasks = false;
    // Colour-table entries widened to 4 bytes each: blue, green, red, 0.
    std::vector<uint8_t> colorTable;

    int ColorCount() const { return static_cast<int>(colorTable.size() / 4); }
};

// Reads a bitmap file of count bytes from stream's position up to its pixels. Raises
// EInvalidGraphic "ビットマップイメージが不正です" for a file that is not a bitmap this program reads,
// and EReadError where an enforced read comes up short.
class BmpReader {
public:
    BmpReader(TStream& stream, int64_t count);

    // A file of 0 bytes: an empty bitmap.
    bool IsEmpty() const { return empty_; }
    const BmpInfo& Info() const { return info_; }
    // Compressed pixels come from a memory copy of the whole file, which the image keeps.
    bool IsCompressed() const { return saved_ != nullptr; }
    std::unique_ptr<TMemoryStream> TakeSavedStream() { return std::move(saved_); }

    // The stream standing at the first pixel byte, and how many bytes to read from it: never more
    // than the file holds behind the pixel offset.
    TStream& PixelSource() { return *source_; }
    int64_t PixelBytes() const { return pixelBytes_; }
    // The info header as read, all of its bytes.
    const std::vector<uint8_t>& InfoBytes() const { return infoBytes_; }

private:
    void ReadInfoHeader(TStream& stream);

    BmpInfo info_;
    bool empty_ = false;
    std::unique_ptr<TMemoryStream> saved_;
    TStream* source_ = nullptr;
    int64_t pixelBytes_ = 0;
    std::array<uint8_t, 14> fileHeader_{};
    std::vector<uint8_t> infoBytes_;
};

// Reads a bitmap file of count bytes from stream's position into bitmap, replacing its image (a file
// of 0 bytes empties it). Besides the refusals of BmpReader: EInvalidGraphic for a picture the
// platform cannot create (size, bit count, compression, masks), and
// EOutOfResources "システム リソースが足りません" for one beyond the surface limit.
void ReadBitmapFile(TBitmap& bitmap, TStream& stream, int64_t count);

}  // namespace zavo

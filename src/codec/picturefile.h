// A picture file made into JPEG bytes the way the comparison window does for a first load: a fresh
// working bitmap sized height first, then width, the picture drawn into it at (0, 0), and that
// bitmap compressed by a JPEG image.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codec/bitmap.h"
#include "codec/jpegimage.h"

namespace zavo {

// Loads the file by its extension and draws it into a new bitmap; a blue-green-red bitmap, which the
// draw would copy unchanged, is shared instead. Raises what the picture's loading and drawing raise.
// The metadata the file carried goes to metadata, when given.
std::unique_ptr<TBitmap> DrawPictureFile(const std::string& path, std::shared_ptr<const TMetadata>* metadata = nullptr);

// Compresses one bitmap at any number of qualities; the bitmap's pixels are shared, not copied.
class TPictureCompressor {
public:
    explicit TPictureCompressor(TBitmap& pixels);

    // The JFIF bytes at the quality, the nearest end of 1..100 counting for values outside it:
    // exactly what SAVE writes after the window compressed at that quality. Each block of them is
    // also written to copy, when given, as soon as it is made.
    std::vector<uint8_t> Compress(int quality, TStream* copy = nullptr);
    // Written behind the JFIF header of every later Compress.
    void SetMetadata(std::shared_ptr<const TMetadata> metadata) { jpeg_.SetMetadataToWrite(std::move(metadata)); }

private:
    TJPEGImage jpeg_;
};

}  // namespace zavo

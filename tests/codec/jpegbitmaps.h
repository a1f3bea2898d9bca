// Bitmaps and JPEG images for the JPEG image tests.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "codec/bitmap.h"
#include "codec/jpegimage.h"
#include "codec/jpegsamples.h"

namespace zavotest {

// A 24-bit bitmap holding top-down red-green-blue pixels.
inline std::unique_ptr<zavo::TBitmap> BitmapFromRgb(const std::vector<uint8_t>& rgb, int width, int height) {
    auto bitmap = std::make_unique<zavo::TBitmap>();
    bitmap->SetPixelFormat(zavo::TPixelFormat::Bit24);
    bitmap->SetWidth(width);
    bitmap->SetHeight(height);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bitmap->ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            row[x * 3] = p[2];
            row[x * 3 + 1] = p[1];
            row[x * 3 + 2] = p[0];
        }
    }
    return bitmap;
}

// The pixels of a 24-bit bitmap, top-down, in the order given by the bitmap (blue-green-red).
inline std::vector<uint8_t> BgrOf(zavo::TBitmap& bitmap) {
    std::vector<uint8_t> pixels;
    for (int y = 0; y < bitmap.Height(); ++y) {
        const uint8_t* row = bitmap.ScanLine(y);
        pixels.insert(pixels.end(), row, row + bitmap.Width() * 3);
    }
    return pixels;
}

// The bytes an image holds (empty when it holds none).
inline std::vector<uint8_t> HeldBytes(const zavo::TJPEGImage& image) {
    zavo::TMemoryStream* bytes = image.Holder().Bytes.get();
    return bytes == nullptr ? std::vector<uint8_t>() : StreamBytes(*bytes);
}

inline void LoadBytes(zavo::TJPEGImage& image, const std::vector<uint8_t>& bytes) {
    zavo::TMemoryStream stream;
    FillStream(stream, bytes);
    image.LoadStream(stream);
}

// Compresses top-down red-green-blue pixels through a JPEG image at the quality.
inline std::vector<uint8_t> CompressThroughImage(const std::vector<uint8_t>& rgb, int width, int height,
                                                 unsigned quality) {
    zavo::TJPEGImage image;
    auto bitmap = BitmapFromRgb(rgb, width, height);
    image.AssignFrom(bitmap.get());
    image.SetQuality(quality);
    image.Compress();
    return HeldBytes(image);
}

}  // namespace zavotest

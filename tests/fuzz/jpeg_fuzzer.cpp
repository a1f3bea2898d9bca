// Loads arbitrary bytes as a JPEG file and decodes them: in 24-bit or 8-bit output, accurate or
// fast, with or without the buffered progressive display and block smoothing, in colour or gray, at
// full size or scaled down (to 1/16 too, which the library refuses), chosen by the input's size.
// Every failure must be one of the program's exceptions.
#include <cstddef>
#include <cstdint>

#include "codec/jpegimage.h"

namespace {

// Decoding a picture announced as hundreds of megapixels only costs time here; the refusal of
// pictures beyond the surface limit is covered by the tests.
constexpr int64_t kMaxFuzzPixels = int64_t{1} << 20;

void LoadAndDecode(const uint8_t* data, size_t size) {
    zavo::TMemoryStream stream;
    stream.WriteBuffer(data, static_cast<int64_t>(size));
    stream.SetPosition(0);
    zavo::TJPEGImage image;
    image.SetOutputDepth(size % 2 == 1 ? zavo::TJPEGPixelFormat::Depth8 : zavo::TJPEGPixelFormat::Depth24);
    image.SetDecodeMode(size % 4 >= 2 ? zavo::TJPEGPerformance::Fast : zavo::TJPEGPerformance::Accurate);
    image.SetShowProgressively(size % 8 >= 4);
    image.SetBlockSmoothing(size % 16 >= 8);
    image.SetDecodeScale(static_cast<uint8_t>(size / 16 % 5));
    image.SetGrayMode(size / 80 % 2 == 1);
    try {
        image.LoadStream(stream);
        if (int64_t{image.Width()} * image.Height() > kMaxFuzzPixels) return;
        image.EnsureDecoded();
    } catch (const zavo::Exception&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    LoadAndDecode(data, size);
    return 0;
}

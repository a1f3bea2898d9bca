#include "codec/picturefile.h"

#include <algorithm>

#include "codec/canvas.h"
#include "codec/picture.h"

namespace zavo {

std::unique_ptr<TBitmap> DrawPictureFile(const std::string& path) {
    TPicture picture;
    picture.LoadPictureFile(path);
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetHeight(picture.Height());
    bitmap->SetWidth(picture.Width());
    bitmap->Canvas().DrawGraphic(0, 0, picture.Graphic());
    return bitmap;
}

TPictureCompressor::TPictureCompressor(TBitmap& pixels) { jpeg_.AssignFrom(&pixels); }

std::vector<uint8_t> TPictureCompressor::Compress(int quality, TStream* copy) {
    jpeg_.SetQuality(static_cast<unsigned>(std::clamp(quality, 1, 100)));
    jpeg_.Compress(copy);
    TMemoryStream bytes;
    jpeg_.SaveStream(bytes);
    return std::vector<uint8_t>(bytes.Memory(), bytes.Memory() + bytes.Size());
}

}  // namespace zavo

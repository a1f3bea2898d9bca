#include "codec/picturefile.h"

#include <algorithm>

#include "codec/canvas.h"
#include "codec/picture.h"

namespace zavo {

namespace {

// Blue-green-red rows drawn opaque at their own size land in the working bitmap as the same colours,
// and the compressor and the figures read those alike from either bitmap.
bool DrawsAsItsOwnColours(const TGraphic& graphic) {
    const auto* bitmap = dynamic_cast<const TBitmap*>(&graphic);
    if (bitmap == nullptr || graphic.Transparent()) return false;
    const platform::Surface* surface = bitmap->Image().Handle();
    return surface != nullptr && surface->IsDib() && surface->BitCount() == 24;
}

}  // namespace

std::unique_ptr<TBitmap> DrawPictureFile(const std::string& path, std::shared_ptr<const TMetadata>* metadata) {
    TPicture picture;
    picture.LoadPictureFile(path);
    if (metadata != nullptr) *metadata = MetadataOf(picture.Graphic());
    auto bitmap = std::make_unique<TBitmap>();
    if (picture.Graphic() != nullptr && DrawsAsItsOwnColours(*picture.Graphic())) {
        // Sharing the pixels spares a copy as large as the picture.
        bitmap->AssignFrom(picture.Graphic());
        return bitmap;
    }
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

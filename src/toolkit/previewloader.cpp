#include "toolkit/previewloader.h"

#include "codec/bitmap.h"
#include "codec/picture.h"
#include "platform/devicecontext.h"
#include "platform/files.h"
#include "toolkit/fittedimage.h"
#include "toolkit/image.h"

namespace zavo {

PreviewResult::PreviewResult() = default;
PreviewResult::~PreviewResult() = default;
PreviewResult::PreviewResult(PreviewResult&&) noexcept = default;
PreviewResult& PreviewResult::operator=(PreviewResult&&) noexcept = default;

PreviewResult LoadPreview(const std::string& path) {
    PreviewResult result;
    result.path = path;
    if (!platform::IsExistingFile(path)) return result;
    try {
        auto picture = std::make_unique<TPicture>();
        picture->LoadPictureFile(path);
        result.picture = std::move(picture);
    } catch (...) {
        // Not previewable, for whatever reason, running out of memory included.
        return result;
    }
    try {
        if (std::unique_ptr<TBitmap> bitmap = DrawnBitmap(result.picture->Graphic())) {
            bool upsideDown = false;
            const QImage pixels = BitmapImage(*bitmap, upsideDown);
            result.image = UprightImage(pixels, upsideDown, QSize(kPreviewBound, kPreviewBound));
        }
    } catch (...) {
        result.image = QImage();
        result.drawFailed = true;
    }
    return result;
}

PreviewLoader::PreviewLoader(LoadFunction load) : load_(std::move(load)) {
    platform::PrepareBackgroundDrawing();
}

bool PreviewLoader::Request(const std::string& path, std::chrono::milliseconds wait) {
    worker_.Request(
        [load = load_, path] {
            try {
                return load(path);
            } catch (...) {
                PreviewResult none;
                none.path = path;
                return none;
            }
        },
        [this](PreviewResult result) {
            if (OnReady) OnReady(result);
        });
    return worker_.ShowWithin(wait);
}

void PreviewLoader::Cancel() { worker_.Cancel(); }

}  // namespace zavo

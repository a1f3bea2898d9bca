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

PreviewLoader::~PreviewLoader() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        pending_.reset();
    }
    changed_.notify_all();
    if (worker_.joinable()) worker_.join();
}

std::optional<PreviewResult> PreviewLoader::Request(const std::string& path, std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    const uint64_t generation = ++generation_;
    pending_ = path;
    done_.reset();
    if (!worker_.joinable()) worker_ = std::thread([this] { Run(); });
    changed_.notify_all();
    if (!changed_.wait_for(lock, wait, [&] { return done_.has_value() || generation_ != generation; }))
        return std::nullopt;
    if (generation_ != generation) return std::nullopt;
    std::optional<PreviewResult> result = std::move(done_);
    done_.reset();
    return result;
}

void PreviewLoader::Cancel() {
    std::lock_guard lock(mutex_);
    ++generation_;
    pending_.reset();
    done_.reset();
}

void PreviewLoader::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stop_ || pending_.has_value(); });
        if (stop_) return;
        const std::string path = std::move(*pending_);
        pending_.reset();
        const uint64_t generation = generation_;
        lock.unlock();
        PreviewResult result;
        try {
            result = load_(path);
        } catch (...) {
            result = PreviewResult();
            result.path = path;
        }
        lock.lock();
        if (generation == generation_) {
            done_ = std::move(result);
            changed_.notify_all();
            // Posting is safe from any thread; the receiver outlives the worker, which is joined first.
            QMetaObject::invokeMethod(&receiver_, [this] { Deliver(); }, Qt::QueuedConnection);
            continue;
        }
        // Superseded while it loaded: freed without holding up newer requests.
        lock.unlock();
        result = PreviewResult();
        lock.lock();
    }
}

void PreviewLoader::Deliver() {
    std::optional<PreviewResult> result;
    {
        std::lock_guard lock(mutex_);
        if (!done_) return;  // taken by the waiting request, or superseded
        result = std::move(done_);
        done_.reset();
    }
    if (OnReady) OnReady(*result);
}

}  // namespace zavo

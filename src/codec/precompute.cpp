#include "codec/precompute.h"

#include <algorithm>
#include <cstring>

#include "platform/threadpriority.h"

namespace zavo {

namespace {

std::unique_ptr<TMemoryStream> CopyOf(TMemoryStream& bytes) {
    auto copy = std::make_unique<TMemoryStream>();
    copy->SetSize(bytes.Size());
    if (bytes.Size() > 0) std::memcpy(copy->Memory(), bytes.Memory(), static_cast<size_t>(bytes.Size()));
    return copy;
}

const platform::Surface* PixelsOf(const TJPEGImage& image) {
    return image.Bitmap() != nullptr ? image.Bitmap()->Image().Handle() : nullptr;
}

// Pixels CompressSurface reads as Compress would: 24-bit rows, or 32-bit ones without masks.
bool Compressible(const platform::Surface* s) {
    if (s == nullptr || s->Width() < 1 || s->Height() < 1) return false;
    return (s->BitCount() == 32 && !s->HasBitFields()) || (s->BitCount() == 24 && s->IsDib());
}

// The part view of the picture the bytes hold, decoded by an image of this thread's own.
std::shared_ptr<const TDecodedPart> DecodeView(TMemoryStream& bytes, const TRect& view) {
    if (view.Width() <= 0 || view.Height() <= 0) return nullptr;
    TJPEGImage decoder;
    bytes.SetPosition(0);
    decoder.LoadStream(bytes);
    if (!decoder.CanDecodeParts()) return nullptr;
    TRect r = Rect(std::max(view.Left, 0), std::max(view.Top, 0), std::min(view.Right, decoder.Width()),
                   std::min(view.Bottom, decoder.Height()));
    if (r.Width() <= 0 || r.Height() <= 0) return nullptr;
    auto part = std::make_shared<TDecodedPart>();
    part->stride = static_cast<ptrdiff_t>(r.Width()) * 3;
    part->pixels.resize(static_cast<size_t>(part->stride) * static_cast<size_t>(r.Height()));
    part->rect = decoder.DecodePart(r, part->pixels.data(), part->stride);
    return part;
}

}  // namespace

TPrecompute::TPrecompute(unsigned workers) {
    for (unsigned i = 0; i < std::max(workers, 1u); ++i) workers_.emplace_back([this] { Work(); });
}

TPrecompute::~TPrecompute() {
    owner_.Check();
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        if (current_.picture) current_.picture->stop = true;
        for (Held& h : retired_) h.picture->stop = true;
    }
    wake_.notify_all();
    for (std::thread& t : workers_) t.join();
}

bool TPrecompute::Matches(const TJPEGImage& image) const {
    const Picture* p = current_.picture.get();
    return p != nullptr && p->pixels == PixelsOf(image) && p->gray == image.GrayMode() &&
           p->progressive == image.ProgressiveFile() && p->metadata == image.MetadataToWrite();
}

void TPrecompute::Sweep() {
    std::vector<Held> unused;
    {
        std::lock_guard lock(mutex_);
        auto end = std::stable_partition(retired_.begin(), retired_.end(),
                                         [](const Held& h) { return h.picture->users > 0; });
        std::move(end, retired_.end(), std::back_inserter(unused));
        retired_.erase(end, retired_.end());
    }
}

void TPrecompute::Cancel() {
    owner_.Check();
    if (current_.picture) {
        current_.picture->stop = true;
        std::map<uint8_t, Made> dropped;
        {
            std::lock_guard lock(mutex_);
            queue_.clear();
            running_.clear();
            dropped.swap(made_);
            madeFor_ = nullptr;
        }
        retired_.push_back(std::move(current_));
        current_ = Held{};
        // A worker sees the stop within a few rows; waiting for it lets the old picture's memory go
        // now rather than at the next recompression, which may never come.
        std::unique_lock lock(mutex_);
        idle_.wait(lock, [this] {
            return std::none_of(retired_.begin(), retired_.end(), [](const Held& h) { return h.picture->users > 0; });
        });
    }
    Sweep();
}

void TPrecompute::Schedule(const TJPEGImage& compressed, const std::vector<uint8_t>& qualities, const TRect& view) {
    owner_.Check();
    if (!Matches(compressed)) {
        Cancel();
        const platform::Surface* pixels = PixelsOf(compressed);
        if (!Compressible(pixels)) return;
        auto picture = std::make_shared<Picture>();
        picture->pixels = pixels;
        picture->gray = compressed.GrayMode();
        picture->progressive = compressed.ProgressiveFile();
        picture->metadata = compressed.MetadataToWrite();
        current_.keepAlive = std::make_unique<TKeptPicture>(compressed.Bitmap());
        current_.picture = std::move(picture);
    }
    Sweep();
    TMemoryStream* bytes = compressed.Holder().Bytes.get();
    bool keep = bytes != nullptr && bytes->Size() > 0;
    std::unique_ptr<TMemoryStream> copy;
    {
        std::lock_guard lock(mutex_);
        madeFor_ = current_.picture.get();
        keep = keep && made_.count(compressed.Quality()) == 0;
    }
    if (keep) copy = CopyOf(*bytes);
    {
        std::lock_guard lock(mutex_);
        if (copy) made_.emplace(compressed.Quality(), Made{std::move(copy), nullptr});
        queue_.clear();
        for (uint8_t q : qualities) {
            bool queued = std::any_of(queue_.begin(), queue_.end(), [q](const Task& t) { return t.quality == q; });
            if (!queued && made_.count(q) == 0 && running_.count(q) == 0) queue_.push_back({current_.picture, q, view});
        }
    }
    wake_.notify_all();
}

bool TPrecompute::Use(TJPEGImage& target, std::shared_ptr<const TDecodedPart>* part) {
    owner_.Check();
    Sweep();
    if (!Matches(target)) return false;
    std::unique_ptr<TMemoryStream> copy;
    {
        std::lock_guard lock(mutex_);
        auto found = made_.find(target.Quality());
        if (found == made_.end()) return false;
        copy = CopyOf(*found->second.bytes);
        if (part != nullptr) *part = found->second.part;
    }
    target.TakeCompressed(std::move(copy));
    return true;
}

void TPrecompute::WaitIdle() {
    owner_.Check();
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && busy_ == 0; });
}

void TPrecompute::Work() {
    platform::LowerThisThreadPriority();
    for (;;) {
        Task task;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) return;
            task = std::move(queue_.front());
            queue_.pop_front();
            running_.insert(task.quality);
            ++task.picture->users;
            ++busy_;
        }
        Made made;
        try {
            const Picture& p = *task.picture;
            {
                TMemoryStream out;
                // Kept at its exact size: a picture's streams at every quality stay in memory together.
                if (CompressSurface(*p.pixels, task.quality, p.gray, p.progressive, out, p.stop, p.metadata.get()))
                    made.bytes = CopyOf(out);
            }
            // Decoded once the grown stream has gone, so that the two are never held together.
            if (made.bytes) made.part = DecodeView(*made.bytes, task.view);
        } catch (const std::exception&) {
            // Left to the user-interface thread, which compresses this quality itself when it is picked.
            made = Made{};
        }
        Made unused;
        {
            std::lock_guard lock(mutex_);
            if (task.picture.get() == madeFor_) {
                running_.erase(task.quality);
                if (made.bytes && made_.count(task.quality) == 0) made_.emplace(task.quality, std::move(made));
            }
            unused = std::move(made);
            --task.picture->users;
            --busy_;
            task.picture.reset();
        }
        idle_.notify_all();
    }
}

}  // namespace zavo

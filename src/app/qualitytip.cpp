#include "app/qualitytip.h"

#include <charconv>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "codec/jpegimage.h"
#include "codec/qualityfigures.h"
#include "platform/files.h"
#include "platform/threadpriority.h"
#include "toolkit/companion.h"

namespace zavo {

namespace {

// What one measurement needs. The bitmap keeps the source pixels alive and unchanged (shared pixels
// are never drawn on) and is made and dropped on the user-interface thread only; the worker reads
// nothing but the surface's memory and its own copy of the bytes.
struct Request {
    unsigned generation = 0;
    std::unique_ptr<TBitmap> keepAlive;
    const platform::Surface* pixels = nullptr;
    std::vector<uint8_t> bytes;
    std::string sourceFile;
    std::string note;
};

std::string Percent(double value) {
    char text[32];
    auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1).ptr;
    return std::string(text, end);
}

std::string Measure(const Request& r) {
    TMemoryStream bytes;
    bytes.WriteBuffer(r.bytes.data(), int64_t(r.bytes.size()));
    bytes.SetPosition(0);
    TQualityFigures f = MeasureJpeg(*r.pixels, bytes);
    std::string text = "PSNR " + PsnrText(f.psnr) + " dB, SSIM " + SsimText(f.ssim);
    int64_t sourceSize = platform::FileSize(r.sourceFile);
    if (sourceSize > 0) text += ", " + Percent(100.0 * double(r.bytes.size()) / double(sourceSize)) + " % of the source";
    return r.note.empty() ? text : text + "\n" + r.note;
}

constexpr const char* kQualityTip = "zavo-quality-tip";

// One worker per label, alive as long as the label; it measures the newest request only.
class QualityTip : public TCompanion {
public:
    explicit QualityTip(TLabel* label) : label_(label), worker_([this] { Work(); }) {}
    ~QualityTip() override {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_one();
        worker_.join();
    }

    void Ask(Request request) {
        label_->SetHint(request.note);
        generation_ = request.generation = generation_ + 1;
        std::unique_ptr<TBitmap> dropped;
        {
            std::lock_guard lock(mutex_);
            if (pending_) dropped = std::move(pending_->keepAlive);
            pending_ = std::move(request);
        }
        wake_.notify_one();
    }

private:
    void Work() {
        // The figures are a hint: the panes and the size label never wait for them.
        platform::LowerThisThreadPriority();
        for (;;) {
            Request r;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return stopping_ || pending_; });
                if (stopping_) return;
                r = std::move(*pending_);
                pending_.reset();
            }
            std::string text;
            try {
                text = Measure(r);
            } catch (const std::exception&) {
                text = r.note;
            }
            auto keep = std::make_shared<std::unique_ptr<TBitmap>>(std::move(r.keepAlive));
            unsigned generation = r.generation;
            // Not delivered once the tip is gone; the bitmap is then dropped with the call.
            Deliver([this, keep, generation, text] {
                keep->reset();
                if (generation == generation_) label_->SetHint(text);
            });
        }
    }

    TLabel* label_;
    unsigned generation_ = 0;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Request> pending_;
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace

void RefreshQualityTip(TLabel* label, TJPEGImage& source, TJPEGImage& result, const std::string& sourceFile,
                       const std::string& note) {
    auto* tip = static_cast<QualityTip*>(FindCompanion(label, kQualityTip));
    if (tip == nullptr) tip = &static_cast<QualityTip&>(AdoptCompanion(label, kQualityTip, std::make_unique<QualityTip>(label)));
    Request r;
    TBitmap* pixels = source.Bitmap();
    const TJPEGData& holder = result.Holder();
    if (pixels == nullptr || holder.Bytes == nullptr || holder.Bytes->Size() == 0) {
        label->SetHint(note);
        return;
    }
    r.keepAlive = std::make_unique<TBitmap>();
    r.keepAlive->AssignFrom(pixels);
    // Rare formats are given to the worker as a private 24-bit copy.
    r.pixels = WithPlainRows(*r.keepAlive);
    if (r.pixels == nullptr) return label->SetHint(note);
    const uint8_t* bytes = holder.Bytes->Memory();
    r.bytes.assign(bytes, bytes + holder.Bytes->Size());
    r.sourceFile = sourceFile;
    r.note = note;
    tip->Ask(std::move(r));
}

}  // namespace zavo

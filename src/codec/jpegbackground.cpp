#include "codec/jpegbackground.h"

#include <jerror.h>

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

#include "base/exceptions.h"
#include "base/format.h"
#include "codec/jpegcalls.h"
#include "codec/jpegimage.h"

namespace zavo {

namespace {

// A stop request is looked at between batches of this many rows.
constexpr JDIMENSION kRowsBetweenStopChecks = 16;

// Decoded beyond the part on every side, so that the upsampling at the part's edges sees the same
// neighbours as in a full decode.
constexpr int kPartMargin = 16;

// A part this tall or taller is decoded in two bands at once when a second core is there. The band
// below has to run the entropy decoder over every row above it again, which only pays for a part
// large enough that its pixel work outweighs that and the thread.
constexpr int kMinBandRows = 256;
constexpr int64_t kMinBandPixels = int64_t{512} * 512;

// Rough costs per pixel: the entropy decoding of a whole row, which every row above a band and in
// it takes, and the rest of the work (inverse DCT, upsampling, colour), which only the band's
// columns take. Their ratio decides where the bands meet.
constexpr int64_t kEntropyCost = 3;
constexpr int64_t kPixelCost = 8;

// The bytes of another stream, read through a position of its own; they are never written.
class TByteView : public TStream {
public:
    TByteView(const uint8_t* data, int64_t size) : data_(data), size_(size) {}
    int64_t Read(void* buffer, int64_t count) override {
        if (count <= 0 || position_ >= size_) return 0;
        int64_t n = std::min(count, size_ - position_);
        std::copy_n(data_ + position_, n, static_cast<uint8_t*>(buffer));
        position_ += n;
        return n;
    }
    int64_t Write(const void*, int64_t) override { throw EWriteError(msg::WriteError); }
    int64_t Seek(int64_t offset, SeekOrigin origin) override {
        int64_t base = origin == SeekOrigin::Beginning ? 0 : origin == SeekOrigin::Current ? position_ : size_;
        position_ = std::clamp<int64_t>(base + offset, 0, size_);
        return position_;
    }
    int64_t Size() override { return size_; }
    void SetSize(int64_t) override { throw EWriteError(msg::WriteError); }

private:
    const uint8_t* data_;
    int64_t size_;
    int64_t position_ = 0;
};

}  // namespace

bool TJPEGImage::CanDecodeParts() const {
    return holder_->Bytes && holder_->Bytes->Size() > 0 && !holder_->IsGray && !grayMode_ &&
           outputDepth_ == TJPEGPixelFormat::Depth24 && decodeScale_ == 0 && !(showProgressively_ && progressiveFile_);
}

TRect TJPEGImage::DecodePart(const TRect& part, uint8_t* at, ptrdiff_t stride) {
    TRect clipped = Rect(std::clamp(part.Left, 0, Width()), std::clamp(part.Top, 0, Height()), 0, 0);
    clipped.Right = std::clamp(part.Right, clipped.Left, Width());
    clipped.Bottom = std::clamp(part.Bottom, clipped.Top, Height());
    int rows = clipped.Bottom - clipped.Top;
    bool twoBands = rows >= kMinBandRows && int64_t{clipped.Right - clipped.Left} * rows >= kMinBandPixels &&
                    CanDecodeParts() && std::thread::hardware_concurrency() >= 2;
    if (!twoBands) return DecodePart(part, at, stride, nullptr);
    DecodeInTwoBands(clipped, at, stride);
    return clipped;
}

void TJPEGImage::DecodeInTwoBands(const TRect& part, uint8_t* at, ptrdiff_t stride) {
    // The upper band ends where both take about as long: the lower one runs the entropy decoder
    // over the upper band's rows too.
    int64_t entropy = kEntropyCost * Width();
    int64_t pixels = kPixelCost * (part.Right - part.Left + 2 * kPartMargin);
    int rows = part.Bottom - part.Top;
    int upperRows = static_cast<int>(int64_t{rows} * (entropy + pixels) / (entropy + 2 * pixels));
    upperRows = std::clamp(upperRows, 1, rows - 1);
    TRect upper = Rect(part.Left, part.Top, part.Right, part.Top + upperRows);
    TRect lower = Rect(part.Left, part.Top + upperRows, part.Right, part.Bottom);
    TMemoryStream& bytes = *holder_->Bytes;
    auto decodeBand = [&](const TRect& band, uint8_t* bandAt) {
        TByteView view(bytes.Memory(), bytes.Size());
        DecodePart(band, bandAt, stride, nullptr, &view);
    };
    std::exception_ptr lowerFailure;
    std::thread below([&] {
        try {
            decodeBand(lower, at + stride * upperRows);
        } catch (...) {
            lowerFailure = std::current_exception();
        }
    });
    std::exception_ptr upperFailure;
    try {
        decodeBand(upper, at);
    } catch (...) {
        upperFailure = std::current_exception();
    }
    below.join();
    if (upperFailure) std::rethrow_exception(upperFailure);
    if (lowerFailure) std::rethrow_exception(lowerFailure);
}

TRect TJPEGImage::DecodePartRows(const TRect& part, const RowSink& sink) { return DecodePart(part, nullptr, 0, &sink); }

TRect TJPEGImage::DecodePart(const TRect& part, uint8_t* at, ptrdiff_t stride, const RowSink* sink, TStream* bytes) {
    JpegContext c;
    OpenDecoder(c, /*reportProgress=*/false, bytes);
    j_decompress_ptr d = &c.decompress;
    if (d->out_color_space != JCS_EXT_BGR || d->quantize_colors || d->buffered_image || d->scale_denom != 1)
        throw EJPEG(Format(msg::JPEGError, JERR_CONVERSION_NOTIMPL));
    JpegRequire(JpegStartDecompress(c), c);
    if (d->output_components != 3) throw EJPEG(Format(msg::JPEGError, JERR_CONVERSION_NOTIMPL));
    auto width = static_cast<int>(d->output_width);
    auto height = static_cast<int>(d->output_height);
    JpegPartRead p{};
    p.left = std::clamp(part.Left, 0, width);
    p.right = std::clamp(part.Right, p.left, width);
    p.top = std::clamp(part.Top, 0, height);
    p.bottom = std::clamp(part.Bottom, p.top, height);
    TRect clipped = Rect(p.left, p.top, p.right, p.bottom);
    if (p.left == p.right || p.top == p.bottom) return clipped;
    p.decodeLeft = static_cast<JDIMENSION>(std::max(p.left - kPartMargin, 0));
    p.decodeWidth = static_cast<JDIMENSION>(std::min(p.right + kPartMargin, width)) - p.decodeLeft;
    p.decodeTop = static_cast<JDIMENSION>(std::max(p.top - kPartMargin, 0));
    p.decodeBottom = static_cast<JDIMENSION>(std::min(p.bottom + kPartMargin, height));
    p.at = at;
    p.stride = stride;
    p.sink = sink;
    JpegRequire(JpegReadPart(c, &p), c);
    return clipped;
}

bool CompressSurface(const platform::Surface& pixels, uint8_t quality, bool gray, bool progressive,
                     TMemoryStream& out, const std::atomic<bool>& stop, const TMetadata* metadata) {
    JpegContext c;
    JpegRequire(JpegCreateCompress(c), c);
    JpegRequire(JpegAttachDestination(c, out), c);
    bool bgrx = pixels.BitCount() == 32;
    c.compress.image_width = static_cast<JDIMENSION>(pixels.Width());
    c.compress.image_height = static_cast<JDIMENSION>(pixels.Height());
    c.compress.input_components = bgrx ? 4 : 3;
    c.compress.in_color_space = bgrx ? JCS_EXT_BGRX : JCS_EXT_BGR;
    JpegRequire(JpegConfigureCompression(c, {quality, gray, progressive}), c);
    // The library only reads through these addresses.
    std::vector<JSAMPROW> rows(static_cast<size_t>(pixels.Height()));
    for (int y = 0; y < pixels.Height(); ++y) rows[static_cast<size_t>(y)] = const_cast<JSAMPROW>(pixels.Row(y));
    JpegRequire(JpegStartCompress(c, metadata), c);
    while (c.compress.next_scanline < c.compress.image_height) {
        if (stop.load(std::memory_order_relaxed)) return false;
        JDIMENSION left = c.compress.image_height - c.compress.next_scanline;
        JpegRequire(JpegWriteRows(c, rows.data() + c.compress.next_scanline, std::min(kRowsBetweenStopChecks, left)),
                    c);
    }
    JpegRequire(JpegFinishCompress(c), c);
    return true;
}

}  // namespace zavo

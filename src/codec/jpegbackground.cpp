#include "codec/jpegbackground.h"

#include <jerror.h>

#include <algorithm>
#include <vector>

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

}  // namespace

bool TJPEGImage::CanDecodeParts() const {
    return holder_->Bytes && holder_->Bytes->Size() > 0 && !holder_->IsGray && !grayMode_ &&
           outputDepth_ == TJPEGPixelFormat::Depth24 && decodeScale_ == 0 && !(showProgressively_ && progressiveFile_);
}

TRect TJPEGImage::DecodePart(const TRect& part, uint8_t* at, ptrdiff_t stride) {
    return DecodePart(part, at, stride, nullptr);
}

TRect TJPEGImage::DecodePartRows(const TRect& part, const RowSink& sink) { return DecodePart(part, nullptr, 0, &sink); }

TRect TJPEGImage::DecodePart(const TRect& part, uint8_t* at, ptrdiff_t stride, const RowSink* sink) {
    JpegContext c;
    OpenDecoder(c, /*reportProgress=*/false);
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

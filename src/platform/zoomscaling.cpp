#include "platform/zoomscaling.h"

#include <algorithm>
#include <cstring>

namespace zavo::platform {

int64_t ShownLength(int length, ZoomScale s) {
    if (length <= 0) return 0;
    if (s.den == 1) return int64_t{length} * s.num;
    return std::max<int64_t>(1, int64_t{length} * s.num / s.den);
}

double ToPicture(double shown, int length, ZoomScale s) {
    int64_t n = ShownLength(length, s);
    return n > 0 ? shown * length / static_cast<double>(n) : 0.0;
}

double ToShown(double picture, int length, ZoomScale s) {
    return length > 0 ? picture * static_cast<double>(ShownLength(length, s)) / length : 0.0;
}

AreaReducer::AreaReducer(int width, int height, int bytesPerPixel, int outWidth, int outHeight, uint8_t* out,
                         ptrdiff_t outStride)
    : width_(width), height_(height), bytesPerPixel_(bytesPerPixel), outWidth_(outWidth), outHeight_(outHeight),
      out_(out), outStride_(outStride) {
    // Input column i covers [i * outWidth, (i + 1) * outWidth) and output column x covers
    // [x * width, (x + 1) * width) on one axis; an input pixel is no wider than an output pixel, so
    // it meets one output column or two.
    columnOut_.resize(static_cast<size_t>(width_));
    columnShare_.resize(static_cast<size_t>(width_));
    for (int i = 0; i < width_; ++i) {
        int64_t start = int64_t{i} * outWidth_;
        int64_t x = start / width_;
        columnOut_[static_cast<size_t>(i)] = static_cast<int>(x);
        columnShare_[static_cast<size_t>(i)] =
            static_cast<uint32_t>(std::min<int64_t>(start + outWidth_, (x + 1) * width_) - start);
    }
    // One spare output column takes the zero-weight rest of the last input column.
    rowSums_.assign(static_cast<size_t>(outWidth_ + 1) * 3, 0);
    current_.assign(static_cast<size_t>(outWidth_) * 3, 0);
    next_.assign(static_cast<size_t>(outWidth_) * 3, 0);
}

AreaReducer::AreaReducer(int width, int height, int bytesPerPixel, int outWidth, int outHeight, RowSink sink)
    : AreaReducer(width, height, bytesPerPixel, outWidth, outHeight, nullptr, 0) {
    sink_ = std::move(sink);
    sinkRow_.resize(static_cast<size_t>(outWidth_) * 3);
}

void AreaReducer::AddRow(const uint8_t* row) {
    if (nextRow_ >= height_) return;
    std::fill(rowSums_.begin(), rowSums_.end(), 0);
    const uint32_t whole = static_cast<uint32_t>(outWidth_);
    uint64_t* sums = rowSums_.data();
    for (int i = 0; i < width_; ++i, row += bytesPerPixel_) {
        uint64_t* at = sums + static_cast<size_t>(columnOut_[static_cast<size_t>(i)]) * 3;
        uint64_t share = columnShare_[static_cast<size_t>(i)];
        uint64_t rest = whole - share;
        at[0] += row[0] * share;
        at[1] += row[1] * share;
        at[2] += row[2] * share;
        at[3] += row[0] * rest;
        at[4] += row[1] * rest;
        at[5] += row[2] * rest;
    }
    int64_t start = int64_t{nextRow_} * outHeight_;
    int y = static_cast<int>(start / height_);
    if (y > currentOut_) {
        EmitRow(currentOut_);
        current_.swap(next_);
        std::fill(next_.begin(), next_.end(), 0);
        currentOut_ = y;
    }
    uint64_t share = static_cast<uint64_t>(std::min<int64_t>(start + outHeight_, (int64_t{y} + 1) * height_) - start);
    uint64_t rest = static_cast<uint64_t>(outHeight_) - share;
    size_t n = current_.size();
    for (size_t k = 0; k < n; ++k) current_[k] += sums[k] * share;
    if (rest > 0)
        for (size_t k = 0; k < n; ++k) next_[k] += sums[k] * rest;
    if (++nextRow_ == height_) EmitRow(currentOut_);
}

void AreaReducer::EmitRow(int y) {
    if (y < 0 || y >= outHeight_) return;
    const uint64_t total = uint64_t(width_) * uint64_t(height_);
    uint8_t* to = sink_ ? sinkRow_.data() : out_ + outStride_ * y;
    for (size_t k = 0; k < current_.size(); ++k) to[k] = static_cast<uint8_t>((current_[k] + total / 2) / total);
    if (sink_) sink_(to);
}

void Enlarge(const uint8_t* first, ptrdiff_t stride, int bytesPerPixel, int factor, int shownLeft, int shownTop,
             int width, int height, uint8_t* out, ptrdiff_t outStride, int outBytesPerPixel) {
    if (width <= 0 || height <= 0 || factor <= 0) return;
    const auto rowBytes = static_cast<size_t>(width) * static_cast<size_t>(outBytesPerPixel);
    int y = 0;
    while (y < height) {
        int pictureRow = (shownTop + y) / factor;
        const uint8_t* from = first + stride * pictureRow;
        uint8_t* to = out + outStride * y;
        const uint8_t* p = from + static_cast<ptrdiff_t>(shownLeft / factor) * bytesPerPixel;
        if (factor == 1 && bytesPerPixel == 3 && outBytesPerPixel == 3) {
            std::memcpy(to, p, rowBytes);
        } else {
            // Runs of factor screen pixels take one picture pixel; the first run may be cut.
            int run = factor - shownLeft % factor;
            for (uint8_t* o = to; o != to + rowBytes; o += outBytesPerPixel) {
                o[0] = p[0];
                o[1] = p[1];
                o[2] = p[2];
                if (outBytesPerPixel == 4) o[3] = 0xFF;
                if (--run == 0) {
                    p += bytesPerPixel;
                    run = factor;
                }
            }
        }
        // The rows below that lie on the same picture row are copies of this one.
        int repeat = 1;
        while (y + repeat < height && (shownTop + y + repeat) / factor == pictureRow) {
            std::memcpy(out + outStride * (y + repeat), to, rowBytes);
            ++repeat;
        }
        y += repeat;
    }
}

}  // namespace zavo::platform

// The image control's zoomed views: enlarged parts decoded by tiles like the picture at 1:1, and
// reductions made by one pass over the whole picture.
#include <QImage>

#include <algorithm>
#include <climits>

#include "codec/jpegimage.h"
#include "codec/picture.h"
#include "platform/memory.h"
#include "toolkit/image.h"

namespace zavo {

namespace {

QRect PictureRectOf(TPicture& picture) { return QRect(0, 0, picture.Width(), picture.Height()); }

// Half of a side, rounded up, so that every pixel of the side counts.
int HalfLength(int length) { return std::max(1, (length + 1) / 2); }

}  // namespace

void TImage::SetZoom(platform::ZoomScale scale) {
    if (scale == zoom_) return;
    zoom_ = scale;
    if (autoSize_ && picture_->Width() >= 1 && picture_->Height() >= 1) {
        QRect shown = ShownRect(zoom_);
        SetBounds(Left(), Top(), shown.width(), shown.height());
    }
    Widget()->update();
}

QRect TImage::ShownRect(platform::ZoomScale scale) const {
    auto side = [&](int length) {
        return static_cast<int>(std::min<int64_t>(platform::ShownLength(length, scale), INT_MAX));
    };
    return QRect(0, 0, side(picture_->Width()), side(picture_->Height()));
}

const uint8_t* TImage::Pixels(ptrdiff_t& stride, int& bytesPerPixel) {
    if (shown_.isNull()) return nullptr;
    bytesPerPixel = shown_.format() == QImage::Format_BGR888 ? 3 : 4;
    stride = static_cast<ptrdiff_t>(shown_.bytesPerLine());
    if (!upsideDown_) return shown_.constBits();
    const uint8_t* last = shown_.constScanLine(shown_.height() - 1);
    stride = -stride;
    return last;
}

QImage TImage::ZoomedPart(platform::ZoomScale scale, const QRect& part, QImage::Format format) {
    QRect r = part & ShownRect(scale);
    if (r.isEmpty()) return QImage();
    if (scale.Reduces()) {
        Render();
        // Notices a picture decoded whole meanwhile and shows that instead of the tiles.
        DecodeFor(QRect());
        if (shown_.isNull()) return QImage();
        QRect whole = ShownRect(scale);
        QImage reduced = Reduced(whole.size());
        if (reduced.isNull()) return QImage();
        return format == reduced.format() ? reduced.copy(r) : reduced.copy(r).convertToFormat(format);
    }
    bool display = format == QImage::Format_RGB32;
    QImage out(r.size(), display ? QImage::Format_RGB32 : QImage::Format_BGR888);
    if (out.isNull() ||
        !EnlargedPart(scale, r, out.bits(), static_cast<ptrdiff_t>(out.bytesPerLine()), display ? 4 : 3))
        return QImage();
    return out;
}

bool TImage::ZoomedPartInto(platform::ZoomScale scale, const QRect& part, uint8_t* out, ptrdiff_t outStride) {
    if (scale.Reduces() || !ShownRect(scale).contains(part) || part.isEmpty()) return false;
    return EnlargedPart(scale, part, out, outStride, 4);
}

bool TImage::EnlargedPart(platform::ZoomScale scale, const QRect& r, uint8_t* out, ptrdiff_t outStride,
                          int outBytesPerPixel) {
    Render();
    // Notices a picture decoded whole meanwhile and shows that instead of the tiles.
    DecodeFor(QRect());
    if (shown_.isNull()) return false;
    int factor = std::max(scale.num, 1);
    QRect source = QRect(QPoint(r.left() / factor, r.top() / factor), QPoint(r.right() / factor, r.bottom() / factor)) &
                   PictureRectOf(*picture_);
    DecodeFor(source);
    ptrdiff_t stride = 0;
    int bytesPerPixel = 3;
    const uint8_t* first = Pixels(stride, bytesPerPixel);
    if (first == nullptr) return false;
    platform::Enlarge(first, stride, bytesPerPixel, factor, r.left(), r.top(), r.width(), r.height(), out, outStride,
                      outBytesPerPixel);
    return true;
}

QImage TImage::Reduced(QSize wanted) {
    auto kept = [this](QSize size) -> const QImage* {
        for (const QImage& image : reductions_)
            if (image.size() == size) return &image;
        return nullptr;
    };
    if (const QImage* image = kept(wanted)) return *image;
    int pictureWidth = picture_->Width(), pictureHeight = picture_->Height();
    QSize half(HalfLength(pictureWidth), HalfLength(pictureHeight));
    auto fromHalf = [&](QSize size) {
        return pictureWidth > 1 && pictureHeight > 1 && size != half && size.width() <= half.width() &&
               size.height() <= half.height();
    };
    const QImage* keptHalf = kept(half);
    // The sizes ahead come along only with a pass over the whole picture that keeps no half-size
    // reduction: beside one, kept or wanted now, they would pass the memory the picture may take.
    bool withAhead = wanted != half && !(keptHalf != nullptr && fromHalf(wanted));
    std::vector<QSize> sizes{wanted};
    std::vector<QSize> aheadSizes;
    for (platform::ZoomScale scale : ahead_) {
        if (!scale.Reduces()) continue;
        QSize size = ShownRect(scale).size();
        aheadSizes.push_back(size);
        if (withAhead && !kept(size) && std::find(sizes.begin(), sizes.end(), size) == sizes.end())
            sizes.push_back(size);
    }
    // What the heap kept of earlier reductions and parts goes back first, so that the new ones do
    // not come on top of it; so do the rows decoded for 1:1, which are decoded again when needed.
    ReturnHeldBands();
    platform::ReturnFreeHeapMemory();
    std::vector<QImage> made;
    std::vector<platform::AreaReducer> fromPicture, again;
    made.reserve(sizes.size());
    fromPicture.reserve(sizes.size() + 1);
    again.reserve(sizes.size());
    for (QSize size : sizes) {
        QImage& image = made.emplace_back(size, QImage::Format_BGR888);
        if (image.isNull()) return QImage();
        auto stride = static_cast<ptrdiff_t>(image.bytesPerLine());
        if (fromHalf(size))
            again.emplace_back(half.width(), half.height(), 3, size.width(), size.height(), image.bits(), stride);
        else
            fromPicture.emplace_back(pictureWidth, pictureHeight, 0, size.width(), size.height(), image.bits(), stride);
    }
    auto reduceAgain = [&again](const uint8_t* row) {
        for (platform::AreaReducer& reducer : again) reducer.AddRow(row);
    };
    if (fromPicture.empty() && keptHalf != nullptr) {
        for (int y = 0; y < keptHalf->height(); ++y) reduceAgain(keptHalf->constScanLine(y));
    } else {
        // The half-size rows pass on as they are made; that reduction, the largest, is not kept.
        if (!again.empty())
            fromPicture.emplace_back(pictureWidth, pictureHeight, 0, half.width(), half.height(), reduceAgain);
        if (!FeedRows(fromPicture)) return QImage();
    }
    // What is kept from now on: the one wanted and those ahead, or the half-size one alone. Any
    // other (a fit for a pane size gone) goes, so the reductions never hold much beside the picture.
    std::vector<QImage> keep = made;
    if (wanted != half)
        for (const QImage& image : reductions_)
            if (std::find(aheadSizes.begin(), aheadSizes.end(), image.size()) != aheadSizes.end())
                keep.push_back(image);
    reductions_ = std::move(keep);
    platform::ReturnFreeHeapMemory();
    return made.front();
}

void TImage::DropHalfReduction() {
    QSize half(HalfLength(picture_->Width()), HalfLength(picture_->Height()));
    std::erase_if(reductions_, [half](const QImage& image) { return image.size() == half; });
}

bool TImage::FeedRows(std::vector<platform::AreaReducer>& reducers) {
    auto feed = [&reducers](const uint8_t* row) {
        for (platform::AreaReducer& reducer : reducers) reducer.AddRow(row);
    };
    if (onDemand_ != nullptr) {
        // The rows go to the reducers as they are decoded; the whole picture is never held.
        try {
            for (platform::AreaReducer& reducer : reducers) reducer.SetBytesPerPixel(3);
            onDemand_->DecodePartRows(Rect(0, 0, shown_.width(), shown_.height()),
                                      [&](int, const uint8_t* row) { feed(row); });
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }
    ptrdiff_t stride = 0;
    int bytesPerPixel = 3;
    const uint8_t* first = Pixels(stride, bytesPerPixel);
    if (first == nullptr) return false;
    for (platform::AreaReducer& reducer : reducers) reducer.SetBytesPerPixel(bytesPerPixel);
    for (int y = 0; y < shown_.height(); ++y) feed(first + stride * y);
    return true;
}

}  // namespace zavo

// The image control's zoomed views: enlarged parts decoded by tiles like the picture at 1:1, and
// reductions made by one pass over the whole picture.
#include <QImage>

#include <algorithm>
#include <climits>

#include "codec/jpegimage.h"
#include "codec/picture.h"
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
    reduced_ = QImage();
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

QImage TImage::ZoomedPart(platform::ZoomScale scale, const QRect& part) {
    QRect r = part & ShownRect(scale);
    if (r.isEmpty()) return QImage();
    Render();
    // Notices a picture decoded whole meanwhile and shows that instead of the tiles.
    DecodeFor(QRect());
    if (shown_.isNull()) return QImage();
    if (scale.Reduces()) {
        QRect whole = ShownRect(scale);
        QImage reduced = Reduced(whole.width(), whole.height());
        return reduced.isNull() ? QImage() : reduced.copy(r);
    }
    int factor = std::max(scale.num, 1);
    QRect source = QRect(QPoint(r.left() / factor, r.top() / factor), QPoint(r.right() / factor, r.bottom() / factor)) &
                   PictureRectOf(*picture_);
    DecodeFor(source);
    ptrdiff_t stride = 0;
    int bytesPerPixel = 3;
    const uint8_t* first = Pixels(stride, bytesPerPixel);
    if (first == nullptr) return QImage();
    QImage out(r.size(), QImage::Format_BGR888);
    if (out.isNull()) return QImage();
    platform::Enlarge(first, stride, bytesPerPixel, factor, r.left(), r.top(), r.width(), r.height(), out.bits(),
                      static_cast<ptrdiff_t>(out.bytesPerLine()));
    return out;
}

QImage TImage::Reduced(int width, int height) {
    if (reduced_.width() == width && reduced_.height() == height) return reduced_;
    int pictureWidth = picture_->Width(), pictureHeight = picture_->Height();
    QImage result(width, height, QImage::Format_BGR888);
    if (result.isNull()) return QImage();
    auto stride = static_cast<ptrdiff_t>(result.bytesPerLine());
    bool fromHalf = pictureWidth > 1 && pictureHeight > 1 && width <= HalfLength(pictureWidth) &&
                    height <= HalfLength(pictureHeight);
    if (fromHalf) {
        if (half_.isNull()) {
            QImage half(HalfLength(pictureWidth), HalfLength(pictureHeight), QImage::Format_BGR888);
            if (half.isNull()) return QImage();
            platform::AreaReducer reducer(pictureWidth, pictureHeight, 0, half.width(), half.height(), half.bits(),
                                          static_cast<ptrdiff_t>(half.bytesPerLine()));
            if (!FeedRows(reducer)) return QImage();
            half_ = half;
        }
        if (width == half_.width() && height == half_.height()) {
            reduced_ = half_;
            return reduced_;
        }
        platform::AreaReducer reducer(half_.width(), half_.height(), 3, width, height, result.bits(), stride);
        for (int y = 0; y < half_.height(); ++y) reducer.AddRow(half_.constScanLine(y));
    } else {
        platform::AreaReducer reducer(pictureWidth, pictureHeight, 0, width, height, result.bits(), stride);
        if (!FeedRows(reducer)) return QImage();
    }
    reduced_ = result;
    return reduced_;
}

bool TImage::FeedRows(platform::AreaReducer& reducer) {
    if (onDemand_ != nullptr) {
        // The rows go to the reducer as they are decoded; the whole picture is never held.
        try {
            reducer.SetBytesPerPixel(3);
            onDemand_->DecodePartRows(Rect(0, 0, shown_.width(), shown_.height()),
                                      [&](int, const uint8_t* row) { reducer.AddRow(row); });
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }
    ptrdiff_t stride = 0;
    int bytesPerPixel = 3;
    const uint8_t* first = Pixels(stride, bytesPerPixel);
    if (first == nullptr) return false;
    reducer.SetBytesPerPixel(bytesPerPixel);
    for (int y = 0; y < shown_.height(); ++y) reducer.AddRow(first + stride * y);
    return true;
}

}  // namespace zavo

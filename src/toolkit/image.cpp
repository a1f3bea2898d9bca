#include "toolkit/image.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

#include "base/checked.h"
#include "codec/bitmap.h"
#include "codec/canvas.h"
#include "codec/jpegbackground.h"
#include "codec/jpegimage.h"
#include "codec/picture.h"
#include "platform/bitmapinfo.h"
#include "platform/memory.h"
#include "platform/surface.h"
#include "platform/surfacepainter.h"

namespace zavo {

namespace {

// Pieces decoded on demand: small enough that a paint decodes little beyond what it shows, large
// enough that scrolling across the picture needs few decoder runs.
constexpr int kTile = 64;
// Rows of tiles decoded on demand stay until more than this many picture rows are held, enough for
// one screen's part at 1:1; then the rows used longest ago give their pages back. Without the
// limit, scrolling over a large picture would leave all of it decoded beside the source and the
// reductions kept.
constexpr int kHeldRows = 1280;

// The surface's pixels as a QImage without a copy where Qt has the row layout (32-bit, and 24-bit
// in either row order; the painter converts only what it shows), else a converted copy.
QImage Wrap(platform::Surface& surface, bool& upsideDown) {
    upsideDown = false;
    if (surface.BitCount() == 24 && surface.IsDib() && surface.Width() > 0 && surface.Height() > 0) {
        upsideDown = !surface.TopDown();
        return QImage(surface.Bits(), surface.Width(), surface.Height(), static_cast<qsizetype>(surface.Stride()),
                      QImage::Format_BGR888);
    }
    return platform::SurfaceImage(surface);
}

class ImageWidget : public QWidget {
public:
    ImageWidget(TImage* owner, QWidget* parent) : QWidget(parent), owner_(owner) {}

protected:
    // Only the exposed part is painted, so scrolling a large picture costs the uncovered strip.
    void paintEvent(QPaintEvent* e) override {
        QPainter p(this);
        owner_->PaintPart(p, e->rect());
    }

private:
    TImage* owner_;
};
}  // namespace

TImage::TImage(TForm* form, TControl* parent) : TControl(form, parent), picture_(std::make_unique<TPicture>()) {
    Attach(new ImageWidget(this, parent->ClientWidget()));
    SetBounds(Left(), Top(), 105, 105);
    picture_->OnChange = [this](TPicture*) { PictureChanged(); };
}

TImage::~TImage() = default;

void TImage::PictureChanged() {
    stale_ = true;
    shown_ = QImage();
    upsideDown_ = false;
    rendered_.reset();
    DropOnDemand();
    reductions_.clear();
    if (autoSize_ && picture_->Width() >= 1 && picture_->Height() >= 1)
        SetBounds(Left(), Top(), static_cast<int>(platform::ShownLength(picture_->Width(), zoom_)),
                  static_cast<int>(platform::ShownLength(picture_->Height(), zoom_)));
    Widget()->update();
}

std::unique_ptr<TBitmap> DrawnBitmap(TGraphic* graphic) {
    if (!graphic || graphic->IsEmpty() || graphic->Width() < 1 || graphic->Height() < 1) return nullptr;
    auto bitmap = std::make_unique<TBitmap>();
    // A bitmap, or the bitmap a JPEG object decodes to, is shown in place: sharing its image is
    // enough, since a shared image is never changed while shared.
    TBitmap* source = dynamic_cast<TBitmap*>(graphic);
    if (auto* jpeg = dynamic_cast<TJPEGImage*>(graphic)) source = jpeg->EnsureDecoded();
    if (source) {
        bitmap->AssignFrom(source);
    } else {
        bitmap->SetHeight(graphic->Height());
        bitmap->SetWidth(graphic->Width());
        bitmap->Canvas().DrawGraphic(0, 0, graphic);
    }
    return bitmap;
}

QImage BitmapImage(TBitmap& bitmap, bool& upsideDown) {
    upsideDown = false;
    platform::Surface* surface = bitmap.Image().Handle();
    return surface ? Wrap(*surface, upsideDown) : QImage();
}

void TImage::Render(bool allowOnDemand) {
    if (!stale_) return;
    stale_ = false;
    if (decodeOnDemand_ && allowOnDemand && StartOnDemand()) return;
    partPixels_.reset();
    partBytes_ = 0;
    try {
        std::unique_ptr<TBitmap> bitmap = DrawnBitmap(picture_->Graphic());
        if (!bitmap) return;
        shown_ = BitmapImage(*bitmap, upsideDown_);
        if (!shown_.isNull()) rendered_ = std::move(bitmap);
    } catch (const std::exception&) {
        // A graphic that fails to draw leaves the pane empty; painting never reports.
        shown_ = QImage();
        rendered_.reset();
    }
}

bool TImage::StartOnDemand() {
    auto* jpeg = dynamic_cast<TJPEGImage*>(picture_->Graphic());
    if (jpeg == nullptr || jpeg->Bitmap() != nullptr || !jpeg->CanDecodeParts()) return false;
    int width = jpeg->Width(), height = jpeg->Height();
    if (width < 1 || height < 1) return false;
    int64_t stride = *DibRowSize(width, 24);
    if (stride * height > platform::kMaxPictureBytes) return false;
    // Left unset: a tile is shown only once it has been decoded. The rows of the picture before,
    // of the same size as after a quality change, are written over: memory new to the process
    // would first be cleared by the system, page by page, while the paint waits.
    auto bytes = static_cast<size_t>(stride * height);
    if (!partPixels_ || partBytes_ != bytes) {
        partPixels_.reset();
        partPixels_.reset(new (std::nothrow) uint8_t[bytes]);
        partBytes_ = partPixels_ ? bytes : 0;
        // The rows of the picture before stay held, to be given back first, when the size is kept.
        bandUsed_.assign(static_cast<size_t>((height + kTile - 1) / kTile), 0);
    }
    if (!partPixels_) return false;
    partStride_ = stride;
    shown_ = QImage(partPixels_.get(), width, height, static_cast<qsizetype>(stride), QImage::Format_BGR888);
    upsideDown_ = false;
    onDemand_ = jpeg;
    tilesAcross_ = (width + kTile - 1) / kTile;
    tileDone_.assign(static_cast<size_t>(tilesAcross_) * static_cast<size_t>((height + kTile - 1) / kTile), false);
    if (decodedPart_) {
        const TDecodedPart& d = *decodedPart_;
        QRect r(d.rect.Left, d.rect.Top, d.rect.Width(), d.rect.Height());
        size_t rowBytes = static_cast<size_t>(r.width()) * 3;
        bool fits = !r.isEmpty() && shown_.rect().contains(r) && d.stride >= static_cast<ptrdiff_t>(rowBytes) &&
                    d.pixels.size() >= static_cast<size_t>(d.stride) * static_cast<size_t>(r.height() - 1) + rowBytes;
        if (fits) {
            for (int y = 0; y < r.height(); ++y)
                std::copy_n(d.pixels.data() + d.stride * y, rowBytes,
                            partPixels_.get() + partStride_ * (r.top() + y) + r.left() * 3);
            givenPart_ = r;
        }
        decodedPart_.reset();
    }
    return true;
}

void TImage::DropOnDemand() {
    if (onDemand_ != nullptr) shown_ = QImage();
    onDemand_ = nullptr;
    tileDone_.clear();
    decodedPart_.reset();
    givenPart_ = QRect();
}

void TImage::DecodeFor(const QRect& area) {
    if (onDemand_ == nullptr) return;
    if (onDemand_->Bitmap() != nullptr) {
        // Decoded whole meanwhile (for the preview): that bitmap is shown instead.
        DropOnDemand();
        stale_ = true;
        Render();
        return;
    }
    QRect r = area & shown_.rect();
    if (r.isEmpty() || givenPart_.contains(r)) return;
    int tx0 = r.left() / kTile, tx1 = r.right() / kTile, ty0 = r.top() / kTile, ty1 = r.bottom() / kTile;
    QRect missing;
    for (int ty = ty0; ty <= ty1; ++ty)
        for (int tx = tx0; tx <= tx1; ++tx)
            if (!tileDone_[static_cast<size_t>(ty * tilesAcross_ + tx)]) missing |= QRect(tx, ty, 1, 1);
    if (missing.isEmpty()) return;
    TRect part = Rect(missing.left() * kTile, missing.top() * kTile, (missing.right() + 1) * kTile,
                      (missing.bottom() + 1) * kTile);
    try {
        onDemand_->DecodePart(part, partPixels_.get() + partStride_ * part.Top + part.Left * 3,
                              static_cast<ptrdiff_t>(partStride_));
    } catch (const std::exception&) {
        // What the part decoder cannot read is left to the whole decode, which shows what it shows.
        DropOnDemand();
        stale_ = true;
        Render(false);
        return;
    }
    for (int ty = missing.top(); ty <= missing.bottom(); ++ty)
        for (int tx = missing.left(); tx <= missing.right(); ++tx)
            tileDone_[static_cast<size_t>(ty * tilesAcross_ + tx)] = true;
    ++uses_;
    for (int ty = ty0; ty <= ty1; ++ty) bandUsed_[static_cast<size_t>(ty)] = uses_;
    LimitHeldBands(ty0, ty1);
}

void TImage::ReturnHeldBands() {
    if (onDemand_ == nullptr || !partPixels_) return;
    platform::ReturnPages(partPixels_.get(), partPixels_.get() + partBytes_);
    std::fill(tileDone_.begin(), tileDone_.end(), false);
    std::fill(bandUsed_.begin(), bandUsed_.end(), 0);
    givenPart_ = QRect();
}

void TImage::LimitHeldBands(int keepFrom, int keepTo) {
    const size_t limit = kHeldRows / kTile;
    size_t held = static_cast<size_t>(std::count_if(bandUsed_.begin(), bandUsed_.end(), [](uint64_t u) { return u != 0; }));
    const int height = shown_.height();
    bool given = false;
    while (held > limit) {
        int oldest = -1;
        for (int ty = 0; ty < static_cast<int>(bandUsed_.size()); ++ty) {
            uint64_t used = bandUsed_[static_cast<size_t>(ty)];
            if (used != 0 && (ty < keepFrom || ty > keepTo) &&
                (oldest < 0 || used < bandUsed_[static_cast<size_t>(oldest)]))
                oldest = ty;
        }
        if (oldest < 0) break;
        int top = oldest * kTile, bottom = std::min(top + kTile, height);
        platform::ReturnPages(partPixels_.get() + partStride_ * top, partPixels_.get() + partStride_ * bottom);
        for (int tx = 0; tx < tilesAcross_; ++tx) tileDone_[static_cast<size_t>(oldest * tilesAcross_ + tx)] = false;
        if (givenPart_.intersects(QRect(0, top, shown_.width(), bottom - top))) givenPart_ = QRect();
        bandUsed_[static_cast<size_t>(oldest)] = 0;
        --held;
        given = true;
    }
    if (!given) return;
    // Scrolled this far at 1:1 or enlarged, the half-size reduction kept for going back to 1:2 would
    // come on top of the rows held; it is made again if that level is shown again. The decoders
    // that wrote the rows left their own freed memory behind too.
    if (!zoom_.Reduces()) DropHalfReduction();
    platform::ReturnFreeHeapMemory();
}

QImage TImage::ShownImage() {
    Render();
    DecodeFor(shown_.rect());
    // Rows decoded on demand belong to this control and go with its next picture.
    if (onDemand_ != nullptr) return shown_.copy();
    return upsideDown_ ? shown_.mirrored(false, true) : shown_;
}

void TImage::SetTint(Tint tint) {
    tint_ = std::move(tint);
    Widget()->update();
}

void TImage::PaintPart(QPainter& painter, const QRect& area) {
    auto tinted = [this](QImage part, const QRect& r) {
        part = part.convertToFormat(QImage::Format_BGR888);
        tint_(zoom_, r.left(), r.top(), part.bits(), part.bytesPerLine(), part.width(), part.height());
        return part;
    };
    if (zoom_ != platform::ZoomScale{}) {
        QRect r = area & ShownRect(zoom_);
        // The tint works on blue-green-red rows; without one, rows in the painter's own format.
        QImage part = tint_ ? ZoomedPart(zoom_, r) : ZoomedPart(zoom_, r, QImage::Format_RGB32);
        if (!part.isNull()) painter.drawImage(r.topLeft(), tint_ ? tinted(std::move(part), r) : part);
        return;
    }
    Render();
    DecodeFor(area);
    QRect r = area & shown_.rect();
    if (r.isEmpty()) return;
    if (!upsideDown_ && !tint_) {
        painter.drawImage(r.topLeft(), shown_, r);
        return;
    }
    // Only the exposed rows are turned upright, or tinted.
    QImage part = upsideDown_ ? shown_.copy(QRect(r.left(), shown_.height() - 1 - r.bottom(), r.width(), r.height()))
                                    .mirrored(false, true)
                              : shown_.copy(r);
    painter.drawImage(r.topLeft(), tint_ ? tinted(std::move(part), r) : part);
}

bool TImage::SetProperty(const std::string& name, const LayoutValue& value) {
    if (name == "AutoSize") SetAutoSize(value.Bool());
    else if (name == "Stretch" || name == "Center" || name == "Proportional") value.Bool();
    else return TControl::SetProperty(name, value);
    return true;
}

}  // namespace zavo

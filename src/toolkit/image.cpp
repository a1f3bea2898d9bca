#include "toolkit/image.h"

#include <QPaintEvent>
#include <QPainter>

#include "codec/bitmap.h"
#include "codec/canvas.h"
#include "codec/jpegimage.h"
#include "codec/picture.h"
#include "platform/surfacepainter.h"

namespace zavo {

namespace {

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
    if (autoSize_ && picture_->Width() >= 1 && picture_->Height() >= 1)
        SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
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

void TImage::Render() {
    if (!stale_) return;
    stale_ = false;
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

QImage TImage::ShownImage() {
    Render();
    return upsideDown_ ? shown_.mirrored(false, true) : shown_;
}

void TImage::PaintPart(QPainter& painter, const QRect& area) {
    Render();
    QRect r = area & shown_.rect();
    if (r.isEmpty()) return;
    if (!upsideDown_) {
        painter.drawImage(r.topLeft(), shown_, r);
        return;
    }
    // Only the exposed rows are turned upright.
    QRect rows(r.left(), shown_.height() - 1 - r.bottom(), r.width(), r.height());
    painter.drawImage(r.topLeft(), shown_.copy(rows).mirrored(false, true));
}

bool TImage::SetProperty(const std::string& name, const LayoutValue& value) {
    if (name == "AutoSize") SetAutoSize(value.Bool());
    else if (name == "Stretch" || name == "Center" || name == "Proportional") value.Bool();
    else return TControl::SetProperty(name, value);
    return true;
}

}  // namespace zavo

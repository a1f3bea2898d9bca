#include "toolkit/image.h"

#include <QPaintEvent>
#include <QPainter>

#include "codec/bitmap.h"
#include "codec/canvas.h"
#include "codec/picture.h"
#include "platform/surfacepainter.h"

namespace zavo {

namespace {
class ImageWidget : public QWidget {
public:
    ImageWidget(TImage* owner, QWidget* parent) : QWidget(parent), owner_(owner) {}

protected:
    // Only the exposed part is painted, so scrolling a large picture costs the uncovered strip.
    void paintEvent(QPaintEvent* e) override {
        const QImage& img = owner_->ShownImage();
        if (img.isNull()) return;
        QPainter p(this);
        QRect r = e->rect() & img.rect();
        if (!r.isEmpty()) p.drawImage(r.topLeft(), img, r);
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
    rendered_.reset();
    if (autoSize_ && picture_->Width() >= 1 && picture_->Height() >= 1)
        SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
    Widget()->update();
}

const QImage& TImage::ShownImage() {
    if (!stale_) return shown_;
    stale_ = false;
    TGraphic* graphic = picture_->Graphic();
    if (!graphic || graphic->IsEmpty() || graphic->Width() < 1 || graphic->Height() < 1) return shown_;
    try {
        auto bitmap = std::make_unique<TBitmap>();
        if (auto* source = dynamic_cast<TBitmap*>(graphic)) {
            // Shares the pixels; a shared image is never changed while shared.
            bitmap->AssignFrom(source);
        } else {
            bitmap->SetHeight(graphic->Height());
            bitmap->SetWidth(graphic->Width());
            bitmap->Canvas().DrawGraphic(0, 0, graphic);
        }
        platform::Surface* surface = bitmap->Image().Handle();
        if (surface) {
            shown_ = platform::SurfaceImage(*surface);
            rendered_ = std::move(bitmap);
        }
    } catch (const std::exception&) {
        // A graphic that fails to draw leaves the pane empty; painting never reports.
        shown_ = QImage();
        rendered_.reset();
    }
    return shown_;
}

bool TImage::SetProperty(const std::string& name, const LayoutValue& value) {
    if (name == "AutoSize") SetAutoSize(value.Bool());
    else if (name == "Stretch" || name == "Center" || name == "Proportional") value.Bool();
    else return TControl::SetProperty(name, value);
    return true;
}

}  // namespace zavo

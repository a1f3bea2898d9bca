#include "toolkit/image.h"

#include <QPaintEvent>
#include <QPainter>

namespace zavo {

namespace {
class ImageWidget : public QWidget {
public:
    ImageWidget(TImage* owner, QWidget* parent) : QWidget(parent), owner_(owner) {
        setAttribute(Qt::WA_OpaquePaintEvent, false);
    }

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

TImage::TImage(TForm* form, TControl* parent) : TControl(form, parent) {
    Attach(new ImageWidget(this, parent->ClientWidget()));
    SetBounds(Left(), Top(), 105, 105);
}

void TImage::SetShownImage(QImage image) {
    shown_ = std::move(image);
    if (autoSize_ && shown_.width() >= 1 && shown_.height() >= 1) SetBounds(Left(), Top(), shown_.width(), shown_.height());
    Widget()->update();
}

bool TImage::SetProperty(const std::string& name, const LayoutValue& value) {
    if (name == "AutoSize") SetAutoSize(value.Bool());
    else if (name == "Stretch" || name == "Center" || name == "Proportional") value.Bool();
    else return TControl::SetProperty(name, value);
    return true;
}

}  // namespace zavo

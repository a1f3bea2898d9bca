#include "toolkit/fittedimage.h"

#include <QMouseEvent>
#include <QPainter>

#include "toolkit/panel.h"

namespace zavo {

QRect ProportionalRect(int w, int h, int cw, int ch) {
    if (w <= 0 || h <= 0) return {0, 0, cw, ch};
    const double ratio = static_cast<double>(w) / h;
    int width, height;
    if (w > h) {
        width = cw;
        height = static_cast<int>(cw / ratio);
        if (height > ch) {
            height = ch;
            width = static_cast<int>(ch * ratio);
        }
    } else {
        height = ch;
        width = static_cast<int>(ch * ratio);
        if (width > cw) {
            width = cw;
            height = static_cast<int>(cw / ratio);
        }
    }
    return {(cw - width) / 2, (ch - height) / 2, width, height};
}

QImage UprightImage(const QImage& image, bool upsideDown, const QSize& bound) {
    if (image.isNull()) return {};
    QImage shown = image.width() > bound.width() || image.height() > bound.height()
                       ? image.scaled(bound, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                       : image.copy();
    return upsideDown ? shown.mirrored(false, true) : shown;
}

FittedImage::FittedImage(QWidget* parent) : QWidget(parent) {}

void FittedImage::SetImage(const QImage& image) {
    image_ = image;
    update();
}

void FittedImage::Clear() { SetImage(QImage()); }

void FittedImage::paintEvent(QPaintEvent*) {
    if (auto* panel = dynamic_cast<TSilentPaintPanel*>(parentWidget()))
        panel->PaintSilently([this] { Paint(); });
    else
        Paint();
}

void FittedImage::Paint() {
    if (image_.isNull()) return;
    const QRect target = ProportionalRect(image_.width(), image_.height(), width(), height());
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, image_);
}

void FittedImage::mouseDoubleClickEvent(QMouseEvent* e) {
    e->accept();
    if (OnDoubleClick) OnDoubleClick();
}

}  // namespace zavo

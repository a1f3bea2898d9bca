#include "toolkit/formcanvas.h"

#include <QPainter>

#include "platform/pixelconvert.h"
#include "platform/surfacepainter.h"

namespace zavo {

namespace {

TColor ToTColor(const QColor& c) { return static_cast<TColor>(platform::MakeColorRef(c.red(), c.green(), c.blue())); }

}  // namespace

TFormCanvas::TFormCanvas(QWidget* window, const QFont& font, const QColor& fontColor, const QColor& color)
    : window_(window), color_(platform::MakeColorRef(color.red(), color.green(), color.blue())) {
    Font().SetName(font.family().toStdString());
    if (font.pixelSize() > 0) Font().SetHeight(-font.pixelSize());
    TFontStyles style = 0;
    if (font.bold()) style |= static_cast<uint8_t>(TFontStyle::Bold);
    if (font.italic()) style |= static_cast<uint8_t>(TFontStyle::Italic);
    if (font.underline()) style |= static_cast<uint8_t>(TFontStyle::Underline);
    if (font.strikeOut()) style |= static_cast<uint8_t>(TFontStyle::StrikeOut);
    Font().SetStyle(style);
    Font().SetColor(ToTColor(fontColor));
    Brush().SetColor(ToTColor(color));
}

TFormCanvas::~TFormCanvas() { SetHandle(nullptr); }

void TFormCanvas::FollowWindowSize() {
    if (!window_) return;
    int w = window_->width(), h = window_->height();
    if (image_ && image_->Width() == w && image_->Height() == h) return;
    auto next = platform::Surface::CreateDisplay(w, h);
    platform::FillSurface(*next, {0, 0, w, h}, color_);
    if (image_) platform::CopySurface(*next, 0, 0, image_->Width(), image_->Height(), *image_, 0, 0);
    image_ = std::move(next);
    if (platform::DeviceContext* dc = HandleIfAllocated()) dc->SelectSurface(image_.get());
}

platform::Surface& TFormCanvas::Image() {
    FollowWindowSize();
    if (!image_) image_ = platform::Surface::CreateDisplay(0, 0);
    return *image_;
}

void TFormCanvas::CreateHandle() { SetHandle(std::make_unique<platform::DeviceContext>(&Image())); }

void TFormCanvas::Changing() {
    FollowWindowSize();
    TCanvas::Changing();
}

void TFormCanvas::Changed() {
    TCanvas::Changed();
    if (window_) window_->update();
}

void TFormCanvas::Paint(QPainter& painter, const QRect& area) {
    QImage shown = platform::SurfaceImage(Image());
    QRect r = area & shown.rect();
    if (!r.isEmpty()) painter.drawImage(r.topLeft(), shown, r);
}

}  // namespace zavo

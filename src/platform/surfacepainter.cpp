#include "platform/surfacepainter.h"

#include <algorithm>

namespace zavo::platform {

namespace {

bool PaintsInPlace(const Surface& s) {
    return s.BitCount() == 32 && s.TopDown() &&
           (!s.IsDib() || (s.RedMask() == 0xFF0000 && s.GreenMask() == 0x00FF00 && s.BlueMask() == 0x0000FF));
}

}  // namespace

SurfacePainter::SurfacePainter(Surface& target, const Rect& area, const MonoColors& colors)
    : target_(target), colors_(colors) {
    area_ = {std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, target.Width()),
             std::min(area.bottom, target.Height())};
    if (area_.left >= area_.right || area_.top >= area_.bottom) {
        area_ = {};
        return;
    }
    if (PaintsInPlace(target) && target.Bits()) {
        image_ = QImage(target.Bits(), target.Width(), target.Height(), static_cast<qsizetype>(target.Stride()),
                        QImage::Format_RGB32);
        painter_.begin(&image_);
    } else {
        copy_ = Surface::CreateDisplay(area_.Width(), area_.Height());
        CopySurface(*copy_, 0, 0, area_.Width(), area_.Height(), target, area_.left, area_.top, colors_);
        image_ = QImage(copy_->Bits(), copy_->Width(), copy_->Height(), static_cast<qsizetype>(copy_->Stride()),
                        QImage::Format_RGB32);
        painter_.begin(&image_);
        painter_.translate(-area_.left, -area_.top);
    }
    painter_.setClipRect(QRect(area_.left, area_.top, area_.Width(), area_.Height()));
}

SurfacePainter::~SurfacePainter() {
    if (painter_.isActive()) painter_.end();
    if (copy_) {
        // Qt writes 0xFF into the unused byte; the copy back ignores that byte.
        CopySurface(target_, area_.left, area_.top, area_.Width(), area_.Height(), *copy_, 0, 0,
                    MonoColors{colors_.text, colors_.background, colors_.sourceBackground});
    }
}

QImage SurfaceImage(Surface& surface) {
    if (surface.Width() == 0 || surface.Height() == 0) return QImage();
    if (PaintsInPlace(surface))
        return QImage(surface.Bits(), surface.Width(), surface.Height(), static_cast<qsizetype>(surface.Stride()),
                      QImage::Format_RGB32);
    auto copy = Surface::CreateDisplay(surface.Width(), surface.Height());
    CopySurface(*copy, 0, 0, surface.Width(), surface.Height(), surface, 0, 0);
    QImage wrapped(copy->Bits(), copy->Width(), copy->Height(), static_cast<qsizetype>(copy->Stride()),
                   QImage::Format_RGB32);
    return wrapped.copy();
}

}  // namespace zavo::platform

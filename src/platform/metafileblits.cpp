// Block transfers of the metafile device context: bitmaps and brushes combined with what is
// there by ternary raster operations, masks and a transparent colour.
#include <cmath>

#include "platform/metafiledc.h"

namespace zavo::platform {

namespace {

constexpr uint8_t kSrcCopy = 0xCC;
constexpr uint8_t kDestination = 0xAA;

// A ternary raster operation's code (its index byte) applied bit by bit: bit i of the code is the
// result for pattern, source and destination bits (i >> 2 & 1, i >> 1 & 1, i & 1).
uint32_t Rop3(uint8_t code, uint32_t p, uint32_t s, uint32_t d) {
    uint32_t r = 0;
    for (int i = 0; i < 8; ++i) {
        if (code >> i & 1) r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    }
    return r & 0xFFFFFF;
}

bool UsesSource(uint8_t code) { return ((code >> 2 ^ code) & 0x33) != 0; }
bool UsesPattern(uint8_t code) { return ((code >> 4 ^ code) & 0x0F) != 0; }

// Maps the extent of src (placed at the origin) onto dst.
QTransform Stretch(const QRectF& dst, const QRectF& src) {
    return QTransform::fromScale(dst.width() / src.width(), dst.height() / src.height()) *
           QTransform::fromTranslate(dst.x(), dst.y());
}

bool Positive(const QRectF& r) { return r.width() > 0 && r.height() > 0; }

// A 32-bit image whose pixels can be read as words.
QImage Words(const QImage& image) {
    QImage::Format f = image.format();
    if (f == QImage::Format_RGB32 || f == QImage::Format_ARGB32_Premultiplied) return image;
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

void MetafileDC::DrawImage(const QRectF& dst, const QImage& image, const QRectF& src, uint32_t rop) {
    uint8_t code = (rop >> 16) & 0xFF;
    if (!UsesSource(code)) {
        PatBlt(dst, rop);
        return;
    }
    if (!Positive(src)) return;
    if (code == kSrcCopy) {
        // Transparent pixels (skipped by run-length data) leave the target as it is.
        Place(Stretch(dst, src), image, src,
              image.hasAlphaChannel() ? QPainter::CompositionMode_SourceOver : QPainter::CompositionMode_Source, 1);
        return;
    }
    BlitOp op;
    op.source = &image;
    op.from = src;
    op.fore = op.back = code;
    Blit(Stretch(dst, src), op);
}

void MetafileDC::BlendImage(const QRectF& dst, const QImage& image, const QRectF& src, double opacity) {
    if (Positive(src)) Place(Stretch(dst, src), image, src, QPainter::CompositionMode_SourceOver, opacity);
}

void MetafileDC::MaskBlt(const QRectF& dst, const QImage* image, QPointF srcAt, const QImage* mask, QPointF maskAt,
                         uint32_t rop4) {
    uint8_t fore = (rop4 >> 16) & 0xFF;
    QSizeF size(std::abs(dst.width()), std::abs(dst.height()));
    QRectF src(srcAt, size);
    if (!mask) {
        if (image) DrawImage(dst, *image, src, uint32_t{fore} << 16);
        else PatBlt(dst, uint32_t{fore} << 16);
        return;
    }
    BlitOp op;
    op.source = image;
    op.from = image ? src : QRectF(QPointF(0, 0), size);
    op.mask = mask;
    op.maskAt = maskAt;
    op.fore = fore;
    op.back = (rop4 >> 24) & 0xFF;
    if (Positive(op.from)) Blit(Stretch(dst, op.from), op);
}

void MetafileDC::PlgBlt(const std::array<QPointF, 3>& corners, const QImage& image, const QRectF& src,
                        const QImage* mask, QPointF maskAt) {
    if (!Positive(src)) return;
    QPointF across = corners[1] - corners[0], down = corners[2] - corners[0];
    QTransform local(across.x() / src.width(), across.y() / src.width(), down.x() / src.height(),
                     down.y() / src.height(), corners[0].x(), corners[0].y());
    if (!mask) {
        Place(local, image, src, QPainter::CompositionMode_Source, 1);
        return;
    }
    BlitOp op;
    op.source = &image;
    op.from = src;
    op.mask = mask;
    op.maskAt = maskAt;
    op.fore = kSrcCopy;
    op.back = kDestination;
    Blit(local, op);
}

void MetafileDC::TransparentBlt(const QRectF& dst, const QImage& image, const QRectF& src, QRgb transparent) {
    if (!Positive(src)) return;
    BlitOp op;
    op.source = &image;
    op.from = src;
    op.transparent = transparent & 0xFFFFFF;
    Blit(Stretch(dst, src), op);
}

void MetafileDC::PatBlt(const QRectF& dst, uint32_t rop) {
    BlitOp op;
    op.from = QRectF(0, 0, 1, 1);
    op.fore = op.back = (rop >> 16) & 0xFF;
    Blit(Stretch(dst, op.from), op);
}

void MetafileDC::Place(const QTransform& local, const QImage& image, const QRectF& src,
                       QPainter::CompositionMode mode, double opacity) {
    if (image.isNull()) return;
    QTransform t = Full();
    if (!Usable(t)) return;
    QTransform place = local * t;
    if (!Usable(place)) return;
    if (!Charge(place.mapRect(QRectF(0, 0, src.width(), src.height())), 4, false)) return;
    painter_.setTransform(place * base_);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, state_.stretchMode == 4);
    painter_.setCompositionMode(mode);
    painter_.setOpacity(opacity);
    painter_.drawImage(QRectF(0, 0, src.width(), src.height()), image, src);
    painter_.setOpacity(1);
}

QImage* MetafileDC::DeviceImage(QPoint& offset) const {
    QPaintDevice* device = painter_.device();
    if (!device || device->devType() != QInternal::Image || base_.type() > QTransform::TxTranslate) return nullptr;
    if (base_.dx() != std::floor(base_.dx()) || base_.dy() != std::floor(base_.dy())) return nullptr;
    auto* image = static_cast<QImage*>(device);
    if (image->depth() != 32) return nullptr;
    offset = QPoint(static_cast<int>(base_.dx()), static_cast<int>(base_.dy()));
    return image;
}

uint32_t MetafileDC::BrushPixel(int x, int y) const {
    const MetaBrush& b = state_.brush;
    switch (b.kind) {
        case MetaBrush::Kind::Pattern:
            if (!b.pattern.isNull()) {
                int w = b.pattern.width(), h = b.pattern.height();
                return b.pattern.pixel(((x % w) + w) % w, ((y % h) + h) % h) & 0xFFFFFF;
            }
            break;
        case MetaBrush::Kind::Hatched: {
            int hx = x & 7, hy = y & 7;
            bool line = false;
            switch (b.hatch) {
                case 0: line = hy == 0; break;
                case 1: line = hx == 0; break;
                case 2: line = hx == hy; break;
                case 3: line = hx == 7 - hy; break;
                case 4: line = hx == 0 || hy == 0; break;
                case 5: line = hx == hy || hx == 7 - hy; break;
                default: line = true; break;
            }
            return (line ? b.color : state_.bkColor).rgb() & 0xFFFFFF;
        }
        default:
            break;
    }
    return b.color.rgb() & 0xFFFFFF;
}

void MetafileDC::Blit(const QTransform& local, const BlitOp& op) {
    bool patterned = UsesPattern(op.fore) || (op.mask && UsesPattern(op.back));
    if (patterned && state_.brush.kind == MetaBrush::Kind::Null) return;
    QTransform t = local * Full();
    if (!Usable(t)) return;
    QRectF extent(0, 0, op.from.width(), op.from.height());
    QRectF bounds = t.mapRect(extent);
    if (!Charge(bounds, 4, false)) return;
    QPoint offset;
    QImage* device = DeviceImage(offset);
    if (!device) return;
    QRect rect = bounds.toAlignedRect() & area_ & state_.clip.boundingRect() &
                 QRect(-offset, device->size());
    if (rect.isEmpty()) return;

    QImage source = op.source ? Words(*op.source) : QImage();
    QImage mask = op.mask ? Words(*op.mask) : QImage();
    QImage out = device->copy(rect.translated(offset)).convertToFormat(QImage::Format_RGB32);
    QTransform inverse = t.inverted();
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y - rect.top()));
        for (int x = rect.left(); x <= rect.right(); ++x) {
            QPointF at = inverse.map(QPointF(x + 0.5, y + 0.5));
            if (!(at.x() >= 0 && at.y() >= 0 && at.x() < extent.width() && at.y() < extent.height())) continue;
            uint32_t s = 0;
            if (op.source) {
                double sx = std::floor(op.from.x() + at.x()), sy = std::floor(op.from.y() + at.y());
                if (!(sx >= 0 && sy >= 0 && sx < source.width() && sy < source.height())) continue;
                QRgb pixel = reinterpret_cast<const QRgb*>(source.constScanLine(static_cast<int>(sy)))[static_cast<int>(sx)];
                if (qAlpha(pixel) == 0) continue;
                s = pixel & 0xFFFFFF;
                if (op.transparent && s == *op.transparent) continue;
            }
            uint8_t code = op.fore;
            if (op.mask) {
                double mx = std::floor(op.maskAt.x() + at.x()), my = std::floor(op.maskAt.y() + at.y());
                bool white = mx >= 0 && my >= 0 && mx < mask.width() && my < mask.height() &&
                             qGray(reinterpret_cast<const QRgb*>(mask.constScanLine(static_cast<int>(my)))[static_cast<int>(mx)]) >= 128;
                if (!white) code = op.back;
            }
            uint32_t p = UsesPattern(code) ? BrushPixel(x, y) : 0;
            row[x - rect.left()] = 0xFF000000u | Rop3(code, p, s, row[x - rect.left()]);
        }
    }
    painter_.setTransform(base_);
    painter_.setCompositionMode(QPainter::CompositionMode_Source);
    painter_.setOpacity(1);
    painter_.drawImage(rect.topLeft(), out);
}

void MetafileDC::FillRegion(const std::vector<QRect>& deviceRects, const MetaBrush& brush) {
    if (brush.kind == MetaBrush::Kind::Null) return;
    Charge(QRectF(), static_cast<int64_t>(deviceRects.size()), false);
    painter_.setTransform(outer_ * base_);
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    for (const QRect& r : deviceRects) {
        QRectF d = outer_.mapRect(QRectF(r));
        if (!Charge(d, 1, false)) continue;
        painter_.fillRect(QRectF(r), MakeBrush(brush));
    }
}

}  // namespace zavo::platform

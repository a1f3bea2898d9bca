#include "platform/metafiledc.h"

#include <algorithm>
#include <cmath>

#include "platform/pathclip.h"

namespace zavo::platform {

namespace {

// Shapes reaching beyond this many pixels from the picture are not drawn: nothing real needs them,
// and the rasteriser loses precision there.
constexpr double kCoordinateLimit = 1 << 22;
constexpr size_t kMaxSavedStates = 4096;
// The widest pen the painter accepts.
constexpr double kMaxPenWidth = 32767;
// Shapes reaching further than this many pixels beyond the picture are cut down to it before drawing.
constexpr double kFarReach = 4096;


bool Finite(const QTransform& t) {
    return std::isfinite(t.m11()) && std::isfinite(t.m12()) && std::isfinite(t.m21()) &&
           std::isfinite(t.m22()) && std::isfinite(t.dx()) && std::isfinite(t.dy());
}

bool Finite(QPointF p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }

// Where a point lies on an ellipse, as Qt's arc angle in degrees.
double ArcAngle(const QRectF& box, QPointF p) {
    QPointF c = box.center();
    return std::atan2(-(p.y() - c.y()) / (box.height() / 2), (p.x() - c.x()) / (box.width() / 2)) * 180 / M_PI;
}

}  // namespace

QRect PlayArea(QPainter& painter, const MetafileRect& dest) {
    QRect area(QPoint(std::min(dest.left, dest.right), std::min(dest.top, dest.bottom)),
               QPoint(std::max(dest.left, dest.right), std::max(dest.top, dest.bottom)));
    QPaintDevice* device = painter.device();
    if (!device) return QRect();
    // The painter may already be moved onto a copy of part of the picture.
    QRect visible = painter.transform().inverted().mapRect(QRect(0, 0, device->width(), device->height()));
    return area & visible;
}

QRectF PlayTarget(const MetafileRect& dest) {
    double right = dest.right >= dest.left ? dest.right + 1.0 : dest.right - 1.0;
    double bottom = dest.bottom >= dest.top ? dest.bottom + 1.0 : dest.bottom - 1.0;
    return QRectF(QPointF(dest.left, dest.top), QPointF(right, bottom));
}

MetafileDC::MetafileDC(QPainter& painter, const QTransform& outer, QSizeF pixelsPerMm, const QRect& area)
    : painter_(painter), base_(painter.transform()), outer_(outer), pixelsPerMm_(pixelsPerMm), area_(area) {
    painter_.save();
    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    state_.clip = QRegion(area_);
    SetClip(state_.clip);
    // Generous for real pictures, yet a bound on what a crafted file can make the painter do.
    budget_ = (int64_t{1} << 28) + 64 * static_cast<int64_t>(area_.width()) * area_.height();
}

MetafileDC::~MetafileDC() { painter_.restore(); }

void MetafileDC::FixWindowMapping(QRectF window, QRectF viewport) {
    fixedMapping_ = true;
    state_.mapMode = static_cast<int>(MapMode::Anisotropic);
    state_.windowOrg = window.topLeft();
    state_.windowExt = window.size();
    state_.viewportOrg = viewport.topLeft();
    state_.viewportExt = viewport.size();
}

void MetafileDC::SetMapMode(int mode) {
    if (fixedMapping_ || mode < 1 || mode > 8) return;
    state_.mapMode = mode;
}

void MetafileDC::SetWindowOrg(QPointF p) {
    if (Finite(p)) state_.windowOrg = p;
}

void MetafileDC::SetWindowExt(QSizeF s) {
    if (s.width() == 0 || s.height() == 0 || !std::isfinite(s.width()) || !std::isfinite(s.height())) return;
    if (fixedMapping_ || state_.mapMode >= static_cast<int>(MapMode::Isotropic)) state_.windowExt = s;
}

void MetafileDC::SetViewportOrg(QPointF p) {
    if (!fixedMapping_ && Finite(p)) state_.viewportOrg = p;
}

void MetafileDC::SetViewportExt(QSizeF s) {
    if (fixedMapping_ || s.width() == 0 || s.height() == 0) return;
    if (state_.mapMode >= static_cast<int>(MapMode::Isotropic)) state_.viewportExt = s;
}

void MetafileDC::ScaleWindowExt(double xNum, double xDenom, double yNum, double yDenom) {
    if (xDenom == 0 || yDenom == 0) return;
    SetWindowExt(QSizeF(state_.windowExt.width() * xNum / xDenom, state_.windowExt.height() * yNum / yDenom));
}

void MetafileDC::ScaleViewportExt(double xNum, double xDenom, double yNum, double yDenom) {
    if (xDenom == 0 || yDenom == 0) return;
    SetViewportExt(QSizeF(state_.viewportExt.width() * xNum / xDenom, state_.viewportExt.height() * yNum / yDenom));
}

void MetafileDC::SetWorldTransform(const QTransform& t) {
    if (Finite(t)) state_.world = t;
}

void MetafileDC::ModifyWorldTransform(const QTransform& t, int mode) {
    switch (mode) {
        case 1: state_.world = QTransform(); break;
        case 2: SetWorldTransform(t * state_.world); break;
        case 3: SetWorldTransform(state_.world * t); break;
        case 4: SetWorldTransform(t); break;
        default: break;
    }
}

QTransform MetafileDC::Page() const {
    double sx = 1, sy = 1;
    auto mode = static_cast<MapMode>(state_.mapMode);
    switch (mode) {
        case MapMode::Text: break;
        case MapMode::Isotropic:
        case MapMode::Anisotropic:
            sx = state_.viewportExt.width() / state_.windowExt.width();
            sy = state_.viewportExt.height() / state_.windowExt.height();
            if (mode == MapMode::Isotropic) {
                double s = std::min(std::abs(sx), std::abs(sy));
                sx = std::copysign(s, sx);
                sy = std::copysign(s, sy);
            }
            break;
        default: {
            // Metric and English modes: logical units per millimetre, y upwards.
            static constexpr double kUnitsPerMm[] = {10, 100, 100 / 25.4, 1000 / 25.4, 1440 / 25.4};
            double units = kUnitsPerMm[state_.mapMode - 2];
            sx = pixelsPerMm_.width() / units;
            sy = -pixelsPerMm_.height() / units;
            break;
        }
    }
    return QTransform(sx, 0, 0, sy, state_.viewportOrg.x() - state_.windowOrg.x() * sx,
                      state_.viewportOrg.y() - state_.windowOrg.y() * sy);
}

QTransform MetafileDC::Full() const { return state_.world * Page() * outer_; }

bool MetafileDC::Usable(const QTransform& t) const {
    return Finite(t) && std::abs(t.determinant()) > 1e-12;
}

void MetafileDC::SaveDC() {
    if (saved_.size() < kMaxSavedStates) saved_.push_back(state_);
}

void MetafileDC::RestoreDC(int which) {
    int64_t count = static_cast<int64_t>(saved_.size());
    int64_t index = which < 0 ? count + which : int64_t{which} - 1;
    if (index < 0 || index >= count) return;
    state_ = saved_[index];
    saved_.resize(index);
    SetClip(state_.clip);
}

void MetafileDC::SetClip(const QRegion& r) {
    if (r.rectCount() > 1) Charge(QRectF(), r.rectCount(), false);
    state_.clip = r & area_;
    painter_.setTransform(base_);
    painter_.setClipRegion(state_.clip);
}

QRect MetafileDC::DeviceRect(const QRectF& logical) const {
    QRectF d = Full().mapRect(logical.normalized());
    if (!std::isfinite(d.left()) || !std::isfinite(d.right()) || !std::isfinite(d.top()) || !std::isfinite(d.bottom()))
        return QRect();
    d = d.intersected(QRectF(area_).adjusted(-2, -2, 2, 2));
    return QRect(QPoint(qRound(d.left()), qRound(d.top())), QPoint(qRound(d.right()) - 1, qRound(d.bottom()) - 1));
}

void MetafileDC::IntersectClipRect(const QRectF& r) { SetClip(state_.clip & DeviceRect(r)); }

void MetafileDC::ExcludeClipRect(const QRectF& r) { SetClip(state_.clip - DeviceRect(r)); }

void MetafileDC::OffsetClip(QPointF logical) {
    QTransform t = Full();
    QPointF d = t.map(logical) - t.map(QPointF(0, 0));
    if (!Finite(d) || std::abs(d.x()) > kCoordinateLimit || std::abs(d.y()) > kCoordinateLimit) return;
    QRegion moved = state_.clip.translated(qRound(d.x()), qRound(d.y()));
    SetClip(moved);
}

void MetafileDC::ResetClip() { SetClip(QRegion(area_)); }

void MetafileDC::SelectClipRegion(const std::vector<QRect>& deviceRects, RegionMode mode) {
    Charge(QRectF(), static_cast<int64_t>(deviceRects.size()), false);
    QRegion region;
    for (const QRect& r : deviceRects) {
        QRectF d = outer_.mapRect(QRectF(r)).intersected(QRectF(area_));
        if (!d.isEmpty()) region += d.toAlignedRect();
    }
    switch (mode) {
        case RegionMode::And: SetClip(state_.clip & region); break;
        case RegionMode::Or: SetClip(state_.clip | region); break;
        case RegionMode::Xor: SetClip(state_.clip ^ region); break;
        case RegionMode::Diff: SetClip(state_.clip - region); break;
        case RegionMode::Copy: SetClip(region); break;
    }
}

void MetafileDC::SelectClipPath(RegionMode mode) {
    QTransform t = Full();
    if (!Usable(t) || path_.isEmpty()) return;
    QPainterPath mapped = t.map(path_);
    if (!Charge(mapped.controlPointRect(), mapped.elementCount(), false)) return;
    mapped.setFillRule(state_.polyFillMode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
    // The region is built scan line by scan line: only the part over the picture may take part.
    QPainterPath picture;
    picture.addRect(QRectF(area_).adjusted(-1, -1, 1, 1));
    QPainterPath visible = mapped.intersected(picture);
    QRegion region(visible.toFillPolygon().toPolygon(), visible.fillRule());
    path_ = QPainterPath();
    switch (mode) {
        case RegionMode::And: SetClip(state_.clip & region); break;
        case RegionMode::Or: SetClip(state_.clip | region); break;
        case RegionMode::Xor: SetClip(state_.clip ^ region); break;
        case RegionMode::Diff: SetClip(state_.clip - region); break;
        case RegionMode::Copy: SetClip(region); break;
    }
}

void MetafileDC::BeginPath() {
    path_ = QPainterPath();
    path_.moveTo(state_.current);
    inPath_ = true;
}

void MetafileDC::AbortPath() {
    path_ = QPainterPath();
    inPath_ = false;
}

void MetafileDC::CloseFigure() {
    if (inPath_) path_.closeSubpath();
}

void MetafileDC::FillPath() {
    if (inPath_) return;
    Paint(path_, true, false);
    path_ = QPainterPath();
}

void MetafileDC::StrokePath() {
    if (inPath_) return;
    Paint(path_, false, true);
    path_ = QPainterPath();
}

void MetafileDC::StrokeAndFillPath() {
    if (inPath_) return;
    Paint(path_, true, true);
    path_ = QPainterPath();
}

bool MetafileDC::Charge(const QRectF& deviceBounds, int64_t elements, bool dashed) {
    int64_t cost = 16 + elements * 8;
    if (!deviceBounds.isNull()) {
        QRectF b = deviceBounds;
        if (!std::isfinite(b.left()) || !std::isfinite(b.top()) || !std::isfinite(b.width()) ||
            !std::isfinite(b.height()))
            return false;
        if (b.left() < area_.left() - kCoordinateLimit || b.right() > area_.right() + kCoordinateLimit ||
            b.top() < area_.top() - kCoordinateLimit || b.bottom() > area_.bottom() + kCoordinateLimit)
            return false;
        QRectF visible = b.adjusted(-1, -1, 1, 1).intersected(QRectF(area_));
        cost += static_cast<int64_t>(visible.width() * visible.height());
        // Each piece of a dashed outline is stroked on its own, wherever it lies.
        if (dashed) cost += static_cast<int64_t>((b.width() + b.height()) * static_cast<double>(elements));
    }
    budget_ -= cost;
    if (budget_ < 0) throw PlaybackLimit{};
    return true;
}

QPen MetafileDC::MakePen() const {
    const MetaPen& p = state_.pen;
    uint32_t style = p.style & 0xF;
    if (style == 5) return QPen(Qt::NoPen);
    QPen pen(p.color);
    bool cosmetic = p.width <= 1;
    pen.setCosmetic(cosmetic);
    pen.setWidthF(cosmetic ? 1 : std::min(p.width, kMaxPenWidth));
    switch (p.style & 0xF00) {
        case 0x100: pen.setCapStyle(Qt::SquareCap); break;
        case 0x200: pen.setCapStyle(Qt::FlatCap); break;
        default: pen.setCapStyle(Qt::RoundCap); break;
    }
    switch (p.style & 0xF000) {
        case 0x1000: pen.setJoinStyle(Qt::BevelJoin); break;
        case 0x2000:
            pen.setJoinStyle(Qt::MiterJoin);
            pen.setMiterLimit(state_.miterLimit);
            break;
        default: pen.setJoinStyle(Qt::RoundJoin); break;
    }
    switch (style) {
        case 1: pen.setStyle(Qt::DashLine); break;
        case 2: case 8: pen.setStyle(Qt::DotLine); break;
        case 3: pen.setStyle(Qt::DashDotLine); break;
        case 4: pen.setStyle(Qt::DashDotDotLine); break;
        case 7: {
            QList<qreal> pattern;
            double unit = cosmetic ? 1 : p.width;
            for (double d : p.dashes) pattern.append(std::max(d / unit, 0.1));
            if (pattern.size() % 2) pattern.append(pattern.back());
            if (!pattern.isEmpty()) pen.setDashPattern(pattern);
            break;
        }
        default: break;
    }
    return pen;
}

QBrush MetafileDC::MakeBrush(const MetaBrush& b) const {
    switch (b.kind) {
        case MetaBrush::Kind::Null: return QBrush(Qt::NoBrush);
        case MetaBrush::Kind::Solid: return QBrush(b.color);
        case MetaBrush::Kind::Pattern:
            return b.pattern.isNull() ? QBrush(b.color) : QBrush(b.pattern);
        case MetaBrush::Kind::Hatched: {
            static constexpr Qt::BrushStyle kHatches[] = {Qt::HorPattern, Qt::VerPattern, Qt::FDiagPattern,
                                                          Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
            return QBrush(b.color, b.hatch >= 0 && b.hatch < 6 ? kHatches[b.hatch] : Qt::SolidPattern);
        }
    }
    return QBrush();
}

bool MetafileDC::Rop2Mode() {
    switch (state_.rop2) {
        case 11: return false;  // no operation
        case 6: painter_.setCompositionMode(QPainter::RasterOp_NotDestination); break;
        case 7: painter_.setCompositionMode(QPainter::RasterOp_SourceXorDestination); break;
        case 9: painter_.setCompositionMode(QPainter::RasterOp_SourceAndDestination); break;
        case 15: painter_.setCompositionMode(QPainter::RasterOp_SourceOrDestination); break;
        default: painter_.setCompositionMode(QPainter::CompositionMode_SourceOver); break;
    }
    return true;
}

void MetafileDC::Shape(const QPainterPath& path, bool fill, bool stroke) {
    if (inPath_) {
        path_.addPath(path);
        return;
    }
    Paint(path, fill, stroke);
}

void MetafileDC::Paint(const QPainterPath& path, bool fill, bool stroke) {
    if (path.isEmpty()) return;
    QTransform t = Full();
    if (!Usable(t)) return;
    QPen pen = stroke ? MakePen() : QPen(Qt::NoPen);
    bool brushed = fill && state_.brush.kind != MetaBrush::Kind::Null;
    if (pen.style() == Qt::NoPen && !brushed) return;
    QRectF bounds = t.mapRect(path.controlPointRect());
    bool wide = pen.style() != Qt::NoPen && !pen.isCosmetic();
    double scale = std::max(std::hypot(t.m11(), t.m12()), std::hypot(t.m21(), t.m22()));
    if (wide) {
        // A wide pen paints well outside the outline.
        double reach = pen.widthF() * scale;
        if (!std::isfinite(reach)) return;
        bounds.adjust(-reach, -reach, reach, reach);
    }
    bool dashed = pen.style() != Qt::SolidLine && pen.style() != Qt::NoPen;
    if (!Charge(bounds, path.elementCount(), dashed)) return;
    if (!Rop2Mode()) return;
    QPainterPath shape = path;
    shape.setFillRule(state_.polyFillMode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
    painter_.setTransform(t * base_);
    QBrush brush = brushed ? MakeBrush(state_.brush) : QBrush(Qt::NoBrush);
    QRectF near = QRectF(area_).adjusted(-kFarReach, -kFarReach, kFarReach, kFarReach);
    if (near.contains(bounds)) {
        if (brushed && state_.brush.kind == MetaBrush::Kind::Hatched && state_.bkMode == 2) {
            painter_.setPen(Qt::NoPen);
            painter_.setBrush(state_.bkColor);
            painter_.drawPath(shape);
        }
        painter_.setPen(pen);
        painter_.setBrush(brush);
        painter_.drawPath(shape);
        return;
    }
    // The rasteriser walks every device row a shape spans, drawn or not: a shape reaching far
    // beyond the picture is cut down to it first, its fill and a wide pen's outline alike.
    QRectF window = QRectF(area_).adjusted(-2, -2, 2, 2);
    painter_.setPen(Qt::NoPen);
    if (brushed) {
        QPainterPath inside = ClipToWindow(shape, t, window);
        if (state_.brush.kind == MetaBrush::Kind::Hatched && state_.bkMode == 2) {
            painter_.setBrush(state_.bkColor);
            painter_.drawPath(inside);
        }
        painter_.setBrush(brush);
        painter_.drawPath(inside);
    }
    if (wide) {
        QPainterPathStroker stroker(pen);
        stroker.setCurveThreshold(0.25 / scale);
        painter_.setBrush(pen.brush());
        painter_.drawPath(ClipToWindow(stroker.createStroke(shape), t, window));
    } else if (pen.style() != Qt::NoPen) {
        painter_.setPen(pen);
        painter_.setBrush(Qt::NoBrush);
        painter_.drawPath(shape);
    }
}

void MetafileDC::MoveTo(QPointF p) {
    state_.current = p;
    if (inPath_) path_.moveTo(p);
}

void MetafileDC::LineTo(QPointF p) {
    if (inPath_) {
        path_.lineTo(p);
    } else {
        QPainterPath line(state_.current);
        line.lineTo(p);
        Paint(line, false, true);
    }
    state_.current = p;
}

void MetafileDC::Polyline(const std::vector<QPointF>& pts) {
    if (pts.size() < 2) return;
    QPainterPath p(pts[0]);
    for (size_t i = 1; i < pts.size(); ++i) p.lineTo(pts[i]);
    if (inPath_) {
        path_.moveTo(pts[0]);
        path_.connectPath(p);
    } else {
        Paint(p, false, true);
    }
}

void MetafileDC::PolylineTo(const std::vector<QPointF>& pts) {
    if (pts.empty()) return;
    if (inPath_) {
        for (QPointF q : pts) path_.lineTo(q);
    } else {
        QPainterPath p(state_.current);
        for (QPointF q : pts) p.lineTo(q);
        Paint(p, false, true);
    }
    state_.current = pts.back();
}

void MetafileDC::PolyBezier(const std::vector<QPointF>& pts) {
    if (pts.size() < 4) return;
    QPainterPath p(pts[0]);
    for (size_t i = 1; i + 2 < pts.size(); i += 3) p.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
    if (inPath_) {
        path_.moveTo(pts[0]);
        path_.connectPath(p);
    } else {
        Paint(p, false, true);
    }
}

void MetafileDC::PolyBezierTo(const std::vector<QPointF>& pts) {
    if (pts.size() < 3) return;
    size_t used = pts.size() / 3 * 3;
    if (inPath_) {
        for (size_t i = 0; i < used; i += 3) path_.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
    } else {
        QPainterPath p(state_.current);
        for (size_t i = 0; i < used; i += 3) p.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
        Paint(p, false, true);
    }
    state_.current = pts[used - 1];
}

void MetafileDC::Polygon(const std::vector<QPointF>& pts) {
    if (pts.size() < 2) return;
    QPainterPath p;
    p.addPolygon(QPolygonF(QList<QPointF>(pts.begin(), pts.end())));
    p.closeSubpath();
    Shape(p, true, true);
}

void MetafileDC::PolyPolygon(const std::vector<std::vector<QPointF>>& polys) {
    QPainterPath p;
    for (const auto& pts : polys) {
        if (pts.size() < 2) continue;
        p.addPolygon(QPolygonF(QList<QPointF>(pts.begin(), pts.end())));
        p.closeSubpath();
    }
    Shape(p, true, true);
}

void MetafileDC::PolyPolyline(const std::vector<std::vector<QPointF>>& lines) {
    QPainterPath p;
    for (const auto& pts : lines) {
        if (pts.size() < 2) continue;
        p.moveTo(pts[0]);
        for (size_t i = 1; i < pts.size(); ++i) p.lineTo(pts[i]);
    }
    if (inPath_) path_.addPath(p);
    else Paint(p, false, true);
}

void MetafileDC::Rectangle(const QRectF& r) {
    QPainterPath p;
    p.addRect(r.normalized());
    Shape(p, true, true);
}

void MetafileDC::RoundRect(const QRectF& r, QSizeF corner) {
    QPainterPath p;
    p.addRoundedRect(r.normalized(), std::abs(corner.width()) / 2, std::abs(corner.height()) / 2);
    Shape(p, true, true);
}

void MetafileDC::Ellipse(const QRectF& r) {
    QPainterPath p;
    p.addEllipse(r.normalized());
    Shape(p, true, true);
}

void MetafileDC::Arc(ArcKind kind, const QRectF& rawBox, QPointF start, QPointF end) {
    QRectF box = rawBox.normalized();
    if (box.width() <= 0 || box.height() <= 0) return;
    double from = ArcAngle(box, start);
    double sweep = ArcAngle(box, end) - from;
    if (!std::isfinite(from) || !std::isfinite(sweep)) return;
    while (sweep <= 0) sweep += 360;
    while (sweep > 360) sweep -= 360;
    if (state_.arcDirection == 2) sweep -= 360;
    QPainterPath p;
    if (kind == ArcKind::Pie) {
        p.moveTo(box.center());
        p.arcTo(box, from, sweep);
        p.closeSubpath();
    } else {
        p.arcMoveTo(box, from);
        p.arcTo(box, from, sweep);
        if (kind == ArcKind::Chord) p.closeSubpath();
    }
    if (kind == ArcKind::ArcTo) {
        QPainterPath line(state_.current);
        line.lineTo(p.elementAt(0));
        line.connectPath(p);
        if (inPath_) path_.connectPath(line);
        else Paint(line, false, true);
        state_.current = p.currentPosition();
    } else if (kind == ArcKind::Arc) {
        if (inPath_) path_.addPath(p);
        else Paint(p, false, true);
    } else {
        Shape(p, true, true);
    }
}

void MetafileDC::AngleArc(QPointF center, double radius, double startAngle, double sweepAngle) {
    if (!Finite(center) || !std::isfinite(radius) || !std::isfinite(startAngle) || !std::isfinite(sweepAngle)) return;
    // Turns beyond the first draw nothing new; the arc still ends where the whole sweep ends.
    if (std::abs(sweepAngle) > 360) sweepAngle = std::copysign(360 + std::fmod(std::abs(sweepAngle), 360), sweepAngle);
    QRectF box(center.x() - radius, center.y() - radius, 2 * radius, 2 * radius);
    QPainterPath arc(state_.current);
    arc.arcTo(box, std::fmod(startAngle, 360), sweepAngle);
    if (inPath_) path_.connectPath(arc);
    else Paint(arc, false, true);
    state_.current = arc.currentPosition();
}

void MetafileDC::PolyDraw(const std::vector<QPointF>& pts, const std::vector<uint8_t>& kinds) {
    if (pts.size() != kinds.size() || pts.empty()) return;
    QPainterPath figure(state_.current);
    for (size_t i = 0; i < pts.size(); ++i) {
        switch (kinds[i] & ~1) {
            case 6: figure.moveTo(pts[i]); continue;
            case 2: figure.lineTo(pts[i]); break;
            case 4:
                if (i + 2 >= pts.size() || (kinds[i + 1] & ~1) != 4 || (kinds[i + 2] & ~1) != 4) return;
                figure.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
                i += 2;
                break;
            default: return;
        }
        if (kinds[i] & 1) figure.closeSubpath();
    }
    if (inPath_) path_.connectPath(figure);
    else Paint(figure, false, true);
    state_.current = pts.back();
}

void MetafileDC::ChargePixels(int64_t pixels) { Charge(QRectF(), pixels / 8, false); }

void MetafileDC::SetPixel(QPointF p, QColor c) {
    QTransform t = Full();
    if (!Usable(t)) return;
    QPointF d = t.map(p);
    if (!Charge(QRectF(d, QSizeF(1, 1)), 1, false)) return;
    painter_.setTransform(base_);
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_.fillRect(QRectF(std::floor(d.x()), std::floor(d.y()), 1, 1), c);
}

}  // namespace zavo::platform

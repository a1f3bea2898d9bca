#include "platform/pathclip.h"

#include <QPolygonF>

namespace zavo::platform {

namespace {

// One pass of polygon clipping against the half-plane where inside(p) holds; cross gives where an
// edge meets its border. The pieces added along the border keep the winding of every inside point.
template <typename Inside, typename Cross>
QPolygonF ClipHalf(const QPolygonF& polygon, Inside inside, Cross cross) {
    QPolygonF out;
    if (polygon.isEmpty()) return out;
    QPointF previous = polygon.back();
    bool previousIn = inside(previous);
    for (QPointF p : polygon) {
        bool in = inside(p);
        if (in != previousIn) out.append(cross(previous, p));
        if (in) out.append(p);
        previous = p;
        previousIn = in;
    }
    return out;
}

QPointF AtX(QPointF a, QPointF b, double x) { return QPointF(x, a.y() + (b.y() - a.y()) * (x - a.x()) / (b.x() - a.x())); }
QPointF AtY(QPointF a, QPointF b, double y) { return QPointF(a.x() + (b.x() - a.x()) * (y - a.y()) / (b.y() - a.y()), y); }

QPolygonF ClipPolygon(QPolygonF p, const QRectF& w) {
    double left = w.left(), right = w.right(), top = w.top(), bottom = w.bottom();
    p = ClipHalf(p, [&](QPointF q) { return q.x() >= left; }, [&](QPointF a, QPointF b) { return AtX(a, b, left); });
    p = ClipHalf(p, [&](QPointF q) { return q.x() <= right; }, [&](QPointF a, QPointF b) { return AtX(a, b, right); });
    p = ClipHalf(p, [&](QPointF q) { return q.y() >= top; }, [&](QPointF a, QPointF b) { return AtY(a, b, top); });
    return ClipHalf(p, [&](QPointF q) { return q.y() <= bottom; }, [&](QPointF a, QPointF b) { return AtY(a, b, bottom); });
}

}  // namespace

QPainterPath ClipToWindow(const QPainterPath& logical, const QTransform& toDevice, const QRectF& window) {
    QTransform back = toDevice.inverted();
    QPainterPath out;
    out.setFillRule(logical.fillRule());
    for (const QPolygonF& figure : logical.toSubpathPolygons(toDevice)) {
        QPolygonF cut = ClipPolygon(figure, window);
        if (cut.size() < 3) continue;
        out.addPolygon(back.map(cut));
        out.closeSubpath();
    }
    return out;
}

}  // namespace zavo::platform

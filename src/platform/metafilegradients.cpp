// Gradient fills of the metafile device context.
#include <QLinearGradient>
#include <algorithm>
#include <cmath>

#include "platform/metafiledc.h"

namespace zavo::platform {

void MetafileDC::GradientRects(const std::vector<GradientVertex>& vertices,
                               const std::vector<std::array<uint32_t, 2>>& rects, bool vertical) {
    QTransform t = Full();
    if (!Usable(t)) return;
    for (const auto& [upperLeft, lowerRight] : rects) {
        if (upperLeft >= vertices.size() || lowerRight >= vertices.size()) continue;
        const GradientVertex& a = vertices[upperLeft];
        const GradientVertex& b = vertices[lowerRight];
        QRectF r = QRectF(a.at, b.at).normalized();
        if (r.isEmpty() || !Charge(t.mapRect(r), 4, false)) continue;
        QLinearGradient shade(vertical ? QPointF(0, a.at.y()) : QPointF(a.at.x(), 0),
                              vertical ? QPointF(0, b.at.y()) : QPointF(b.at.x(), 0));
        shade.setColorAt(0, QColor(a.color));
        shade.setColorAt(1, QColor(b.color));
        painter_.setTransform(t * base_);
        painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter_.fillRect(r, shade);
    }
}

void MetafileDC::GradientTriangles(const std::vector<GradientVertex>& vertices,
                                   const std::vector<std::array<uint32_t, 3>>& triangles) {
    QTransform t = Full();
    if (!Usable(t)) return;
    for (const auto& corners : triangles) {
        if (corners[0] >= vertices.size() || corners[1] >= vertices.size() || corners[2] >= vertices.size()) continue;
        QPointF p[3];
        QRgb c[3];
        for (int i = 0; i < 3; ++i) {
            p[i] = t.map(vertices[corners[i]].at);
            c[i] = vertices[corners[i]].color;
        }
        double area = (p[1].x() - p[0].x()) * (p[2].y() - p[0].y()) - (p[2].x() - p[0].x()) * (p[1].y() - p[0].y());
        if (area == 0 || !std::isfinite(area)) continue;
        QRectF bounds = QPolygonF({p[0], p[1], p[2]}).boundingRect();
        if (!Charge(bounds, 4, false)) continue;
        QRect rect = bounds.toAlignedRect() & area_ & state_.clip.boundingRect();
        if (rect.isEmpty()) continue;
        QImage shade(rect.size(), QImage::Format_ARGB32_Premultiplied);
        if (shade.isNull()) continue;
        shade.fill(0);
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(shade.scanLine(y - rect.top()));
            for (int x = rect.left(); x <= rect.right(); ++x) {
                QPointF q(x + 0.5, y + 0.5);
                // Shares of each corner, from the areas of the triangles q makes with the other two.
                double w[3];
                for (int i = 0; i < 3; ++i) {
                    QPointF u = p[(i + 1) % 3], v = p[(i + 2) % 3];
                    w[i] = ((u.x() - q.x()) * (v.y() - q.y()) - (v.x() - q.x()) * (u.y() - q.y())) / area;
                }
                if (w[0] < 0 || w[1] < 0 || w[2] < 0) continue;
                auto mix = [&](int (*channel)(QRgb)) {
                    return std::clamp(static_cast<int>(std::lround(w[0] * channel(c[0]) + w[1] * channel(c[1]) +
                                                                   w[2] * channel(c[2]))), 0, 255);
                };
                row[x - rect.left()] = qRgb(mix(qRed), mix(qGreen), mix(qBlue));
            }
        }
        painter_.setTransform(base_);
        painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter_.drawImage(rect.topLeft(), shade);
    }
}

}  // namespace zavo::platform

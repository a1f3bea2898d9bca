// The drawing state that metafile records change (mapping, objects, colours, modes, clipping, the
// current position and path) and the drawing they do, on a QPainter. Both record players use it.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QTransform>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/metafileplayer.h"

namespace zavo::platform {

// A colour reference: red in the low byte, then green and blue.
inline QColor ColorFromRef(uint32_t ref) { return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF); }

// Text in a font's 8-bit character set (the Japanese code page for the default set).
QString DecodeAnsi(std::span<const uint8_t> bytes, int charSet);

// The part of the painter's device that dest covers.
QRect PlayArea(QPainter& painter, const MetafileRect& dest);

// dest as the area the picture is mapped onto: its right and bottom pixels are part of it.
QRectF PlayTarget(const MetafileRect& dest);

// Playback stops when a record would cost more drawing work than the whole picture deserves.
struct PlaybackLimit {};

struct MetaPen {
    uint32_t style = 0;  // line style in the low bits, end cap and join above
    double width = 0;    // logical units; 0 or 1 is one device pixel
    QColor color = Qt::black;
    std::vector<double> dashes;  // user style
};

struct MetaBrush {
    enum class Kind { Solid, Null, Hatched, Pattern } kind = Kind::Solid;
    QColor color = Qt::white;
    int hatch = 0;
    QImage pattern;
};

struct MetaFont {
    double height = 0;  // below 0: character height, above 0: cell height, 0: default
    int escapement = 0;  // tenths of a degree
    int weight = 0;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charSet = 1;
    QString face;
};

enum class MapMode { Text = 1, LoMetric, HiMetric, LoEnglish, HiEnglish, Twips, Isotropic, Anisotropic };

// Clip combination modes of region records.
enum class RegionMode { And = 1, Or, Xor, Diff, Copy };

class MetafileDC {
public:
    // outer maps reference-device units onto painter pixels; pixelsPerMm is the reference device's
    // resolution, for the metric mapping modes. Drawing stays inside area (painter pixels).
    MetafileDC(QPainter& painter, const QTransform& outer, QSizeF pixelsPerMm, const QRect& area);
    ~MetafileDC();
    MetafileDC(const MetafileDC&) = delete;
    MetafileDC& operator=(const MetafileDC&) = delete;

    // A Windows metafile maps its window straight onto the picture: mapping modes and viewport
    // records do not apply.
    void FixWindowMapping(QRectF window, QRectF viewport);

    void SetMapMode(int mode);
    void SetWindowOrg(QPointF p);
    void SetWindowExt(QSizeF s);
    void SetViewportOrg(QPointF p);
    void SetViewportExt(QSizeF s);
    void OffsetWindowOrg(QPointF d) { SetWindowOrg(state_.windowOrg + d); }
    void ScaleWindowExt(double xNum, double xDenom, double yNum, double yDenom);
    void ScaleViewportExt(double xNum, double xDenom, double yNum, double yDenom);
    void SetWorldTransform(const QTransform& t);
    void ModifyWorldTransform(const QTransform& t, int mode);

    void SetTextColor(QColor c) { state_.textColor = c; }
    QColor TextColor() const { return state_.textColor; }
    void SetBkColor(QColor c) { state_.bkColor = c; }
    QColor BkColor() const { return state_.bkColor; }
    void SetBkMode(int mode) { state_.bkMode = mode; }
    void SetPolyFillMode(int mode) { state_.polyFillMode = mode; }
    void SetRop2(int rop) { state_.rop2 = rop; }
    void SetTextAlign(uint32_t align) { state_.textAlign = align; }
    void SetStretchMode(int mode) { state_.stretchMode = mode; }
    void SetArcDirection(int dir) { state_.arcDirection = dir; }
    void SetMiterLimit(double limit) { state_.miterLimit = limit; }

    void SelectPen(const MetaPen& pen) { state_.pen = pen; }
    void SelectBrush(const MetaBrush& brush) { state_.brush = brush; }
    void SelectFont(const MetaFont& font) { state_.font = font; }

    void SaveDC();
    void RestoreDC(int which);

    // Clipping. Rectangles are logical; region rectangles are in reference-device units.
    void IntersectClipRect(const QRectF& r);
    void ExcludeClipRect(const QRectF& r);
    void OffsetClip(QPointF logical);
    void SelectClipRegion(const std::vector<QRect>& deviceRects, RegionMode mode);
    void ResetClip();
    void SelectClipPath(RegionMode mode);

    // Paths.
    void BeginPath();
    void EndPath() { inPath_ = false; }
    void AbortPath();
    void CloseFigure();
    void FillPath();
    void StrokePath();
    void StrokeAndFillPath();

    // Lines and shapes; points are logical.
    QPointF Current() const { return state_.current; }
    void MoveTo(QPointF p);
    void LineTo(QPointF p);
    void Polyline(const std::vector<QPointF>& pts);
    void PolylineTo(const std::vector<QPointF>& pts);
    void PolyBezier(const std::vector<QPointF>& pts);
    void PolyBezierTo(const std::vector<QPointF>& pts);
    void Polygon(const std::vector<QPointF>& pts);
    void PolyPolygon(const std::vector<std::vector<QPointF>>& polys);
    void PolyPolyline(const std::vector<std::vector<QPointF>>& lines);
    void Rectangle(const QRectF& r);
    void RoundRect(const QRectF& r, QSizeF corner);
    void Ellipse(const QRectF& r);
    enum class ArcKind { Arc, Chord, Pie, ArcTo };
    void Arc(ArcKind kind, const QRectF& box, QPointF start, QPointF end);
    void SetPixel(QPointF p, QColor c);
    // A line from the current position to the start of the arc around center, then the arc;
    // angles in degrees, counter-clockwise as seen.
    void AngleArc(QPointF center, double radius, double startAngle, double sweepAngle);
    // Points with their kinds, 6 moving, 2 drawing a line, 4 one of three Bézier points; 1 added to a
    // line or the last Bézier point closes the figure. Nothing is drawn when a kind is none of these.
    void PolyDraw(const std::vector<QPointF>& pts, const std::vector<uint8_t>& kinds);

    // Colour gradients between vertices (logical points): rectangles from an upper-left to a
    // lower-right vertex, shaded across or down, or triangles shaded between their corners.
    struct GradientVertex {
        QPointF at;
        QRgb color;
    };
    void GradientRects(const std::vector<GradientVertex>& vertices, const std::vector<std::array<uint32_t, 2>>& rects,
                       bool vertical);
    void GradientTriangles(const std::vector<GradientVertex>& vertices,
                           const std::vector<std::array<uint32_t, 3>>& triangles);

    // Charges the work of decoding a bitmap of this many pixels.
    void ChargePixels(int64_t pixels);

    // Text at a logical reference point, aligned by the text alignment; dx are the logical advances
    // of each character when given. options: 2 opaque (fill rect), 4 clipped (to rect).
    void Text(QPointF ref, const QString& text, const std::vector<double>& dx, uint32_t options,
              const std::optional<QRectF>& rect);

    // Bitmaps. Source rectangles are in bitmap pixels, destinations logical (sizes may be negative).
    // Raster operations are the ternary ones (their index in bits 16 to 23), applied exactly with the
    // brush as the pattern (a hatch's gaps in the background colour) and bitmap pixels taken nearest;
    // a straight copy is painted smoothly in half-tone stretch mode. Transparent bitmap pixels leave
    // the target as it is.
    // A bitmap stretched from src into dst.
    void DrawImage(const QRectF& dst, const QImage& image, const QRectF& src, uint32_t rop);
    // A bitmap blended over what is there, with its own alpha (when it has one) and a constant one.
    void BlendImage(const QRectF& dst, const QImage& image, const QRectF& src, double opacity);
    // A rectangle painted with the brush and a raster operation that uses no source.
    void PatBlt(const QRectF& dst, uint32_t rop);
    // dst's size of the bitmap (when there is one) from srcAt, with the foreground raster operation
    // (bits 16 to 23 of rop4) where the mask is white and the background one (bits 24 to 31)
    // elsewhere; maskAt is the mask pixel matching srcAt. Without a mask only the foreground applies.
    void MaskBlt(const QRectF& dst, const QImage* image, QPointF srcAt, const QImage* mask, QPointF maskAt,
                 uint32_t rop4);
    // src copied onto the parallelogram with these upper-left, upper-right and lower-left corners;
    // with a mask, only where it is white.
    void PlgBlt(const std::array<QPointF, 3>& corners, const QImage& image, const QRectF& src, const QImage* mask,
                QPointF maskAt);
    // A bitmap stretched from src into dst, leaving out its pixels of the transparent colour.
    void TransparentBlt(const QRectF& dst, const QImage& image, const QRectF& src, QRgb transparent);
    // A region (reference-device rectangles) filled with a brush.
    void FillRegion(const std::vector<QRect>& deviceRects, const MetaBrush& brush);

private:
    struct State {
        int mapMode = 1;
        QPointF windowOrg{0, 0};
        QSizeF windowExt{1, 1};
        QPointF viewportOrg{0, 0};
        QSizeF viewportExt{1, 1};
        QTransform world;
        MetaPen pen;
        MetaBrush brush;
        MetaFont font;
        QColor textColor = Qt::black;
        QColor bkColor = Qt::white;
        int bkMode = 2;
        int polyFillMode = 1;
        int rop2 = 13;
        uint32_t textAlign = 0;
        int stretchMode = 1;
        int arcDirection = 1;
        double miterLimit = 10;
        QPointF current{0, 0};
        QRegion clip;
    };

    QTransform Full() const;
    QTransform Page() const;
    bool Usable(const QTransform& t) const;
    void SetClip(const QRegion& r);
    QRect DeviceRect(const QRectF& logical) const;
    // Draws a shape (or adds it to the open path).
    void Shape(const QPainterPath& path, bool fill, bool stroke);
    void Paint(const QPainterPath& path, bool fill, bool stroke);
    // Charges drawing work against the budget; false when the shape lies where nothing can be drawn.
    bool Charge(const QRectF& deviceBounds, int64_t elements, bool dashed);
    bool Rop2Mode();
    QPen MakePen() const;
    // local maps the extent of src, placed at the origin, to logical units.
    void Place(const QTransform& local, const QImage& image, const QRectF& src, QPainter::CompositionMode mode,
               double opacity);
    struct BlitOp {
        const QImage* source = nullptr;  // none: the operations use no source
        QRectF from;                     // source pixels, or the extent to cover
        const QImage* mask = nullptr;
        QPointF maskAt;
        uint8_t fore = 0xCC;
        uint8_t back = 0xCC;
        std::optional<QRgb> transparent;
    };
    // Raster operations computed pixel by pixel on the painter's image; local as for Place.
    void Blit(const QTransform& local, const BlitOp& op);
    // The painter's image when its pixels can be read, with the device position of picture pixel 0,0.
    QImage* DeviceImage(QPoint& offset) const;
    uint32_t BrushPixel(int x, int y) const;
    QBrush MakeBrush(const MetaBrush& b) const;
    QFont MakeFont(double pixelHeight) const;

    QPainter& painter_;
    QTransform base_;  // the painter's own, from picture pixels to its device
    QTransform outer_;
    QSizeF pixelsPerMm_;
    QRect area_;
    bool fixedMapping_ = false;
    State state_;
    std::vector<State> saved_;
    QPainterPath path_;
    bool inPath_ = false;
    int64_t budget_ = 0;
};

}  // namespace zavo::platform

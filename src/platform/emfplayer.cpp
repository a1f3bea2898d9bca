// Enhanced metafile records.
#include <variant>
#include <vector>

#include "platform/metafilebitmaps.h"
#include "platform/metafiledc.h"
#include "platform/metafilepainter.h"
#include "platform/recordreader.h"

namespace zavo::platform {

namespace {

constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr uint32_t kStockObject = 0x80000000;
// Handle indices beyond the header's count are still accepted up to this many.
constexpr size_t kMaxHandles = 65536;

using EmfObject = std::variant<std::monostate, MetaPen, MetaBrush, MetaFont>;

MetafileRect ReadRect(RecordReader& r) {
    MetafileRect rect;
    rect.left = r.I32();
    rect.top = r.I32();
    rect.right = r.I32();
    rect.bottom = r.I32();
    return rect;
}

QRectF LogicalRect(RecordReader& r) {
    MetafileRect m = ReadRect(r);
    return QRectF(QPointF(m.left, m.top), QPointF(m.right, m.bottom));
}

QTransform ReadXform(RecordReader& r) {
    double m11 = r.F32(), m12 = r.F32(), m21 = r.F32(), m22 = r.F32(), dx = r.F32(), dy = r.F32();
    return QTransform(m11, m12, m21, m22, dx, dy);
}

class EmfPlayer {
public:
    EmfPlayer(MetafileDC& dc, std::span<const uint8_t> data, const EnhancedHeader& header)
        : dc_(dc), data_(data), objects_(std::max<size_t>(header.handleCount, 1)) {}

    void Run() {
        uint64_t offset = 0;
        while (data_.size() - offset >= 8) {
            RecordReader head(data_.subspan(offset, 8));
            uint32_t type = head.U32();
            uint32_t size = head.U32();
            if (size < 8 || size > data_.size() - offset) throw MalformedRecord{};
            RecordReader r(data_.subspan(offset, size));
            r.Seek(8);
            if (type == static_cast<uint32_t>(EmfRecord::Eof)) return;
            Record(static_cast<EmfRecord>(type), r);
            offset += size;
        }
    }

private:
    std::vector<QPointF> Points(RecordReader& r, uint32_t count, bool small) {
        if (count > r.Remaining() / (small ? 4 : 8)) throw MalformedRecord{};
        std::vector<QPointF> pts;
        pts.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            if (small) {
                double x = r.I16();
                pts.emplace_back(x, r.I16());
            } else {
                double x = r.I32();
                pts.emplace_back(x, r.I32());
            }
        }
        return pts;
    }

    void Poly(EmfRecord type, RecordReader& r, bool small) {
        r.Skip(16);  // bounds
        std::vector<QPointF> pts = Points(r, r.U32(), small);
        switch (type) {
            case EmfRecord::PolyBezier: dc_.PolyBezier(pts); break;
            case EmfRecord::Polygon: dc_.Polygon(pts); break;
            case EmfRecord::Polyline: dc_.Polyline(pts); break;
            case EmfRecord::PolyBezierTo: dc_.PolyBezierTo(pts); break;
            case EmfRecord::PolylineTo: dc_.PolylineTo(pts); break;
            default: break;
        }
    }

    void PolyPoly(bool polygon, RecordReader& r, bool small) {
        r.Skip(16);
        uint32_t polys = r.U32();
        uint32_t total = r.U32();
        if (polys > r.Remaining() / 4) throw MalformedRecord{};
        std::vector<uint32_t> counts(polys);
        uint64_t sum = 0;
        for (uint32_t& c : counts) {
            c = r.U32();
            sum += c;
        }
        if (sum > total) throw MalformedRecord{};
        std::vector<QPointF> all = Points(r, total, small);
        std::vector<std::vector<QPointF>> groups;
        groups.reserve(polys);
        size_t at = 0;
        for (uint32_t c : counts) {
            groups.emplace_back(all.begin() + at, all.begin() + at + c);
            at += c;
        }
        if (polygon) dc_.PolyPolygon(groups);
        else dc_.PolyPolyline(groups);
    }

    EmfObject* Slot(uint32_t index) {
        if (index == 0 || index >= kMaxHandles) return nullptr;
        if (index >= objects_.size()) objects_.resize(index + 1);
        return &objects_[index];
    }

    void SelectStock(uint32_t which) {
        MetaBrush brush;
        MetaPen pen;
        switch (which) {
            case 0: brush.color = Qt::white; dc_.SelectBrush(brush); break;
            case 1: brush.color = QColor(192, 192, 192); dc_.SelectBrush(brush); break;
            case 2: brush.color = QColor(128, 128, 128); dc_.SelectBrush(brush); break;
            case 3: brush.color = QColor(64, 64, 64); dc_.SelectBrush(brush); break;
            case 4: brush.color = Qt::black; dc_.SelectBrush(brush); break;
            case 5: brush.kind = MetaBrush::Kind::Null; dc_.SelectBrush(brush); break;
            case 6: pen.color = Qt::white; dc_.SelectPen(pen); break;
            case 7: dc_.SelectPen(pen); break;
            case 8: pen.style = 5; dc_.SelectPen(pen); break;
            case 10: case 11: case 12: case 13: case 14: case 16: case 17: dc_.SelectFont(MetaFont()); break;
            default: break;
        }
    }

    void Select(uint32_t index) {
        if (index & kStockObject) {
            SelectStock(index & ~kStockObject);
            return;
        }
        if (index >= objects_.size()) return;
        const EmfObject& o = objects_[index];
        if (auto* pen = std::get_if<MetaPen>(&o)) dc_.SelectPen(*pen);
        else if (auto* brush = std::get_if<MetaBrush>(&o)) dc_.SelectBrush(*brush);
        else if (auto* font = std::get_if<MetaFont>(&o)) {
            dc_.SelectFont(*font);
            charSet_ = font->charSet;
        }
    }

    std::vector<QRect> Region(RecordReader& r, uint32_t bytes) {
        RecordReader g(r.Bytes(bytes));
        g.Skip(8);
        uint32_t count = g.U32();
        g.Skip(20);
        if (count > g.Remaining() / 16) throw MalformedRecord{};
        std::vector<QRect> rects;
        rects.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            MetafileRect m = ReadRect(g);
            if (m.right > m.left && m.bottom > m.top)
                rects.emplace_back(QPoint(m.left, m.top), QPoint(m.right - 1, m.bottom - 1));
        }
        return rects;
    }

    void CreatePen(RecordReader& r, bool extended) {
        EmfObject* slot = Slot(r.U32());
        MetaPen pen;
        if (extended) {
            r.Skip(16);  // bitmap offsets and sizes
            pen.style = r.U32();
            pen.width = r.U32();
            uint32_t brushStyle = r.U32();
            pen.color = ColorFromRef(r.U32());
            r.U32();
            uint32_t entries = r.U32();
            if ((pen.style & 0xF) == 7) {
                if (entries > r.Remaining() / 4) throw MalformedRecord{};
                for (uint32_t i = 0; i < entries && i < 16; ++i) pen.dashes.push_back(r.U32());
            }
            if (brushStyle == 1) pen.style = 5;
        } else {
            pen.style = r.U32();
            pen.width = r.I32();
            r.I32();
            pen.color = ColorFromRef(r.U32());
        }
        if (pen.width < 0) pen.width = 0;
        if (slot) *slot = pen;
    }

    void CreateBrush(RecordReader& r) {
        EmfObject* slot = Slot(r.U32());
        MetaBrush brush;
        uint32_t style = r.U32();
        brush.color = ColorFromRef(r.U32());
        brush.hatch = static_cast<int>(r.U32() & 0xFF);
        if (style == 1) brush.kind = MetaBrush::Kind::Null;
        else if (style == 2) brush.kind = MetaBrush::Kind::Hatched;
        if (slot) *slot = brush;
    }

    void CreatePatternBrush(RecordReader& r) {
        EmfObject* slot = Slot(r.U32());
        r.U32();  // colour usage
        uint32_t offInfo = r.U32(), infoBytes = r.U32(), offBits = r.U32(), bitsBytes = r.U32();
        MetaBrush brush;
        brush.kind = MetaBrush::Kind::Pattern;
        if (auto dib = RecordDib(dc_, r, offInfo, infoBytes, offBits, bitsBytes)) brush.pattern = dib->image;
        if (slot) *slot = brush;
    }

    void CreateFont(RecordReader& r) {
        EmfObject* slot = Slot(r.U32());
        MetaFont font;
        font.height = r.I32();
        r.I32();
        font.escapement = r.I32();
        r.I32();
        font.weight = r.I32();
        font.italic = r.U8();
        font.underline = r.U8();
        font.strikeOut = r.U8();
        font.charSet = r.U8();
        r.Skip(4);
        for (int i = 0; i < 32; ++i) {
            char16_t c = r.U16();
            if (c == 0) break;
            font.face.append(QChar(c));
        }
        if (slot) *slot = font;
    }

    void TextOut(RecordReader& r, bool wide) {
        r.Seek(36);
        double x = r.I32();
        QPointF ref(x, r.I32());
        uint32_t chars = r.U32();
        uint32_t offString = r.U32();
        uint32_t options = r.U32();
        QRectF rect = LogicalRect(r);
        uint32_t offDx = r.U32();
        QString text;
        if (wide) {
            if (chars > r.Size() / 2) throw MalformedRecord{};
            std::span<const uint8_t> bytes = r.BytesAt(offString, uint64_t{chars} * 2);
            for (uint32_t i = 0; i < chars; ++i) text.append(QChar(char16_t(bytes[2 * i] | bytes[2 * i + 1] << 8)));
        } else {
            std::span<const uint8_t> bytes = r.BytesAt(offString, chars);
            text = DecodeAnsi(bytes, charSet_);
        }
        std::vector<double> dx;
        int step = (options & 0x2000) ? 2 : 1;  // advances given with vertical ones
        if (offDx != 0 && uint64_t{chars} * 4 * step <= r.Size()) {
            std::span<const uint8_t> advances = r.BytesAt(offDx, uint64_t{chars} * 4 * step);
            RecordReader a(advances);
            for (uint32_t i = 0; i < chars; ++i) {
                dx.push_back(a.I32());
                if (step == 2) a.I32();
            }
        }
        std::optional<QRectF> clip;
        if (options & 6) clip = rect;
        dc_.Text(ref, text, dx, options, clip);
    }

    void AngleArc(RecordReader& r) {
        double x = r.I32(), y = r.I32();
        double radius = r.U32();
        double start = r.F32();
        dc_.AngleArc(QPointF(x, y), radius, start, r.F32());
    }

    void PolyDraw(RecordReader& r, bool small) {
        r.Skip(16);  // bounds
        uint32_t count = r.U32();
        std::vector<QPointF> pts = Points(r, count, small);
        std::span<const uint8_t> kinds = r.Bytes(count);
        dc_.PolyDraw(pts, std::vector<uint8_t>(kinds.begin(), kinds.end()));
    }

    void GradientFill(RecordReader& r) {
        r.Skip(16);  // bounds
        uint32_t vertexCount = r.U32(), pieceCount = r.U32(), mode = r.U32();
        if (vertexCount > r.Remaining() / 16) throw MalformedRecord{};
        std::vector<MetafileDC::GradientVertex> vertices(vertexCount);
        for (auto& v : vertices) {
            double x = r.I32(), y = r.I32();
            int red = r.U16() >> 8, green = r.U16() >> 8, blue = r.U16() >> 8;
            r.U16();  // alpha, which filling ignores
            v = {QPointF(x, y), qRgb(red, green, blue)};
        }
        if (mode == 2) {
            if (pieceCount > r.Remaining() / 12) throw MalformedRecord{};
            std::vector<std::array<uint32_t, 3>> triangles(pieceCount);
            for (auto& t : triangles) t = {r.U32(), r.U32(), r.U32()};
            dc_.GradientTriangles(vertices, triangles);
        } else if (mode <= 1) {
            if (pieceCount > r.Remaining() / 8) throw MalformedRecord{};
            std::vector<std::array<uint32_t, 2>> rects(pieceCount);
            for (auto& q : rects) q = {r.U32(), r.U32()};
            dc_.GradientRects(vertices, rects, mode == 1);
        }
    }

    void Record(EmfRecord type, RecordReader& r) {
        switch (type) {
            case EmfRecord::PolyBezier: case EmfRecord::Polygon: case EmfRecord::Polyline: case EmfRecord::PolyBezierTo:
            case EmfRecord::PolylineTo:
                Poly(type, r, false);
                break;
            case EmfRecord::PolyBezier16: Poly(EmfRecord::PolyBezier, r, true); break;
            case EmfRecord::Polygon16: Poly(EmfRecord::Polygon, r, true); break;
            case EmfRecord::Polyline16: Poly(EmfRecord::Polyline, r, true); break;
            case EmfRecord::PolyBezierTo16: Poly(EmfRecord::PolyBezierTo, r, true); break;
            case EmfRecord::PolylineTo16: Poly(EmfRecord::PolylineTo, r, true); break;
            case EmfRecord::PolyPolyline: PolyPoly(false, r, false); break;
            case EmfRecord::PolyPolygon: PolyPoly(true, r, false); break;
            case EmfRecord::PolyPolyline16: PolyPoly(false, r, true); break;
            case EmfRecord::PolyPolygon16: PolyPoly(true, r, true); break;
            case EmfRecord::SetWindowExtEx: { double w = r.I32(); dc_.SetWindowExt(QSizeF(w, r.I32())); break; }
            case EmfRecord::SetWindowOrgEx: { double x = r.I32(); dc_.SetWindowOrg(QPointF(x, r.I32())); break; }
            case EmfRecord::SetViewportExtEx: { double w = r.I32(); dc_.SetViewportExt(QSizeF(w, r.I32())); break; }
            case EmfRecord::SetViewportOrgEx: { double x = r.I32(); dc_.SetViewportOrg(QPointF(x, r.I32())); break; }
            case EmfRecord::SetPixelV: { double x = r.I32(); double y = r.I32(); dc_.SetPixel(QPointF(x, y), ColorFromRef(r.U32())); break; }
            case EmfRecord::SetMapMode: dc_.SetMapMode(r.I32()); break;
            case EmfRecord::SetBkMode: dc_.SetBkMode(r.I32()); break;
            case EmfRecord::SetPolyFillMode: dc_.SetPolyFillMode(r.I32()); break;
            case EmfRecord::SetRop2: dc_.SetRop2(r.I32()); break;
            case EmfRecord::SetStretchBltMode: dc_.SetStretchMode(r.I32()); break;
            case EmfRecord::SetTextAlign: dc_.SetTextAlign(r.U32()); break;
            case EmfRecord::SetTextColor: dc_.SetTextColor(ColorFromRef(r.U32())); break;
            case EmfRecord::SetBkColor: dc_.SetBkColor(ColorFromRef(r.U32())); break;
            case EmfRecord::OffsetClipRgn: { double x = r.I32(); dc_.OffsetClip(QPointF(x, r.I32())); break; }
            case EmfRecord::MoveToEx: { double x = r.I32(); dc_.MoveTo(QPointF(x, r.I32())); break; }
            case EmfRecord::ExcludeClipRect: dc_.ExcludeClipRect(LogicalRect(r)); break;
            case EmfRecord::IntersectClipRect: dc_.IntersectClipRect(LogicalRect(r)); break;
            case EmfRecord::ScaleViewportExtEx: case EmfRecord::ScaleWindowExtEx: {
                double xn = r.I32(), xd = r.I32(), yn = r.I32(), yd = r.I32();
                if (type == EmfRecord::ScaleViewportExtEx) dc_.ScaleViewportExt(xn, xd, yn, yd);
                else dc_.ScaleWindowExt(xn, xd, yn, yd);
                break;
            }
            case EmfRecord::SaveDc: dc_.SaveDC(); break;
            case EmfRecord::RestoreDc: dc_.RestoreDC(r.I32()); break;
            case EmfRecord::SetWorldTransform: dc_.SetWorldTransform(ReadXform(r)); break;
            case EmfRecord::ModifyWorldTransform: { QTransform t = ReadXform(r); dc_.ModifyWorldTransform(t, r.I32()); break; }
            case EmfRecord::SelectObject: Select(r.U32()); break;
            case EmfRecord::CreatePen: CreatePen(r, false); break;
            case EmfRecord::CreateBrushIndirect: CreateBrush(r); break;
            case EmfRecord::DeleteObject: if (EmfObject* o = Slot(r.U32())) *o = std::monostate(); break;
            case EmfRecord::Ellipse: dc_.Ellipse(LogicalRect(r)); break;
            case EmfRecord::Rectangle: dc_.Rectangle(LogicalRect(r)); break;
            case EmfRecord::RoundRect: { QRectF box = LogicalRect(r); double w = r.I32(); dc_.RoundRect(box, QSizeF(w, r.I32())); break; }
            case EmfRecord::Arc: case EmfRecord::Chord: case EmfRecord::Pie: case EmfRecord::ArcTo: {
                QRectF box = LogicalRect(r);
                double x1 = r.I32(), y1 = r.I32(), x2 = r.I32(), y2 = r.I32();
                auto kind = type == EmfRecord::Arc ? MetafileDC::ArcKind::Arc
                          : type == EmfRecord::Chord ? MetafileDC::ArcKind::Chord
                          : type == EmfRecord::Pie ? MetafileDC::ArcKind::Pie : MetafileDC::ArcKind::ArcTo;
                dc_.Arc(kind, box, QPointF(x1, y1), QPointF(x2, y2));
                break;
            }
            case EmfRecord::LineTo: { double x = r.I32(); dc_.LineTo(QPointF(x, r.I32())); break; }
            case EmfRecord::SetArcDirection: dc_.SetArcDirection(r.I32()); break;
            case EmfRecord::SetMiterLimit: dc_.SetMiterLimit(std::clamp<double>(r.U32(), 1, 100)); break;
            case EmfRecord::BeginPath: dc_.BeginPath(); break;
            case EmfRecord::EndPath: dc_.EndPath(); break;
            case EmfRecord::CloseFigure: dc_.CloseFigure(); break;
            case EmfRecord::FillPath: dc_.FillPath(); break;
            case EmfRecord::StrokeAndFillPath: dc_.StrokeAndFillPath(); break;
            case EmfRecord::StrokePath: dc_.StrokePath(); break;
            case EmfRecord::SelectClipPath: dc_.SelectClipPath(static_cast<RegionMode>(std::clamp<int32_t>(r.I32(), 1, 5))); break;
            case EmfRecord::AbortPath: dc_.AbortPath(); break;
            case EmfRecord::FillRgn: {
                r.Skip(16);
                uint32_t bytes = r.U32();
                uint32_t brushIndex = r.U32();
                std::vector<QRect> rects = Region(r, bytes);
                if (brushIndex < objects_.size())
                    if (auto* b = std::get_if<MetaBrush>(&objects_[brushIndex])) dc_.FillRegion(rects, *b);
                break;
            }
            case EmfRecord::ExtSelectClipRgn: {
                uint32_t bytes = r.U32();
                auto mode = static_cast<RegionMode>(std::clamp<int32_t>(r.I32(), 1, 5));
                if (bytes == 0 && mode == RegionMode::Copy) dc_.ResetClip();
                else if (bytes != 0) dc_.SelectClipRegion(Region(r, bytes), mode);
                break;
            }
            case EmfRecord::ExtCreateFontIndirectW: CreateFont(r); break;
            case EmfRecord::ExtTextOutA: TextOut(r, false); break;
            case EmfRecord::ExtTextOutW: TextOut(r, true); break;
            case EmfRecord::CreateMonoBrush: case EmfRecord::CreateDibPatternBrushPt: CreatePatternBrush(r); break;
            case EmfRecord::ExtCreatePen: CreatePen(r, true); break;
            case EmfRecord::AngleArc: AngleArc(r); break;
            case EmfRecord::PolyDraw: PolyDraw(r, false); break;
            case EmfRecord::PolyDraw16: PolyDraw(r, true); break;
            case EmfRecord::GradientFill: GradientFill(r); break;
            case EmfRecord::BitBlt: case EmfRecord::StretchBlt: case EmfRecord::MaskBlt: case EmfRecord::PlgBlt:
            case EmfRecord::SetDiBitsToDevice: case EmfRecord::StretchDiBits: case EmfRecord::AlphaBlend:
            case EmfRecord::TransparentBlt:
                PlayEnhancedBitmapRecord(type, dc_, r);
                break;
            default: break;  // records without visible effect here, or unknown ones
        }
    }

    MetafileDC& dc_;
    std::span<const uint8_t> data_;
    std::vector<EmfObject> objects_;
    int charSet_ = 1;
};

}  // namespace

std::optional<EnhancedHeader> ReadEnhancedHeader(std::span<const uint8_t> data) {
    try {
        RecordReader r(data);
        if (r.U32() != static_cast<uint32_t>(EmfRecord::Header)) return std::nullopt;
        uint32_t size = r.U32();
        EnhancedHeader h;
        h.bounds = ReadRect(r);
        h.frame = ReadRect(r);
        if (r.U32() != kEmfSignature) return std::nullopt;
        r.U32();  // version
        h.totalBytes = r.U32();
        h.recordCount = r.U32();
        h.handleCount = r.U16();
        r.U16();
        r.U32();  // description length
        r.U32();  // description offset
        h.paletteEntries = r.U32();
        h.deviceWidth = r.I32();
        h.deviceHeight = r.I32();
        h.millimetersWidth = r.I32();
        h.millimetersHeight = r.I32();
        if (size < 88 || size > data.size()) return std::nullopt;
        if (h.deviceWidth <= 0 || h.deviceHeight <= 0 || h.millimetersWidth <= 0 || h.millimetersHeight <= 0)
            return std::nullopt;
        return h;
    } catch (const MalformedRecord&) {
        return std::nullopt;
    }
}

void PlayEnhancedMetafile(QPainter& painter, const MetafileRect& dest, std::span<const uint8_t> data) {
    std::optional<EnhancedHeader> header = ReadEnhancedHeader(data);
    QRect area = PlayArea(painter, dest);
    if (!header || area.isEmpty()) return;
    QSizeF pixelsPerMm(double(header->deviceWidth) / header->millimetersWidth,
                       double(header->deviceHeight) / header->millimetersHeight);
    // The frame, in reference-device pixels, is what maps onto the destination.
    QRectF frame(QPointF(header->frame.left * pixelsPerMm.width() / 100, header->frame.top * pixelsPerMm.height() / 100),
                 QPointF(header->frame.right * pixelsPerMm.width() / 100, header->frame.bottom * pixelsPerMm.height() / 100));
    if (frame.width() == 0 || frame.height() == 0) return;
    QRectF target = PlayTarget(dest);
    double sx = target.width() / frame.width();
    double sy = target.height() / frame.height();
    QTransform outer(sx, 0, 0, sy, target.left() - frame.left() * sx, target.top() - frame.top() * sy);
    MetafileDC dc(painter, outer, pixelsPerMm, area);
    try {
        EmfPlayer(dc, data, *header).Run();
    } catch (const MalformedRecord&) {
    } catch (const PlaybackLimit&) {
    }
}

}  // namespace zavo::platform

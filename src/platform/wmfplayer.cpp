// Windows metafile records (behind the placeable header).
#include <variant>
#include <vector>

#include "platform/metafilebitmaps.h"
#include "platform/metafiledc.h"
#include "platform/metafilepainter.h"
#include "platform/metafilerecords.h"
#include "platform/recordreader.h"

namespace zavo::platform {

namespace {

constexpr size_t kHeaderBytes = 18;

// Objects the player does not draw with (palettes, regions, old-style bitmaps) still take a slot.
struct OtherObject {};
using WmfObject = std::variant<std::monostate, MetaPen, MetaBrush, MetaFont, OtherObject>;

class WmfPlayer {
public:
    WmfPlayer(MetafileDC& dc, std::span<const uint8_t> data, size_t objectCount)
        : dc_(dc), data_(data), objects_(objectCount) {}

    void Run() {
        uint64_t offset = kHeaderBytes;
        while (data_.size() - offset >= 6) {
            RecordReader head(data_.subspan(offset, 6));
            uint64_t size = uint64_t{head.U32()} * 2;
            uint16_t function = head.U16();
            if (size < 6 || size > data_.size() - offset) throw MalformedRecord{};
            if (function == static_cast<uint16_t>(WmfRecord::Eof)) return;
            RecordReader r(data_.subspan(offset, size));
            r.Seek(6);
            Record(static_cast<WmfRecord>(function), r, size / 2);
            offset += size;
        }
    }

private:
    static QPointF YX(RecordReader& r) {
        double y = r.I16();
        return QPointF(r.I16(), y);
    }
    // Rectangles come as bottom, right, top, left.
    static QRectF BottomRightTopLeft(RecordReader& r) {
        double bottom = r.I16(), right = r.I16(), top = r.I16(), left = r.I16();
        return QRectF(QPointF(left, top), QPointF(right, bottom));
    }

    std::vector<QPointF> Points(RecordReader& r, uint32_t count) {
        if (count > r.Remaining() / 4) throw MalformedRecord{};
        std::vector<QPointF> pts;
        pts.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            double x = r.I16();
            pts.emplace_back(x, r.I16());
        }
        return pts;
    }

    void Add(const WmfObject& object) {
        for (WmfObject& slot : objects_) {
            if (std::holds_alternative<std::monostate>(slot)) {
                slot = object;
                return;
            }
        }
    }

    void Select(uint16_t index) {
        if (index >= objects_.size()) return;
        const WmfObject& o = objects_[index];
        if (auto* pen = std::get_if<MetaPen>(&o)) dc_.SelectPen(*pen);
        else if (auto* brush = std::get_if<MetaBrush>(&o)) dc_.SelectBrush(*brush);
        else if (auto* font = std::get_if<MetaFont>(&o)) {
            dc_.SelectFont(*font);
            charSet_ = font->charSet;
        }
    }

    void CreateFont(RecordReader& r) {
        MetaFont font;
        font.height = r.I16();
        r.I16();
        font.escapement = r.I16();
        r.I16();
        font.weight = r.I16();
        font.italic = r.U8();
        font.underline = r.U8();
        font.strikeOut = r.U8();
        font.charSet = r.U8();
        r.Skip(4);
        QByteArray face;
        while (r.Remaining() > 0 && face.size() < 32) {
            uint8_t c = r.U8();
            if (c == 0) break;
            face.append(static_cast<char>(c));
        }
        font.face = DecodeAnsi(std::span(reinterpret_cast<const uint8_t*>(face.constData()), face.size()), font.charSet);
        Add(font);
    }

    void ExtTextOut(RecordReader& r) {
        QPointF ref = YX(r);
        int16_t count = r.I16();
        uint16_t options = r.U16();
        std::optional<QRectF> rect;
        if (options & 6) {
            double left = r.I16(), top = r.I16(), right = r.I16(), bottom = r.I16();
            rect = QRectF(QPointF(left, top), QPointF(right, bottom));
        }
        if (count <= 0) return;
        std::span<const uint8_t> bytes = r.Bytes(count);
        r.Skip(std::min<uint64_t>(count & 1, r.Remaining()));
        QString text = DecodeAnsi(bytes, charSet_);
        std::vector<double> dx;
        if (r.Remaining() >= uint64_t(count) * 2 && text.size() == count) {
            for (int i = 0; i < count; ++i) dx.push_back(r.I16());
        }
        dc_.Text(ref, text, dx, options, rect);
    }

    // Bit-block and stretch transfers, with a device-independent bitmap or an old device-dependent
    // one, or without a bitmap: then the record has only its fixed words.
    void Blt(WmfRecord function, RecordReader& r, uint64_t words) {
        uint32_t rop = r.U32();
        bool stretch = function == WmfRecord::DibStretchBlt || function == WmfRecord::StretchBlt;
        bool withBitmap = words != static_cast<uint64_t>(static_cast<uint16_t>(function) >> 8) + 3;
        double sh = 0, sw = 0;
        if (stretch) {
            sh = r.I16();
            sw = r.I16();
        }
        double sy = r.I16(), sx = r.I16();
        if (!withBitmap) r.I16();
        double h = r.I16(), w = r.I16();
        QPointF at = YX(r);
        if (!stretch) {
            sh = h;
            sw = w;
        }
        QRectF dst(at.x(), at.y(), w, h);
        if (!withBitmap) {
            dc_.PatBlt(dst, rop);
            return;
        }
        std::span<const uint8_t> bitmap = r.Bytes(r.Remaining());
        QImage image;
        if (function == WmfRecord::BitBlt || function == WmfRecord::StretchBlt) {
            try {
                image = DecodeBitmap16(bitmap, dc_.TextColor().rgb(), dc_.BkColor().rgb(),
                                       [this](int64_t pixels) { dc_.ChargePixels(pixels); });
            } catch (const MalformedRecord&) {
                return;
            }
        } else if (auto dib = RecordPackedDib(dc_, bitmap)) {
            image = dib->image;
        } else {
            return;
        }
        QRectF src = QRectF(sx, sy, sw, sh).intersected(QRectF(image.rect()));
        if (src.isEmpty()) src = image.rect();
        dc_.DrawImage(dst, image, src, rop);
    }

    void StretchDib(RecordReader& r) {
        uint32_t rop = r.U32();
        r.U16();  // colour usage
        double sh = r.I16(), sw = r.I16(), sy = r.I16(), sx = r.I16();
        double h = r.I16(), w = r.I16();
        QPointF at = YX(r);
        if (auto dib = RecordPackedDib(dc_, r.Bytes(r.Remaining())))
            dc_.DrawImage(QRectF(at.x(), at.y(), w, h), dib->image, SourceRows(*dib, QRectF(sx, sy, sw, sh)), rop);
    }

    void SetDibToDevice(RecordReader& r) {
        r.U16();  // colour usage
        uint16_t scans = r.U16(), startScan = r.U16();
        double sy = r.I16(), sx = r.I16(), h = r.I16(), w = r.I16();
        QPointF at = YX(r);
        std::span<const uint8_t> packed = r.Bytes(r.Remaining());
        size_t infoBytes = 0;
        try {
            infoBytes = PackedInfoBytes(packed);
        } catch (const MalformedRecord&) {
            return;
        }
        DibitsToDevice(dc_, at, QRectF(sx, sy, w, h), packed.first(infoBytes), packed.subspan(infoBytes), startScan,
                       scans);
    }

    void Record(WmfRecord function, RecordReader& r, uint64_t words) {
        switch (function) {
            case WmfRecord::SaveDc: dc_.SaveDC(); break;
            case WmfRecord::RestoreDc: dc_.RestoreDC(r.I16()); break;
            case WmfRecord::SetBkMode: dc_.SetBkMode(r.U16()); break;
            case WmfRecord::SetRop2: dc_.SetRop2(r.U16()); break;
            case WmfRecord::SetPolyFillMode: dc_.SetPolyFillMode(r.U16()); break;
            case WmfRecord::SetStretchBltMode: dc_.SetStretchMode(r.U16()); break;
            case WmfRecord::SetTextAlign: dc_.SetTextAlign(r.U16()); break;
            case WmfRecord::SetBkColor: dc_.SetBkColor(ColorFromRef(r.U32())); break;
            case WmfRecord::SetTextColor: dc_.SetTextColor(ColorFromRef(r.U32())); break;
            case WmfRecord::SetWindowOrg: dc_.SetWindowOrg(YX(r)); break;
            case WmfRecord::SetWindowExt: { QPointF e = YX(r); dc_.SetWindowExt(QSizeF(e.x(), e.y())); break; }
            case WmfRecord::OffsetWindowOrg: dc_.OffsetWindowOrg(YX(r)); break;
            case WmfRecord::ScaleWindowExt: {
                double yd = r.I16(), yn = r.I16(), xd = r.I16(), xn = r.I16();
                dc_.ScaleWindowExt(xn, xd, yn, yd);
                break;
            }
            case WmfRecord::LineTo: dc_.LineTo(YX(r)); break;
            case WmfRecord::MoveTo: dc_.MoveTo(YX(r)); break;
            case WmfRecord::ExcludeClipRect: dc_.ExcludeClipRect(BottomRightTopLeft(r)); break;
            case WmfRecord::IntersectClipRect: dc_.IntersectClipRect(BottomRightTopLeft(r)); break;
            case WmfRecord::OffsetClipRgn: dc_.OffsetClip(YX(r)); break;
            case WmfRecord::Arc: case WmfRecord::Pie: case WmfRecord::Chord: {
                QPointF end = YX(r), start = YX(r);
                QRectF box = BottomRightTopLeft(r);
                auto kind = function == WmfRecord::Arc ? MetafileDC::ArcKind::Arc
                          : function == WmfRecord::Pie ? MetafileDC::ArcKind::Pie : MetafileDC::ArcKind::Chord;
                dc_.Arc(kind, box, start, end);
                break;
            }
            case WmfRecord::Ellipse: dc_.Ellipse(BottomRightTopLeft(r)); break;
            case WmfRecord::Rectangle: dc_.Rectangle(BottomRightTopLeft(r)); break;
            case WmfRecord::RoundRect: {
                double h = r.I16(), w = r.I16();
                dc_.RoundRect(BottomRightTopLeft(r), QSizeF(w, h));
                break;
            }
            case WmfRecord::PatBlt: {
                uint32_t rop = r.U32();
                double h = r.I16(), w = r.I16();
                QPointF at = YX(r);
                dc_.PatBlt(QRectF(at.x(), at.y(), w, h), rop);
                break;
            }
            case WmfRecord::SetPixel: { QColor c = ColorFromRef(r.U32()); dc_.SetPixel(YX(r), c); break; }
            case WmfRecord::TextOut: {
                int16_t count = r.I16();
                if (count <= 0) break;
                std::span<const uint8_t> bytes = r.Bytes(count);
                r.Skip(std::min<uint64_t>(count & 1, r.Remaining()));
                dc_.Text(YX(r), DecodeAnsi(bytes, charSet_), {}, 0, std::nullopt);
                break;
            }
            case WmfRecord::ExtTextOut: ExtTextOut(r); break;
            case WmfRecord::Polygon: dc_.Polygon(Points(r, r.U16())); break;
            case WmfRecord::Polyline: dc_.Polyline(Points(r, r.U16())); break;
            case WmfRecord::PolyPolygon: {
                uint16_t polys = r.U16();
                std::vector<uint16_t> counts(polys);
                for (uint16_t& c : counts) c = r.U16();
                std::vector<std::vector<QPointF>> groups;
                groups.reserve(polys);
                for (uint16_t c : counts) groups.push_back(Points(r, c));
                dc_.PolyPolygon(groups);
                break;
            }
            case WmfRecord::SelectObject: Select(r.U16()); break;
            case WmfRecord::DeleteObject: {
                uint16_t index = r.U16();
                if (index < objects_.size()) objects_[index] = std::monostate();
                break;
            }
            case WmfRecord::CreatePalette: case WmfRecord::CreatePatternBrush: case WmfRecord::CreateRegion: Add(OtherObject()); break;
            case WmfRecord::CreatePenIndirect: {
                MetaPen pen;
                pen.style = r.U16();
                pen.width = std::max<int16_t>(r.I16(), 0);
                r.I16();
                pen.color = ColorFromRef(r.U32());
                Add(pen);
                break;
            }
            case WmfRecord::CreateBrushIndirect: {
                MetaBrush brush;
                uint16_t style = r.U16();
                brush.color = ColorFromRef(r.U32());
                brush.hatch = r.U16();
                if (style == 1) brush.kind = MetaBrush::Kind::Null;
                else if (style == 2) brush.kind = MetaBrush::Kind::Hatched;
                Add(brush);
                break;
            }
            case WmfRecord::CreateFontIndirect: CreateFont(r); break;
            case WmfRecord::DibCreatePatternBrush: {
                r.Skip(4);  // style and colour usage
                MetaBrush brush;
                brush.kind = MetaBrush::Kind::Pattern;
                if (auto dib = RecordPackedDib(dc_, r.Bytes(r.Remaining()))) brush.pattern = dib->image;
                Add(brush);
                break;
            }
            case WmfRecord::DibBitBlt: case WmfRecord::DibStretchBlt: case WmfRecord::BitBlt: case WmfRecord::StretchBlt: Blt(function, r, words); break;
            case WmfRecord::StretchDib: StretchDib(r); break;
            case WmfRecord::SetDibToDevice: SetDibToDevice(r); break;
            default: break;  // records without visible effect here, or unknown ones
        }
    }

    MetafileDC& dc_;
    std::span<const uint8_t> data_;
    std::vector<WmfObject> objects_;
    int charSet_ = 1;
};

}  // namespace

bool IsWindowsMetafile(std::span<const uint8_t> data) {
    if (data.size() < kHeaderBytes) return false;
    RecordReader r(data);
    uint16_t type = r.U16();
    uint16_t headerWords = r.U16();
    uint16_t version = r.U16();
    return (type == 1 || type == 2) && headerWords == 9 && (version == 0x0100 || version == 0x0300);
}

void PlayWindowsMetafile(QPainter& painter, const MetafileRect& dest, std::span<const uint8_t> records,
                         const MetafileRect& bounds) {
    QRect area = PlayArea(painter, dest);
    if (!IsWindowsMetafile(records) || area.isEmpty()) return;
    RecordReader header(records);
    header.Skip(10);
    uint16_t objectCount = header.U16();
    MetafileDC dc(painter, QTransform(), QSizeF(1, 1), area);
    dc.FixWindowMapping(QRectF(QPointF(bounds.left, bounds.top), QPointF(bounds.right, bounds.bottom)),
                        PlayTarget(dest));
    try {
        WmfPlayer(dc, records, objectCount).Run();
    } catch (const MalformedRecord&) {
    } catch (const PlaybackLimit&) {
    }
}

}  // namespace zavo::platform

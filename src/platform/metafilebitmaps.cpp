#include "platform/metafilebitmaps.h"

#include <algorithm>
#include <vector>

namespace zavo::platform {

namespace {

constexpr uint32_t kSrcCopy = 0xCC0020;


DecodeCharge ChargeTo(MetafileDC& dc) {
    return [&dc](int64_t pixels) { dc.ChargePixels(pixels); };
}

// Source rectangles of transfers between device contexts: image rows, kept inside the bitmap.
QRectF Within(const DecodedDib& dib, const QRectF& src) {
    QRectF inside = src.intersected(QRectF(dib.image.rect()));
    return inside.isEmpty() ? QRectF(dib.image.rect()) : inside;
}

struct Bitmaps {
    std::optional<DecodedDib> source;
    std::optional<DecodedDib> mask;
    bool ok = true;
};

// The source at offset at of the record (offsets, sizes: four 32-bit values), and the mask at
// maskAt when there is one.
Bitmaps Read(MetafileDC& dc, RecordReader& r, uint64_t at, std::optional<uint64_t> maskAt) {
    Bitmaps b;
    for (int i = 0; i < (maskAt ? 2 : 1); ++i) {
        r.Seek(i == 0 ? at : *maskAt);
        uint32_t offInfo = r.U32(), infoBytes = r.U32(), offBits = r.U32(), bitsBytes = r.U32();
        if (infoBytes == 0) continue;
        auto dib = RecordDib(dc, r, offInfo, infoBytes, offBits, bitsBytes);
        if (!dib) b.ok = false;
        (i == 0 ? b.source : b.mask) = std::move(dib);
    }
    return b;
}

QRectF ReadDest(RecordReader& r) {
    r.Seek(24);
    double x = r.I32(), y = r.I32(), cx = r.I32(), cy = r.I32();
    return QRectF(x, y, cx, cy);
}

// Bit-block, stretch and transparent transfers share one layout.
void Transfer(EmfRecord type, MetafileDC& dc, RecordReader& r) {
    QRectF dst = ReadDest(r);
    uint32_t rop = r.U32();
    double sx = r.I32(), sy = r.I32();
    double scx = dst.width(), scy = dst.height();
    if (type != EmfRecord::BitBlt) {
        r.Seek(100);
        scx = r.I32();
        scy = r.I32();
    }
    Bitmaps b = Read(dc, r, 84, std::nullopt);
    if (!b.ok) return;
    if (!b.source) {
        if (type != EmfRecord::TransparentBlt) dc.PatBlt(dst, rop);
        return;
    }
    QRectF src = Within(*b.source, QRectF(sx, sy, scx, scy));
    if (type == EmfRecord::TransparentBlt) dc.TransparentBlt(dst, b.source->image, src, ColorFromRef(rop).rgb());
    else dc.DrawImage(dst, b.source->image, src, rop);
}

void MaskTransfer(MetafileDC& dc, RecordReader& r) {
    QRectF dst = ReadDest(r);
    uint32_t rop4 = r.U32();
    double sx = r.I32(), sy = r.I32();
    r.Seek(100);
    double mx = r.I32(), my = r.I32();
    Bitmaps b = Read(dc, r, 84, 112);
    if (!b.ok) return;
    dc.MaskBlt(dst, b.source ? &b.source->image : nullptr, QPointF(sx, sy), b.mask ? &b.mask->image : nullptr,
               QPointF(mx, my), rop4);
}

void ParallelogramTransfer(MetafileDC& dc, RecordReader& r) {
    r.Seek(24);
    std::array<QPointF, 3> corners;
    for (QPointF& p : corners) {
        double x = r.I32();
        p = QPointF(x, r.I32());
    }
    double sx = r.I32(), sy = r.I32(), scx = r.I32(), scy = r.I32();
    r.Seek(112);
    double mx = r.I32(), my = r.I32();
    Bitmaps b = Read(dc, r, 96, 124);
    if (!b.ok || !b.source) return;
    dc.PlgBlt(corners, b.source->image, Within(*b.source, QRectF(sx, sy, scx, scy)),
              b.mask ? &b.mask->image : nullptr, QPointF(mx, my));
}

void Blend(MetafileDC& dc, RecordReader& r) {
    QRectF dst = ReadDest(r);
    r.U8();  // blend operation: always "over"
    r.U8();
    double opacity = r.U8() / 255.0;
    bool sourceAlpha = r.U8() & 1;
    double sx = r.I32(), sy = r.I32();
    r.Seek(84);
    uint32_t offInfo = r.U32(), infoBytes = r.U32(), offBits = r.U32(), bitsBytes = r.U32();
    double scx = r.I32(), scy = r.I32();
    if (infoBytes == 0) return;
    auto dib = RecordDib(dc, r, offInfo, infoBytes, offBits, bitsBytes, sourceAlpha);
    if (dib) dc.BlendImage(dst, dib->image, Within(*dib, QRectF(sx, sy, scx, scy)), opacity);
}

void StretchBits(EmfRecord type, MetafileDC& dc, RecordReader& r) {
    r.Seek(24);
    double x = r.I32(), y = r.I32(), sx = r.I32(), sy = r.I32(), scx = r.I32(), scy = r.I32();
    uint32_t offInfo = r.U32(), infoBytes = r.U32(), offBits = r.U32(), bitsBytes = r.U32();
    r.U32();  // colour usage
    if (type == EmfRecord::SetDiBitsToDevice) {
        uint32_t startScan = r.U32(), scans = r.U32();
        if (offInfo > r.Size() || infoBytes > r.Size() - offInfo || offBits > r.Size() || bitsBytes > r.Size() - offBits)
            return;
        DibitsToDevice(dc, QPointF(x, y), QRectF(sx, sy, scx, scy), r.BytesAt(offInfo, infoBytes),
                       r.BytesAt(offBits, bitsBytes), startScan, scans);
        return;
    }
    uint32_t rop = r.U32();
    double cx = r.I32(), cy = r.I32();
    auto dib = RecordDib(dc, r, offInfo, infoBytes, offBits, bitsBytes);
    if (dib) dc.DrawImage(QRectF(x, y, cx, cy), dib->image, SourceRows(*dib, QRectF(sx, sy, scx, scy)), rop);
}

}  // namespace

std::optional<DecodedDib> RecordDib(MetafileDC& dc, const RecordReader& r, uint64_t offInfo, uint64_t infoBytes,
                                    uint64_t offBits, uint64_t bitsBytes, bool keepAlpha) {
    try {
        return DecodeDib(r.BytesAt(offInfo, infoBytes), r.BytesAt(offBits, bitsBytes), keepAlpha, ChargeTo(dc));
    } catch (const MalformedRecord&) {
        return std::nullopt;
    }
}

std::optional<DecodedDib> RecordPackedDib(MetafileDC& dc, std::span<const uint8_t> packed) {
    try {
        return DecodePackedDib(packed, ChargeTo(dc));
    } catch (const MalformedRecord&) {
        return std::nullopt;
    }
}

QRectF SourceRows(const DecodedDib& dib, const QRectF& src) {
    if (!dib.bottomUp) return src;
    return QRectF(src.x(), dib.image.height() - src.y() - src.height(), src.width(), src.height());
}

void DibitsToDevice(MetafileDC& dc, QPointF dest, const QRectF& src, std::span<const uint8_t> info,
                    std::span<const uint8_t> bits, uint32_t startScan, uint32_t scans) {
    std::optional<DecodedDib> dib;
    int64_t rows = 0, height = 0, bandRows = 0;
    try {
        RecordReader h(info);
        bool core = h.U32() == 12;
        h.Skip(core ? 2 : 4);
        size_t heightAt = h.Position();
        height = core ? h.U16() : h.I32();
        rows = height < 0 ? -height : height;
        if (startScan >= rows || scans == 0) return;
        bandRows = std::min<int64_t>(scans, rows - startScan);
        // The bits are decoded as a bitmap of the band's rows only.
        std::vector<uint8_t> band(info.begin(), info.end());
        int64_t bandHeight = height < 0 ? -bandRows : bandRows;
        if (bandRows < rows)
            for (int i = 0; i < (core ? 2 : 4); ++i) band[heightAt + i] = static_cast<uint8_t>(bandHeight >> (8 * i));
        dib = DecodeDib(band, bits, false, ChargeTo(dc));
    } catch (const MalformedRecord&) {
        return;
    }
    // The source as rows of the whole bitmap, then of the band.
    QRectF whole = height > 0 ? QRectF(src.x(), double(rows) - src.y() - src.height(), src.width(), src.height()) : src;
    double first = height > 0 ? double(rows - startScan - bandRows) : double(startScan);
    QRectF inBand = whole.translated(0, -first);
    QRectF drawn = inBand.intersected(QRectF(dib->image.rect()));
    if (drawn.isEmpty()) return;
    QPointF shift = drawn.topLeft() - inBand.topLeft();
    dc.DrawImage(QRectF(dest + shift, drawn.size()), dib->image, drawn, kSrcCopy);
}

void PlayEnhancedBitmapRecord(EmfRecord type, MetafileDC& dc, RecordReader& r) {
    switch (type) {
        case EmfRecord::BitBlt: case EmfRecord::StretchBlt: case EmfRecord::TransparentBlt: Transfer(type, dc, r); break;
        case EmfRecord::MaskBlt: MaskTransfer(dc, r); break;
        case EmfRecord::PlgBlt: ParallelogramTransfer(dc, r); break;
        case EmfRecord::SetDiBitsToDevice: case EmfRecord::StretchDiBits: StretchBits(type, dc, r); break;
        case EmfRecord::AlphaBlend: Blend(dc, r); break;
        default: break;
    }
}

}  // namespace zavo::platform

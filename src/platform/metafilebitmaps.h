// Bitmap records of both metafile forms: their bitmaps decoded, their decoding charged to the
// playback's work, and their pixels drawn through the device context.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/dibimage.h"
#include "platform/metafiledc.h"
#include "platform/metafilerecords.h"
#include "platform/recordreader.h"

namespace zavo::platform {

// A record's bitmap from its info header and pixel bytes, found at these offsets in the record.
// None when the offsets leave the record or the bitmap cannot be decoded: such a record draws
// nothing and playback goes on.
std::optional<DecodedDib> RecordDib(MetafileDC& dc, const RecordReader& r, uint64_t offInfo, uint64_t infoBytes,
                                    uint64_t offBits, uint64_t bitsBytes, bool keepAlpha = false);
// The same for a bitmap whose pixels follow its colour table.
std::optional<DecodedDib> RecordPackedDib(MetafileDC& dc, std::span<const uint8_t> packed);

// A source rectangle given from the bitmap's own origin, its lower-left corner when the rows are
// stored bottom-up, as a rectangle of image rows.
QRectF SourceRows(const DecodedDib& dib, const QRectF& src);

// Bits of a device-independent bitmap copied unstretched to dest (logical): src from the bitmap's
// origin; the bits hold only scans rows from row startScan (counted from the origin).
void DibitsToDevice(MetafileDC& dc, QPointF dest, const QRectF& src, std::span<const uint8_t> info,
                    std::span<const uint8_t> bits, uint32_t startScan, uint32_t scans);

// The enhanced records of bitmaps: bit-block, stretch, mask and parallelogram transfers, bits to
// the device, stretched bits, alpha blending and transparent transfers. Other records are passed over.
void PlayEnhancedBitmapRecord(EmfRecord type, MetafileDC& dc, RecordReader& r);

}  // namespace zavo::platform

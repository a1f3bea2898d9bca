// The JPEG image: the compressed bytes of one JFIF file, a bitmap, or both. It compresses its bitmap
// at a chosen quality, writes and reads the bytes (learning the size from the header without
// decoding), and decodes the bytes into a bitmap only when it is drawn or converted. The bytes live
// in a reference-counted holder shared by copies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "base/streams.h"
#include "codec/bitmap.h"
#include "codec/graphic.h"
#include "codec/jpegadapters.h"
#include "codec/metadata.h"
#include "codec/sharedimage.h"
#include "platform/palette.h"

namespace zavo {

namespace msg {
inline constexpr const char* JPEGImageSize = "JPEG イメージのサイズは変更できません";
inline constexpr const char* JPEGFileDescription = "JPEG イメージファイル";
}  // namespace msg

enum class TJPEGPixelFormat : uint8_t { Depth24 = 0, Depth8 = 1 };
enum class TJPEGPerformance : uint8_t { Accurate = 0, Fast = 1 };

// The settings a new JPEG image starts with, one byte each, in this order.
struct TJPEGDefaults {
    uint8_t Quality = 90;
    bool GrayMode = false;
    TJPEGPerformance DecodeMode = TJPEGPerformance::Accurate;
    TJPEGPixelFormat OutputDepth = TJPEGPixelFormat::Depth24;
    bool ShowProgressively = false;
    bool ProgressiveFile = false;
    uint8_t DecodeScale = 0;
    bool BlockSmoothing = true;
};
static_assert(sizeof(TJPEGDefaults) == 8);

extern TJPEGDefaults DefaultJpegSettings;

// Run once at start-up, before any JPEG image is made: a screen of 8 or fewer bits per pixel makes
// new images decode to 8-bit palette bitmaps. The depth is remembered for Palette().
void AdjustDefaultsToScreen(int screenBitsPerPixel);
void AdjustDefaultsToScreen();

// The compressed bytes and the facts of their header. FreeHandles has nothing to free.
class TJPEGData : public TSharedImage {
public:
    TJPEGData() = default;
    void FreeHandles() override {}

    // The complete JFIF file from offset 0, or null.
    std::unique_ptr<TMemoryStream> Bytes;
    int32_t ImageHeight = 0;
    int32_t ImageWidth = 0;
    bool IsGray = false;
    // The APPn and COM segments of the bytes as read, or null.
    std::shared_ptr<const TMetadata> Metadata;

protected:
    ~TJPEGData() override = default;
};

class TJPEGImage : public TGraphic, private JpegProgressOwner {
public:
    TJPEGImage();
    ~TJPEGImage() override;

    // The class-level constructor the picture's format registry calls.
    static std::unique_ptr<TGraphic> Create();

    // Into a TBitmap: the bitmap takes the decoded picture; anything else: the generic failure.
    void CopyInto(TPersistent* target) override;
    // From a JPEG image: shares its bytes and copies its bitmap; from a bitmap: holds that bitmap
    // and no bytes. The settings stay this object's own.
    void AssignFrom(TPersistent* source) override;
    // Stretch-draws the decoded bitmap into the rectangle.
    void DrawOn(TCanvas& canvas, const TRect& rect) override;
    bool SameContent(TGraphic* other) override;
    bool IsEmpty() const override;
    int Height() const override;
    platform::PaletteHandle Palette() const override;
    int Width() const override;
    // A 32-bit little-endian count, then that many bytes of JFIF file.
    void ReadEmbedded(TStream& stream) override;
    // EInvalidGraphicOperation "JPEG イメージのサイズは変更できません".
    void SetHeight(int value) override;
    void SetPalette(platform::PaletteHandle palette) override;
    void SetWidth(int value) override;
    // The count and the bytes as they are, without compressing first.
    void WriteEmbedded(TStream& stream) override;
    std::unique_ptr<TGraphic> NewInstance() const override;
    // Reads the bytes from the stream's position to its end and their header; decodes nothing.
    void LoadStream(TStream& stream) override;
    // Compresses first when there are no bytes; then writes all bytes at the stream's position.
    void SaveStream(TStream& stream) override;
    void LoadClipboard(uint16_t format, TMemoryStream& data, platform::PaletteHandle palette) override;
    void SaveClipboard(uint16_t& format, TMemoryStream& data, platform::PaletteHandle& palette) override;

    // Encodes the bitmap into new bytes at Quality (a bitmap without pixels gives zero bytes); each
    // block of them is also written to copy, when given, as soon as it is made.
    void Compress(TStream* copy = nullptr);
    void EnsureCompressed();
    // The bitmap, decoded from the bytes first when there is none.
    TBitmap* EnsureDecoded();

    uint8_t Quality() const { return quality_; }
    // Takes effect at the next Compress; the library treats 0 as 1 and anything above 100 as 100.
    void SetQuality(unsigned value) { quality_ = static_cast<uint8_t>(value); }
    bool GrayMode() const { return grayMode_; }
    void SetGrayMode(bool value) { grayMode_ = value; }
    TJPEGPerformance DecodeMode() const { return decodeMode_; }
    void SetDecodeMode(TJPEGPerformance value) { decodeMode_ = value; }
    TJPEGPixelFormat OutputDepth() const { return outputDepth_; }
    void SetOutputDepth(TJPEGPixelFormat value) { outputDepth_ = value; }
    bool ShowProgressively() const { return showProgressively_; }
    void SetShowProgressively(bool value) { showProgressively_ = value; }
    // Also set by every load: whether the file has more than one scan.
    bool ProgressiveFile() const { return progressiveFile_; }
    void SetProgressiveFile(bool value) { progressiveFile_ = value; }
    uint8_t DecodeScale() const { return decodeScale_; }
    void SetDecodeScale(uint8_t value) { decodeScale_ = value; }
    bool BlockSmoothing() const { return blockSmoothing_; }
    void SetBlockSmoothing(bool value) { blockSmoothing_ = value; }

    // Written behind the JFIF header by every Compress; null writes nothing more.
    const std::shared_ptr<const TMetadata>& MetadataToWrite() const { return metadataToWrite_; }
    void SetMetadataToWrite(std::shared_ptr<const TMetadata> value) { metadataToWrite_ = std::move(value); }

    const TJPEGData& Holder() const { return *holder_; }
    TBitmap* Bitmap() const { return bitmap_.get(); }

    // Takes bytes made elsewhere (CompressSurface) from this object's bitmap at its Quality and
    // settings, with the state and progress reports Compress would have left.
    void TakeCompressed(std::unique_ptr<TMemoryStream> bytes);
    // Gives up the bitmap decoded at full size from the bytes, which can decode it again; Width and
    // Height stay those of the bytes.
    void FreeDecoded();
    // Whether DecodePart can give the pixels of a full decode: colour bytes decoded to 24 bits at
    // full scale in one pass.
    bool CanDecodeParts() const;
    // Decodes only what part of the picture needs and writes its pixels, exactly as a full decode
    // gives them, blue-green-red in top-down rows stride bytes apart, the part's top-left pixel at
    // at; nothing else is written. The part is first clipped to the picture; returns what is left
    // of it. Reports no progress.
    TRect DecodePart(const TRect& part, uint8_t* at, ptrdiff_t stride);
    // The same pixels handed over row by row, top to bottom, as they are decoded: the row's index in
    // the picture and its part's first pixel. The sink must not throw.
    using RowSink = std::function<void(int row, const uint8_t* pixels)>;
    TRect DecodePartRows(const TRect& part, const RowSink& sink);

private:
    TRect DecodePart(const TRect& part, uint8_t* at, ptrdiff_t stride, const RowSink* sink, TStream* bytes = nullptr);
    // Decodes the upper rows of the part here and the lower ones on a second thread.
    void DecodeInTwoBands(const TRect& part, uint8_t* at, ptrdiff_t stride);
    void JpegProgress(int percent, bool redrawNow, const JpegProgressRect& rect) override;

    void ResetData();
    void ResetBitmap();
    void DropBitmap();
    // Replaces the bytes with count bytes read from the stream, and reads their header.
    void ReadBytes(int64_t count, TStream& stream);
    // Creates the decoder over the bytes and sets every decoding parameter.
    // A part decode runs beside the user-interface thread and reports no progress; it reads the
    // bytes through a stream of its own, so that parts can be decoded at once.
    void OpenDecoder(JpegContext& context, bool reportProgress = true, TStream* bytes = nullptr);
    void CompressBitmap(TStream* copy);
    void Decode();
    // Starts the decoder and reads every row (and every scan, in buffered-image mode) into Bitmap.
    void DecodeRows(JpegContext& context, bool eightBit);

    TJPEGData* holder_;
    std::unique_ptr<TBitmap> bitmap_;
    mutable platform::PaletteHandle screenPalette_;
    bool blockSmoothing_;
    bool grayMode_;
    TJPEGPixelFormat outputDepth_;
    uint8_t quality_;
    bool showProgressively_;
    bool progressiveFile_;
    TJPEGPerformance decodeMode_;
    uint8_t decodeScale_;
    std::shared_ptr<const TMetadata> metadataToWrite_;
};

}  // namespace zavo

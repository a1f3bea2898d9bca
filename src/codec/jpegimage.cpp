#include "codec/jpegimage.h"

#include <jerror.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "base/checked.h"
#include "base/format.h"
#include "base/teestream.h"
#include "codec/canvas.h"
#include "codec/jpegcalls.h"
#include "codec/jpegmarkers.h"
#include "platform/pixelconvert.h"
#include "platform/screen.h"
#include "platform/surface.h"

namespace zavo {

TJPEGDefaults DefaultJpegSettings;

namespace {

int screenBitsPerPixel = platform::kScreenBitsPerPixel;

// The row addresses of a bitmap and how many rows one library call may take. The step between rows
// is taken from row 1 only when the bitmap has one.
struct RowTable {
    std::vector<JSAMPROW> rows;
    JDIMENSION perCall = 1;
};

enum class RowUse { Read, Write };

// Rows that are only read are taken from the image in place: the copy-on-write step of ScanLine is
// for writers, and would copy a picture the temporary still shares with the object's bitmap.
RowTable RowsOf(TBitmap& bitmap, int height, JDIMENSION packedRows, RowUse use) {
    RowTable table;
    platform::Surface* shared = use == RowUse::Read ? bitmap.Image().Handle() : nullptr;
    auto rowAddress = [&](int y) { return shared != nullptr ? shared->Row(y) : bitmap.ScanLine(y); };
    uint8_t* row0 = rowAddress(0);
    ptrdiff_t stride = height > 1 ? rowAddress(1) - row0 : 0;
    table.rows.resize(static_cast<size_t>(height));
    for (int i = 0; i < height; ++i) table.rows[static_cast<size_t>(i)] = row0 + stride * i;
    if (stride > 0 && stride % 4 == 0) table.perCall = std::max<JDIMENSION>(packedRows, 1);
    return table;
}

// A picture whose pixels would not fit a surface is refused before the library or the bitmap
// allocates anything for it.
void CheckSurfaceSize(JDIMENSION width, JDIMENSION height, int bitCount) {
    std::optional<int64_t> size = DibImageSize(width, height, bitCount);
    if (!size || *size > platform::kMaxPictureBytes) throw EOutOfResources(msg::OutOfResources);
}

// The rows of an unfilled decode target from the first one the library has not written; they are
// made white when decoding ends.
struct UnwrittenRows {
    TBitmap* bitmap;
    bool active;
    int from = 0;
    ~UnwrittenRows() {
        platform::Surface* pixels = active ? bitmap->Image().Handle() : nullptr;
        if (pixels == nullptr || from >= pixels->Height()) return;
        try {
            platform::FillSurface(*pixels, {0, from, pixels->Width(), pixels->Height()}, 0xFFFFFF);
        } catch (...) {
            // Only the fill's own small row buffer can fail; the decode's failure is the one to report.
        }
    }
};

bool IsAbort(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const EAbort&) {
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

void AdjustDefaultsToScreen(int bitsPerPixel) {
    screenBitsPerPixel = bitsPerPixel;
    DefaultJpegSettings.OutputDepth =
        bitsPerPixel <= 8 ? TJPEGPixelFormat::Depth8 : TJPEGPixelFormat::Depth24;
}

void AdjustDefaultsToScreen() { AdjustDefaultsToScreen(platform::kScreenBitsPerPixel); }

TJPEGImage::TJPEGImage() : holder_(new TJPEGData) {
    holder_->AddRef();
    const TJPEGDefaults& d = DefaultJpegSettings;
    quality_ = d.Quality;
    grayMode_ = d.GrayMode;
    decodeMode_ = d.DecodeMode;
    outputDepth_ = d.OutputDepth;
    showProgressively_ = d.ShowProgressively;
    progressiveFile_ = d.ProgressiveFile;
    decodeScale_ = d.DecodeScale;
    blockSmoothing_ = d.BlockSmoothing;
}

TJPEGImage::~TJPEGImage() {
    screenPalette_.reset();
    bitmap_.reset();
    TSharedImage::DropRef(holder_);
}

std::unique_ptr<TGraphic> TJPEGImage::Create() { return std::make_unique<TJPEGImage>(); }

std::unique_ptr<TGraphic> TJPEGImage::NewInstance() const { return Create(); }

void TJPEGImage::ResetData() {
    TSharedImage::DropRef(holder_);
    holder_ = new TJPEGData;
    holder_->AddRef();
}

void TJPEGImage::ResetBitmap() { bitmap_ = std::make_unique<TBitmap>(); }

void TJPEGImage::DropBitmap() { bitmap_.reset(); }

void TJPEGImage::FreeDecoded() {
    if (bitmap_ && holder_->Bytes && decodeScale_ == 0) DropBitmap();
}

void TJPEGImage::CopyInto(TPersistent* target) {
    if (auto* bitmap = dynamic_cast<TBitmap*>(target)) {
        bitmap->AssignFrom(EnsureDecoded());
        return;
    }
    TGraphic::CopyInto(target);
}

void TJPEGImage::AssignFrom(TPersistent* source) {
    if (source == this) return;
    if (auto* jpeg = dynamic_cast<TJPEGImage*>(source)) {
        jpeg->holder_->AddRef();
        TSharedImage::DropRef(holder_);
        holder_ = jpeg->holder_;
        std::unique_ptr<TBitmap> copy;
        if (jpeg->bitmap_) {
            copy = std::make_unique<TBitmap>();
            copy->AssignFrom(jpeg->bitmap_.get());
        }
        bitmap_ = std::move(copy);
        return;
    }
    if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
        // The copy is taken first, so that the source may be this object's own bitmap.
        auto copy = std::make_unique<TBitmap>();
        copy->AssignFrom(bitmap);
        ResetData();
        bitmap_ = std::move(copy);
        return;
    }
    TGraphic::AssignFrom(source);
}

void TJPEGImage::DrawOn(TCanvas& canvas, const TRect& rect) { canvas.StretchDraw(rect, EnsureDecoded()); }

bool TJPEGImage::SameContent(TGraphic* other) {
    auto* jpeg = dynamic_cast<TJPEGImage*>(other);
    if (jpeg == nullptr) return false;
    if (holder_->Bytes && jpeg->holder_->Bytes) return TGraphic::SameContent(other);
    return holder_ == jpeg->holder_;
}

bool TJPEGImage::IsEmpty() const {
    if (holder_->Bytes) return false;
    return !bitmap_ || bitmap_->IsEmpty();
}

int TJPEGImage::Height() const { return bitmap_ ? bitmap_->Height() : holder_->ImageHeight; }

int TJPEGImage::Width() const { return bitmap_ ? bitmap_->Width() : holder_->ImageWidth; }

platform::PaletteHandle TJPEGImage::Palette() const {
    if (bitmap_) return bitmap_->Palette();
    if (screenPalette_) return screenPalette_;
    if (outputDepth_ == TJPEGPixelFormat::Depth24 && screenBitsPerPixel <= 8) {
        screenPalette_ = platform::CreateHalftonePalette();
        return screenPalette_;
    }
    return nullptr;
}

void TJPEGImage::SetPalette(platform::PaletteHandle palette) {
    if (palette == screenPalette_) return;
    // Only a bitmap that can be decoded again from bytes is given up for the new palette.
    bool dropped = bitmap_ && holder_->Bytes && bitmap_->Palette() != palette;
    if (dropped) DropBitmap();
    screenPalette_ = std::move(palette);
    if (dropped) {
        SetPaletteModified(true);
        NotifyChanged();
    }
}

void TJPEGImage::SetHeight(int) { throw EInvalidGraphicOperation(msg::JPEGImageSize); }

void TJPEGImage::SetWidth(int) { throw EInvalidGraphicOperation(msg::JPEGImageSize); }

void TJPEGImage::ReadEmbedded(TStream& stream) {
    uint8_t count[4];
    stream.ReadBuffer(count, 4);
    uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = n << 8 | count[i];
    ReadBytes(static_cast<int32_t>(n), stream);
}

void TJPEGImage::WriteEmbedded(TStream& stream) {
    int64_t size = holder_->Bytes ? holder_->Bytes->Size() : 0;
    auto n = static_cast<uint32_t>(size);
    uint8_t count[4] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16),
                        static_cast<uint8_t>(n >> 24)};
    stream.WriteBuffer(count, 4);
    if (size > 0) stream.WriteBuffer(holder_->Bytes->Memory(), size);
}

void TJPEGImage::LoadStream(TStream& stream) {
    ReadBytes(std::max<int64_t>(stream.Size() - stream.Position(), 0), stream);
}

void TJPEGImage::SaveStream(TStream& stream) {
    EnsureCompressed();
    stream.Write(holder_->Bytes->Memory(), holder_->Bytes->Size());
}

void TJPEGImage::LoadClipboard(uint16_t format, TMemoryStream& data, platform::PaletteHandle palette) {
    if (!bitmap_) ResetBitmap();
    bitmap_->LoadClipboard(format, data, std::move(palette));
}

void TJPEGImage::SaveClipboard(uint16_t& format, TMemoryStream& data, platform::PaletteHandle& palette) {
    EnsureDecoded()->SaveClipboard(format, data, palette);
}

void TJPEGImage::ReadBytes(int64_t count, TStream& stream) {
    ResetData();
    DropBitmap();
    // The count may come from a file: it is checked against what the stream holds before anything
    // is allocated, and a short stream leaves the holder without bytes.
    if (count < 0 || count > stream.Size() - stream.Position()) throw EReadError(msg::ReadError);
    auto bytes = std::make_unique<TMemoryStream>();
    bytes->SetSize(count);
    stream.ReadBuffer(bytes->Memory(), count);
    holder_->Bytes = std::move(bytes);
    if (count > 0) {
        JpegContext c;
        JpegRequire(JpegCreateDecompress(c), c);
        holder_->Bytes->SetPosition(0);
        JpegRequire(JpegAttachSource(c, *holder_->Bytes), c);
        JpegRequire(JpegSaveMarkers(c), c);
        JpegHeaderFacts facts{};
        JpegRequire(JpegReadHeaderFacts(c, &facts), c);
        holder_->Metadata = JpegCollectMarkers(c);
        holder_->ImageWidth = static_cast<int32_t>(facts.width);
        holder_->ImageHeight = static_cast<int32_t>(facts.height);
        holder_->IsGray = facts.gray;
        progressiveFile_ = facts.multipleScans;
    }
    SetPaletteModified(true);
    NotifyChanged();
}

void TJPEGImage::EnsureCompressed() {
    if (!holder_->Bytes) Compress();
}

void TJPEGImage::Compress(TStream* copy) {
    try {
        CompressBitmap(copy);
    } catch (const EAbort&) {
        ResetData();
    }
}

void TJPEGImage::CompressBitmap(TStream* copy) {
    JpegContext c;
    JpegRequire(JpegCreateCompress(c), c);
    JpegInstallProgress(c, this);
    if (holder_->Bytes) ResetData();
    holder_->Bytes = std::make_unique<TMemoryStream>();
    std::optional<TTeeStream> tee;
    if (copy != nullptr) tee.emplace(*holder_->Bytes, *copy);
    JpegRequire(JpegAttachDestination(c, tee ? static_cast<TStream&>(*tee) : *holder_->Bytes), c);
    if (!bitmap_ || bitmap_->Width() == 0 || bitmap_->Height() == 0) return;

    int width = bitmap_->Width();
    int height = bitmap_->Height();
    c.compress.image_width = static_cast<JDIMENSION>(width);
    c.compress.image_height = static_cast<JDIMENSION>(height);
    holder_->ImageWidth = width;
    holder_->ImageHeight = height;

    // The library reads blue-green-red rows as they lie in the bitmap; nothing is swapped by hand.
    // Rows laid out as blue-green-red-unused (the display format, plain 32-bit sections) are read
    // in place; any other format is read from a 24-bit copy.
    TBitmap pixels;
    pixels.AssignFrom(bitmap_.get());
    const platform::Surface* surface = pixels.Image().Handle();
    bool bgrx = surface != nullptr && surface->BitCount() == 32 && !surface->HasBitFields();
    if (!bgrx) pixels.SetPixelFormat(TPixelFormat::Bit24);
    c.compress.input_components = bgrx ? 4 : 3;
    c.compress.in_color_space = bgrx ? JCS_EXT_BGRX : JCS_EXT_BGR;

    if (grayMode_) holder_->IsGray = true;
    JpegRequire(JpegConfigureCompression(c, {quality_, grayMode_, progressiveFile_}), c);
    RowTable table = RowsOf(pixels, height, static_cast<JDIMENSION>(height), RowUse::Read);

    std::exception_ptr failure;
    try {
        ReportProgress(TProgressStage::StageStarting, 0, false, TRect{}, "");
        if (!JpegCompressImage(c, table.rows.data(), table.perCall, metadataToWrite_.get())) failure = JpegFailure(c);
    } catch (...) {
        failure = std::current_exception();
    }
    ReportProgress(TProgressStage::StageEnding, failure ? 0 : 100, false, TRect{}, "");
    if (failure) std::rethrow_exception(failure);
}

TBitmap* TJPEGImage::EnsureDecoded() {
    if (bitmap_) return bitmap_.get();
    ResetBitmap();
    // An object without bytes has nothing to decode and keeps the empty bitmap.
    if (holder_->Bytes) Decode();
    return bitmap_.get();
}

void TJPEGImage::OpenDecoder(JpegContext& c, bool reportProgress, TStream* bytes) {
    JpegRequire(JpegCreateDecompress(c), c);
    if (reportProgress) JpegInstallProgress(c, this);
    if (bytes == nullptr) {
        bytes = holder_->Bytes.get();
        bytes->SetPosition(0);
    }
    JpegRequire(JpegAttachSource(c, *bytes), c);
    JpegRequire(JpegReadHeader(c), c);
    JpegDecodeSettings settings{decodeScale_,
                            blockSmoothing_,
                            grayMode_,
                            outputDepth_ == TJPEGPixelFormat::Depth8,
                            decodeMode_ == TJPEGPerformance::Fast,
                            showProgressively_};
    JpegRequire(JpegConfigureDecoder(c, settings), c);
}

void TJPEGImage::Decode() {
    JpegContext c;
    OpenDecoder(c);
    j_decompress_ptr d = &c.decompress;
    bool eightBit = outputDepth_ == TJPEGPixelFormat::Depth8 || d->out_color_space == JCS_GRAYSCALE;
    bitmap_->ReleaseHandle();
    bitmap_->SetPixelFormat(eightBit ? TPixelFormat::Bit8 : TPixelFormat::Bit24);
    JpegRequire(JpegCalcOutputDimensions(c), c);
    CheckSurfaceSize(d->output_width, d->output_height, eightBit ? 8 : 24);

    std::exception_ptr failure;
    try {
        ReportProgress(TProgressStage::StageStarting, 0, false, TRect{}, "");
        DecodeRows(c, eightBit);
    } catch (...) {
        failure = std::current_exception();
    }
    JpegDestroy(c);
    ReportProgress(TProgressStage::StageEnding, failure ? 0 : 100, PaletteModified(), TRect{}, "");
    if (PaletteModified()) NotifyChanged();
    if (failure && !IsAbort(failure)) std::rethrow_exception(failure);
}

void TJPEGImage::DecodeRows(JpegContext& c, bool eightBit) {
    j_decompress_ptr d = &c.decompress;
    bool paletteFromDecoder = true;
    if (screenPalette_) {
        // A grayscale decode quantises on its own gray ramp and cannot use a fixed colour map.
        if (outputDepth_ == TJPEGPixelFormat::Depth8 && d->out_color_space != JCS_GRAYSCALE) {
            JpegRequire(JpegColormapFromPalette(c, *screenPalette_), c);
            bitmap_->SetPalette(screenPalette_);
            paletteFromDecoder = false;
        } else if (outputDepth_ == TJPEGPixelFormat::Depth24) {
            screenPalette_.reset();
        }
    }
    JpegRequire(JpegStartDecompress(c), c);
    // The rows below are written with exactly the bytes per pixel the bitmap has.
    if (d->output_components != (eightBit ? 1 : 3))
        throw EJPEG(Format(msg::JPEGError, JERR_CONVERSION_NOTIMPL));
    int height = static_cast<int>(d->output_height);
    auto packed = static_cast<JDIMENSION>(d->rec_outbuf_height);
    // A single pass writes every row, so a colour bitmap is not filled first; what a failed decode
    // leaves unwritten is made white then, as filling first would have.
    UnwrittenRows unwritten{bitmap_.get(), !eightBit && !d->buffered_image};
    bitmap_->ReleaseHandle();
    bitmap_->SetWidth(static_cast<int>(d->output_width));
    if (unwritten.active) bitmap_->SetHeightUnfilled(height);
    else bitmap_->SetHeight(height);
    RowTable table = RowsOf(*bitmap_, height, packed, RowUse::Write);
    // A new palette rebuilds the bitmap's pixels, so the row addresses are taken again.
    auto takePalette = [&] {
        bitmap_->SetPalette(JpegPaletteFromColormap(d));
        SetPaletteModified(true);
        table = RowsOf(*bitmap_, height, packed, RowUse::Write);
    };

    if (d->buffered_image) {
        for (;;) {
            int status = 0;
            JpegRequire(JpegConsumeInput(c, &status), c);
            if (status == JPEG_REACHED_EOI) break;
            JpegRequire(JpegStartOutput(c), c);
            bool firstPass = c.progress.pub.completed_passes == 0;
            if (firstPass && d->colormap != nullptr && eightBit && paletteFromDecoder) takePalette();
            JpegRequire(JpegReadAllRows(c, table.rows.data(), table.perCall), c);
            JpegRequire(JpegFinishOutput(c), c);
        }
        d->dct_method = c.finalDctMethod;
        d->dither_mode = c.finalDither;
        if (c.finalTwoPass) {
            d->two_pass_quantize = TRUE;
            d->colormap = nullptr;
        }
        JpegRequire(JpegStartOutput(c), c);
    }
    bool finalMap = !d->buffered_image || c.finalTwoPass;
    if (finalMap && d->colormap != nullptr && paletteFromDecoder) takePalette();
    bool read = JpegReadAllRows(c, table.rows.data(), table.perCall);
    unwritten.from = static_cast<int>(d->output_scanline);
    JpegRequire(read, c);
    if (d->buffered_image) JpegRequire(JpegFinishOutput(c), c);
    JpegRequire(JpegFinishDecompress(c), c);
}

void TJPEGImage::JpegProgress(int percent, bool redrawNow, const JpegProgressRect& rect) {
    ReportProgress(TProgressStage::StageRunning, static_cast<uint8_t>(percent), redrawNow,
                   Rect(rect.left, rect.top, rect.right, rect.bottom), "");
}

void TJPEGImage::TakeCompressed(std::unique_ptr<TMemoryStream> bytes) {
    if (holder_->Bytes) ResetData();
    // Until the starting report has passed, the holder has the empty stream Compress starts with.
    holder_->Bytes = std::make_unique<TMemoryStream>();
    holder_->ImageWidth = bitmap_->Width();
    holder_->ImageHeight = bitmap_->Height();
    if (grayMode_) holder_->IsGray = true;
    std::exception_ptr failure;
    try {
        ReportProgress(TProgressStage::StageStarting, 0, false, TRect{}, "");
        holder_->Bytes = std::move(bytes);
    } catch (...) {
        failure = std::current_exception();
    }
    ReportProgress(TProgressStage::StageEnding, failure ? 0 : 100, false, TRect{}, "");
    if (failure && IsAbort(failure)) return ResetData();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace zavo

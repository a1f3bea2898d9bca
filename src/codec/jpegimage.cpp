#include "codec/jpegimage.h"

#include <jerror.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "base/format.h"
#include "base/teestream.h"
#include "codec/canvas.h"
#include "codec/jpegmarkers.h"
#include "platform/pixelconvert.h"
#include "platform/screen.h"
#include "platform/surface.h"

namespace zavo {

TJPEGDefaults DefaultJpegSettings;

namespace {

int screenBitsPerPixel = platform::kScreenBitsPerPixel;

// The decoder writes blue-green-red pixels (JCS_EXT_BGR); its colour maps follow that order.
constexpr int kMapBlue = 0;
constexpr int kMapGreen = 1;
constexpr int kMapRed = 2;

// The libjpeg sequences. Each keeps its setjmp in its own small frame with trivially destructible
// locals only, and returns false when the library left by the error exit.

struct CompressSettings {
    int quality;
    bool gray;
    bool progressive;
};

bool ConfigureCompression(JpegContext& c, const CompressSettings& s) {
    if (setjmp(c.jump)) return false;
    jpeg_set_defaults(&c.compress);
    c.compress.dct_method = JDCT_FLOAT;
    jpeg_set_quality(&c.compress, s.quality, TRUE);
    if (s.gray) jpeg_set_colorspace(&c.compress, JCS_GRAYSCALE);
    if (s.progressive) jpeg_simple_progression(&c.compress);
    return true;
}

bool WriteRows(JpegContext& c, JSAMPROW* rows, JDIMENSION rowsPerCall, const TMetadata* metadata) {
    if (setjmp(c.jump)) return false;
    jpeg_start_compress(&c.compress, TRUE);
    JpegWriteMetadata(&c.compress, metadata);
    while (c.compress.next_scanline < c.compress.image_height) {
        JDIMENSION left = c.compress.image_height - c.compress.next_scanline;
        jpeg_write_scanlines(&c.compress, rows + c.compress.next_scanline, std::min(rowsPerCall, left));
    }
    jpeg_finish_compress(&c.compress);
    return true;
}

struct HeaderFacts {
    JDIMENSION width;
    JDIMENSION height;
    bool gray;
    bool multipleScans;
};

bool ReadHeaderFacts(JpegContext& c, HeaderFacts* facts) {
    if (setjmp(c.jump)) return false;
    jpeg_read_header(&c.decompress, TRUE);
    facts->width = c.decompress.image_width;
    facts->height = c.decompress.image_height;
    facts->gray = c.decompress.jpeg_color_space == JCS_GRAYSCALE;
    facts->multipleScans = jpeg_has_multiple_scans(&c.decompress);
    return true;
}

struct DecodeSettings {
    uint8_t scale;
    bool blockSmoothing;
    bool gray;
    bool depth8;
    bool fast;
    bool showProgressively;
};

bool ConfigureDecoder(JpegContext& c, const DecodeSettings& s) {
    if (setjmp(c.jump)) return false;
    j_decompress_ptr d = &c.decompress;
    d->scale_num = 1;
    // The library goes no smaller than 1/8; the cap only keeps the shift defined.
    d->scale_denom = 1u << std::min<unsigned>(s.scale, 16);
    d->do_block_smoothing = s.blockSmoothing;
    if (d->out_color_space != JCS_GRAYSCALE) d->out_color_space = JCS_EXT_BGR;
    if (s.gray) d->out_color_space = JCS_GRAYSCALE;
    if (s.depth8 || d->out_color_space == JCS_GRAYSCALE) {
        d->quantize_colors = TRUE;
        d->desired_number_of_colors = 236;
    }
    if (s.fast) {
        d->dct_method = JDCT_IFAST;
        d->two_pass_quantize = FALSE;
        d->dither_mode = JDITHER_ORDERED;
    } else {
        d->dct_method = JDCT_FLOAT;
    }
    c.finalDctMethod = d->dct_method;
    c.finalTwoPass = d->two_pass_quantize != 0;
    c.finalDither = d->dither_mode;
    if (s.showProgressively && jpeg_has_multiple_scans(d)) {
        d->enable_2pass_quant = d->two_pass_quantize;
        d->dct_method = JDCT_IFAST;
        d->two_pass_quantize = FALSE;
        d->dither_mode = JDITHER_ORDERED;
        d->buffered_image = TRUE;
    }
    return true;
}

bool CalcOutputDimensions(JpegContext& c) {
    if (setjmp(c.jump)) return false;
    jpeg_calc_output_dimensions(&c.decompress);
    return true;
}

// Gives the decoder a fixed colour map from the palette's first 256 entries.
bool ColormapFromPalette(JpegContext& c, const platform::Palette& palette) {
    if (setjmp(c.jump)) return false;
    int n = std::min(palette.Count(), 256);
    if (n == 0) return true;
    j_decompress_ptr d = &c.decompress;
    JSAMPARRAY map = (*d->mem->alloc_sarray)(c.Common(), JPOOL_IMAGE, static_cast<JDIMENSION>(n), 3);
    for (int i = 0; i < n; ++i) {
        const platform::PaletteEntry& e = palette.Entries()[static_cast<size_t>(i)];
        map[kMapRed][i] = e.red;
        map[kMapGreen][i] = e.green;
        map[kMapBlue][i] = e.blue;
    }
    d->colormap = map;
    d->actual_number_of_colors = n;
    return true;
}

bool StartDecompress(JpegContext& c) {
    if (setjmp(c.jump)) return false;
    jpeg_start_decompress(&c.decompress);
    return true;
}

bool ConsumeInput(JpegContext& c, int* status) {
    if (setjmp(c.jump)) return false;
    *status = jpeg_consume_input(&c.decompress);
    return true;
}

bool StartOutput(JpegContext& c) {
    if (setjmp(c.jump)) return false;
    jpeg_start_output(&c.decompress, c.decompress.input_scan_number);
    return true;
}

bool ReadRows(JpegContext& c, JSAMPROW* rows, JDIMENSION rowsPerCall) {
    if (setjmp(c.jump)) return false;
    j_decompress_ptr d = &c.decompress;
    while (d->output_scanline < d->output_height) {
        JDIMENSION left = d->output_height - d->output_scanline;
        jpeg_read_scanlines(d, rows + d->output_scanline, std::min(rowsPerCall, left));
    }
    return true;
}

bool FinishOutput(JpegContext& c) {
    if (setjmp(c.jump)) return false;
    jpeg_finish_output(&c.decompress);
    return true;
}

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
    int64_t rowBytes = (static_cast<int64_t>(width) * bitCount + 31) / 32 * 4;
    if (rowBytes * static_cast<int64_t>(height) > platform::kMaxSurfaceBytes)
        throw EOutOfResources(msg::OutOfResources);
}

platform::PaletteHandle PaletteFromColormap(j_decompress_ptr d) {
    int n = std::clamp(d->actual_number_of_colors, 0, 256);
    std::vector<platform::PaletteEntry> entries(static_cast<size_t>(n));
    bool gray = d->out_color_components == 1;
    for (int i = 0; i < n; ++i) {
        platform::PaletteEntry& e = entries[static_cast<size_t>(i)];
        if (gray) {
            e.red = e.green = e.blue = d->colormap[0][i];
        } else {
            e.red = d->colormap[kMapRed][i];
            e.green = d->colormap[kMapGreen][i];
            e.blue = d->colormap[kMapBlue][i];
        }
    }
    return std::make_shared<const platform::Palette>(std::move(entries));
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
        HeaderFacts facts{};
        JpegRequire(ReadHeaderFacts(c, &facts), c);
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
    JpegRequire(ConfigureCompression(c, {quality_, grayMode_, progressiveFile_}), c);
    RowTable table = RowsOf(pixels, height, static_cast<JDIMENSION>(height), RowUse::Read);

    std::exception_ptr failure;
    try {
        ReportProgress(TProgressStage::StageStarting, 0, false, TRect{}, "");
        if (!WriteRows(c, table.rows.data(), table.perCall, metadataToWrite_.get())) failure = JpegFailure(c);
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

void TJPEGImage::OpenDecoder(JpegContext& c, bool reportProgress) {
    JpegRequire(JpegCreateDecompress(c), c);
    if (reportProgress) JpegInstallProgress(c, this);
    holder_->Bytes->SetPosition(0);
    JpegRequire(JpegAttachSource(c, *holder_->Bytes), c);
    JpegRequire(JpegReadHeader(c), c);
    DecodeSettings settings{decodeScale_,
                            blockSmoothing_,
                            grayMode_,
                            outputDepth_ == TJPEGPixelFormat::Depth8,
                            decodeMode_ == TJPEGPerformance::Fast,
                            showProgressively_};
    JpegRequire(ConfigureDecoder(c, settings), c);
}

void TJPEGImage::Decode() {
    JpegContext c;
    OpenDecoder(c);
    j_decompress_ptr d = &c.decompress;
    bool eightBit = outputDepth_ == TJPEGPixelFormat::Depth8 || d->out_color_space == JCS_GRAYSCALE;
    bitmap_->ReleaseHandle();
    bitmap_->SetPixelFormat(eightBit ? TPixelFormat::Bit8 : TPixelFormat::Bit24);
    JpegRequire(CalcOutputDimensions(c), c);
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
            JpegRequire(ColormapFromPalette(c, *screenPalette_), c);
            bitmap_->SetPalette(screenPalette_);
            paletteFromDecoder = false;
        } else if (outputDepth_ == TJPEGPixelFormat::Depth24) {
            screenPalette_.reset();
        }
    }
    JpegRequire(StartDecompress(c), c);
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
        bitmap_->SetPalette(PaletteFromColormap(d));
        SetPaletteModified(true);
        table = RowsOf(*bitmap_, height, packed, RowUse::Write);
    };

    if (d->buffered_image) {
        for (;;) {
            int status = 0;
            JpegRequire(ConsumeInput(c, &status), c);
            if (status == JPEG_REACHED_EOI) break;
            JpegRequire(StartOutput(c), c);
            bool firstPass = c.progress.pub.completed_passes == 0;
            if (firstPass && d->colormap != nullptr && eightBit && paletteFromDecoder) takePalette();
            JpegRequire(ReadRows(c, table.rows.data(), table.perCall), c);
            JpegRequire(FinishOutput(c), c);
        }
        d->dct_method = c.finalDctMethod;
        d->dither_mode = c.finalDither;
        if (c.finalTwoPass) {
            d->two_pass_quantize = TRUE;
            d->colormap = nullptr;
        }
        JpegRequire(StartOutput(c), c);
    }
    bool finalMap = !d->buffered_image || c.finalTwoPass;
    if (finalMap && d->colormap != nullptr && paletteFromDecoder) takePalette();
    bool read = ReadRows(c, table.rows.data(), table.perCall);
    unwritten.from = static_cast<int>(d->output_scanline);
    JpegRequire(read, c);
    if (d->buffered_image) JpegRequire(FinishOutput(c), c);
    JpegRequire(JpegFinishDecompress(c), c);
}

void TJPEGImage::JpegProgress(int percent, bool redrawNow, const JpegProgressRect& rect) {
    ReportProgress(TProgressStage::StageRunning, static_cast<uint8_t>(percent), redrawNow,
                   Rect(rect.left, rect.top, rect.right, rect.bottom), "");
}

namespace {

bool StartCompress(JpegContext& c, const TMetadata* metadata) {
    if (setjmp(c.jump)) return false;
    jpeg_start_compress(&c.compress, TRUE);
    JpegWriteMetadata(&c.compress, metadata);
    return true;
}

bool WriteSomeRows(JpegContext& c, JSAMPROW* rows, JDIMENSION count) {
    if (setjmp(c.jump)) return false;
    jpeg_write_scanlines(&c.compress, rows, count);
    return true;
}

bool FinishCompress(JpegContext& c) {
    if (setjmp(c.jump)) return false;
    jpeg_finish_compress(&c.compress);
    return true;
}

// A stop request is looked at between batches of this many rows.
constexpr JDIMENSION kRowsBetweenStopChecks = 16;

// What one part decode reads: the columns and rows the library decodes (the part with its margin)
// and the part itself, whose pixels are copied out.
struct PartRead {
    JDIMENSION decodeLeft;
    JDIMENSION decodeWidth;
    JDIMENSION decodeTop;
    JDIMENSION decodeBottom;
    int left;
    int top;
    int right;
    int bottom;
    uint8_t* at;
    ptrdiff_t stride;
};

bool ReadPart(JpegContext& c, PartRead* p) {
    if (setjmp(c.jump)) return false;
    j_decompress_ptr d = &c.decompress;
    JDIMENSION xoffset = p->decodeLeft;
    JDIMENSION width = p->decodeWidth;
    // The library widens the columns to whole blocks; xoffset comes back as the first one decoded.
    jpeg_crop_scanline(d, &xoffset, &width);
    if (p->decodeTop > 0) jpeg_skip_scanlines(d, p->decodeTop);
    JSAMPARRAY line = (*d->mem->alloc_sarray)(c.Common(), JPOOL_IMAGE, d->output_width * 3, 1);
    while (d->output_scanline < p->decodeBottom) {
        auto y = static_cast<int>(d->output_scanline);
        jpeg_read_scanlines(d, line, 1);
        if (y < p->top || y >= p->bottom) continue;
        const JSAMPLE* from = line[0] + (static_cast<size_t>(p->left) - xoffset) * 3;
        std::copy_n(from, static_cast<size_t>(p->right - p->left) * 3, p->at + p->stride * (y - p->top));
    }
    return true;
}

// Decoded beyond the part on every side, so that the upsampling at the part's edges sees the same
// neighbours as in a full decode.
constexpr int kPartMargin = 16;

}  // namespace

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

bool TJPEGImage::CanDecodeParts() const {
    return holder_->Bytes && holder_->Bytes->Size() > 0 && !holder_->IsGray && !grayMode_ &&
           outputDepth_ == TJPEGPixelFormat::Depth24 && decodeScale_ == 0 && !(showProgressively_ && progressiveFile_);
}

TRect TJPEGImage::DecodePart(const TRect& part, uint8_t* at, ptrdiff_t stride) {
    JpegContext c;
    OpenDecoder(c, /*reportProgress=*/false);
    j_decompress_ptr d = &c.decompress;
    if (d->out_color_space != JCS_EXT_BGR || d->quantize_colors || d->buffered_image || d->scale_denom != 1)
        throw EJPEG(Format(msg::JPEGError, JERR_CONVERSION_NOTIMPL));
    JpegRequire(StartDecompress(c), c);
    if (d->output_components != 3) throw EJPEG(Format(msg::JPEGError, JERR_CONVERSION_NOTIMPL));
    auto width = static_cast<int>(d->output_width);
    auto height = static_cast<int>(d->output_height);
    PartRead p{};
    p.left = std::clamp(part.Left, 0, width);
    p.right = std::clamp(part.Right, p.left, width);
    p.top = std::clamp(part.Top, 0, height);
    p.bottom = std::clamp(part.Bottom, p.top, height);
    TRect clipped = Rect(p.left, p.top, p.right, p.bottom);
    if (p.left == p.right || p.top == p.bottom) return clipped;
    p.decodeLeft = static_cast<JDIMENSION>(std::max(p.left - kPartMargin, 0));
    p.decodeWidth = static_cast<JDIMENSION>(std::min(p.right + kPartMargin, width)) - p.decodeLeft;
    p.decodeTop = static_cast<JDIMENSION>(std::max(p.top - kPartMargin, 0));
    p.decodeBottom = static_cast<JDIMENSION>(std::min(p.bottom + kPartMargin, height));
    p.at = at;
    p.stride = stride;
    JpegRequire(ReadPart(c, &p), c);
    return clipped;
}

bool CompressSurface(const platform::Surface& pixels, uint8_t quality, bool gray, bool progressive,
                     TMemoryStream& out, const std::atomic<bool>& stop, const TMetadata* metadata) {
    JpegContext c;
    JpegRequire(JpegCreateCompress(c), c);
    JpegRequire(JpegAttachDestination(c, out), c);
    bool bgrx = pixels.BitCount() == 32;
    c.compress.image_width = static_cast<JDIMENSION>(pixels.Width());
    c.compress.image_height = static_cast<JDIMENSION>(pixels.Height());
    c.compress.input_components = bgrx ? 4 : 3;
    c.compress.in_color_space = bgrx ? JCS_EXT_BGRX : JCS_EXT_BGR;
    JpegRequire(ConfigureCompression(c, {quality, gray, progressive}), c);
    // The library only reads through these addresses.
    std::vector<JSAMPROW> rows(static_cast<size_t>(pixels.Height()));
    for (int y = 0; y < pixels.Height(); ++y) rows[static_cast<size_t>(y)] = const_cast<JSAMPROW>(pixels.Row(y));
    JpegRequire(StartCompress(c, metadata), c);
    while (c.compress.next_scanline < c.compress.image_height) {
        if (stop.load(std::memory_order_relaxed)) return false;
        JDIMENSION left = c.compress.image_height - c.compress.next_scanline;
        JpegRequire(WriteSomeRows(c, rows.data() + c.compress.next_scanline, std::min(kRowsBetweenStopChecks, left)),
                    c);
    }
    JpegRequire(FinishCompress(c), c);
    return true;
}

}  // namespace zavo

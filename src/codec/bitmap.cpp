#include "codec/bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "base/exceptions.h"
#include "base/streams.h"
#include "codec/bmpreader.h"
#include "platform/pixelconvert.h"
#include "platform/screen.h"

namespace zavo {

namespace {

// Guards taking and releasing references when images are shared or replaced.
std::recursive_mutex gImageLock;

// New pixels are built by filling and copying every one of them, so they need no zeroing first.
constexpr auto kWrittenWhole = platform::Surface::Contents::Unfilled;

TDibDescription Describe(const platform::Surface* s) {
    TDibDescription d;
    if (!s) return d;
    d.bitmap.width = s->Width();
    d.bitmap.height = s->Height();
    d.bitmap.widthBytes = static_cast<int32_t>(s->Stride());
    d.bitmap.planes = 1;
    d.bitmap.bitsPixel = static_cast<uint16_t>(s->BitCount());
    d.bitmap.bits = const_cast<uint8_t*>(s->Bits());
    d.header = s->Header();
    if (s->IsDib() && (s->BitCount() == 16 || s->BitCount() == 32)) {
        d.masks[0] = s->RedMask(), d.masks[1] = s->GreenMask(), d.masks[2] = s->BlueMask();
    }
    if (s->IsDib()) d.section = const_cast<platform::Surface*>(s);
    return d;
}

// What a header knows beyond the pixels themselves.
void KeepHeaderFacts(platform::BitmapInfoHeader& to, const platform::BitmapInfoHeader& from) {
    to.xPelsPerMeter = from.xPelsPerMeter;
    to.yPelsPerMeter = from.yPelsPerMeter;
    to.clrUsed = from.clrUsed;
    to.clrImportant = from.clrImportant;
}

// A description of new pixels that keeps what the old one knew beyond the pixels themselves.
TDibDescription Refresh(const platform::Surface* s, const TDibDescription& old) {
    if (!s) {
        TDibDescription d = old;
        d.bitmap.bits = nullptr;
        d.section = nullptr;
        return d;
    }
    TDibDescription d = Describe(s);
    if (d.header.size) KeepHeaderFacts(d.header, old.header);
    return d;
}

// The magnitude of a stored height, which may be negative for a top-down section.
int32_t Magnitude(int32_t v) { return v == INT32_MIN ? INT32_MAX : (v < 0 ? -v : v); }

void WriteLE(TStream& s, uint32_t v, int bytes) {
    uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                    static_cast<uint8_t>(v >> 24)};
    s.WriteBuffer(b, bytes);
}

}  // namespace

TBitmapImage::~TBitmapImage() = default;

void TBitmapImage::FreeHandles() {
    mask_.reset();
    bitmap_.reset();
    palette_.reset();
}

TBitmap::TBitmap() : image_(new TBitmapImage()), transparentColor_(clDefault) { image_->AddRef(); }

TBitmap::~TBitmap() {
    canvas_.reset();
    TSharedImage::DropRef(image_);
}

std::unique_ptr<TGraphic> TBitmap::NewInstance() const { return std::make_unique<TBitmap>(); }

void TBitmap::CloseCanvasHandle() {
    if (canvas_) canvas_->CloseHandle();
}

void TBitmap::ReplaceImage(TBitmapImage* image) {
    CloseCanvasHandle();
    std::lock_guard guard(gImageLock);
    TBitmapImage* old = image_;
    image_ = image;
    TSharedImage::DropRef(old);
    maskValid_ = false;
}

void TBitmap::MakeReady() {
    if (image_->bitmap_ || !image_->savedStream_) return;
    // The image holds only the file bytes: read them again, without telling anyone.
    TMemoryStream bytes;
    TMemoryStream& saved = *image_->savedStream_;
    bytes.Write(saved.Memory(), saved.Size());
    bytes.SetPosition(0);
    auto onChange = std::move(OnChange);
    OnChange = nullptr;
    try {
        LoadStream(bytes);
    } catch (...) {
        OnChange = std::move(onChange);
        throw;
    }
    OnChange = std::move(onChange);
}

std::unique_ptr<platform::Surface> TBitmap::BuildFrom(const platform::Surface* old, TDibDescription& description,
                                                      const platform::PaletteHandle& palette, NewPixels newPixels) {
    int width = description.header.size ? description.header.width : description.bitmap.width;
    int height = description.header.size ? description.header.height : description.bitmap.height;
    if (width == 0 || height == 0) return nullptr;

    std::unique_ptr<platform::Surface> surface;
    if (description.header.size) {
        platform::BitmapInfoHeader header = description.header;
        if (header.bitCount == 0) header.bitCount = platform::kScreenBitsPerPixel;
        std::vector<platform::RgbQuad> colors;
        if (palette) colors = platform::ColorTableFromPalette(*palette);
        else if (old && old->IsDib()) colors = old->Colors();
        if (header.bitCount == 1 && canvas_) {
            platform::ColorRef fore = ColorToRGB(canvas_->Font().Color()), back = ColorToRGB(canvas_->Brush().Color());
            colors = {{platform::BlueOf(fore), platform::GreenOf(fore), platform::RedOf(fore), 0},
                      {platform::BlueOf(back), platform::GreenOf(back), platform::RedOf(back), 0}};
        }
        surface = platform::Surface::CreateDib(header, colors, description.masks, kWrittenWhole);
        if (!surface) throw EOutOfResources(msg::OutOfResources);
    } else if ((description.bitmap.planes | description.bitmap.bitsPixel) == 1) {
        surface = platform::Surface::CreateMonochrome(width, Magnitude(height));
    } else {
        if (width < 0 || height < 0) throw EOutOfResources(msg::OutOfResources);
        surface = platform::Surface::CreateDisplay(width, height, kWrittenWhole);
    }

    platform::MonoColors colors;
    platform::ColorRef fill = 0xFFFFFF;
    if (canvas_) {
        fill = ColorToRGB(canvas_->Brush().Color());
        colors.text = ColorToRGB(canvas_->Font().Color());
        colors.background = fill;
    }
    if (!old && newPixels == NewPixels::Unfilled) return surface;
    // Only what the old pixels do not cover is filled.
    int coveredWidth = old ? std::min(old->Width(), surface->Width()) : 0;
    int coveredHeight = old ? std::min(old->Height(), surface->Height()) : 0;
    platform::FillSurface(*surface, {coveredWidth, 0, surface->Width(), surface->Height()}, fill);
    platform::FillSurface(*surface, {0, coveredHeight, coveredWidth, surface->Height()}, fill);
    if (old) platform::CopySurface(*surface, 0, 0, coveredWidth, coveredHeight, *old, 0, 0, colors);
    return surface;
}

void TBitmap::Resize(TDibDescription description, NewPixels newPixels) {
    MakeReady();
    CloseCanvasHandle();
    platform::PaletteHandle palette = image_->palette_;
    auto surface = BuildFrom(image_->bitmap_.get(), description, palette, newPixels);
    auto* image = new TBitmapImage();
    image->description_ = Refresh(surface.get(), description);
    image->bitmap_ = std::move(surface);
    image->palette_ = std::move(palette);
    image->halftone_ = image_->halftone_;
    image->AddRef();
    ReplaceImage(image);
}

void TBitmap::SetHeight(int value) {
    SetExtent(value, &TBitmapPart::height, &platform::BitmapInfoHeader::height, NewPixels::Filled);
}

void TBitmap::SetHeightUnfilled(int value) {
    SetExtent(value, &TBitmapPart::height, &platform::BitmapInfoHeader::height, NewPixels::Unfilled);
}

void TBitmap::SetWidth(int value) {
    SetExtent(value, &TBitmapPart::width, &platform::BitmapInfoHeader::width, NewPixels::Filled);
}

// One side of the size: the bitmap record's and, for a section, the header's field of that side.
void TBitmap::SetExtent(int value, int32_t TBitmapPart::*side, int32_t platform::BitmapInfoHeader::*headerSide,
                        NewPixels newPixels) {
    if (value < 0) throw EOutOfResources(msg::OutOfResources);
    const TDibDescription& d = image_->description_;
    if (value == (d.header.size ? d.header.*headerSide : d.bitmap.*side)) return;
    MakeReady();
    TDibDescription description = image_->description_;
    description.bitmap.*side = value;
    if (description.header.size) description.header.*headerSide = value;
    Resize(description, newPixels);
    NotifyChanged();
}


int TBitmap::Width() const { return image_->description_.bitmap.width; }

int TBitmap::Height() const { return Magnitude(image_->description_.bitmap.height); }

bool TBitmap::IsEmpty() const { return !image_->bitmap_ && !image_->savedStream_; }

platform::PaletteHandle TBitmap::Palette() const { return image_->palette_; }

bool TBitmap::Monochrome() const {
    const TBitmapPart& b = image_->description_.bitmap;
    return (b.planes | b.bitsPixel) == 1;
}

void TBitmap::NotifyChanged() {
    maskValid_ = false;
    TGraphic::NotifyChanged();
}

void TBitmap::PrepareToChange() {
    MakeReady();
    if (image_->RefCount() > 1) {
        CloseCanvasHandle();
        auto* image = new TBitmapImage();
        try {
            if (image_->bitmap_) image->bitmap_ = image_->bitmap_->Clone();
        } catch (...) {
            delete image;
            throw;
        }
        image->description_ = Refresh(image->bitmap_.get(), image_->description_);
        if (!image_->halftone_) image->palette_ = image_->palette_;
        image->os2Format_ = image_->os2Format_;
        image->AddRef();
        ReplaceImage(image);
    }
    image_->description_.header.clrUsed = 0;
    image_->description_.header.clrImportant = 0;
    image_->savedStream_.reset();
}

platform::Surface* TBitmap::Handle() {
    CloseCanvasHandle();
    PrepareToChange();
    return image_->bitmap_.get();
}

platform::Surface* TBitmap::MaskHandle() {
    MakeReady();
    if (!image_->bitmap_) return nullptr;
    if (!maskValid_ || !image_->mask_) {
        image_->mask_ = platform::BuildMask(*image_->bitmap_, ColorToRGB(TransparentColor()));
        maskValid_ = true;
    }
    return image_->mask_.get();
}

TBitmapHandleType TBitmap::HandleType() const {
    if (image_->bitmap_) return image_->bitmap_->IsDib() ? TBitmapHandleType::DIB : TBitmapHandleType::DDB;
    return image_->description_.header.size ? TBitmapHandleType::DIB : TBitmapHandleType::DDB;
}

void TBitmap::SetHandleType(TBitmapHandleType type) {
    if (type == HandleType()) return;
    TDibDescription description = image_->description_;
    if (type == TBitmapHandleType::DDB) {
        description.header = {};
        description.bitmap.planes = 1;
        description.bitmap.bitsPixel = Monochrome() ? 1 : platform::kScreenBitsPerPixel;
    } else {
        description.header = {};
        description.header.size = 40;
        description.header.width = description.bitmap.width;
        description.header.height = description.bitmap.height;
        description.header.planes = 1;
        description.header.bitCount = Monochrome() ? 1 : platform::kScreenBitsPerPixel;
    }
    ConvertTo(description, image_->palette_);
    NotifyChanged();
}

void TBitmap::ConvertTo(const TDibDescription& description, platform::PaletteHandle palette) {
    // The old pixels are only read, into a new image, so a shared image needs no private copy first.
    MakeReady();
    CloseCanvasHandle();
    const platform::Surface* old = image_->bitmap_.get();
    TDibDescription d = description;
    auto surface = BuildFrom(old, d, palette);
    auto* image = new TBitmapImage();
    image->description_ = Refresh(surface.get(), d);
    image->bitmap_ = std::move(surface);
    image->palette_ = std::move(palette);
    image->halftone_ = image->palette_ && image->palette_->IsHalftone();
    image->AddRef();
    ReplaceImage(image);
}

void TBitmap::ReleaseHandle() {
    if (!image_->bitmap_) return;
    auto* image = new TBitmapImage();
    image->palette_ = image_->palette_;
    image->AddRef();
    ReplaceImage(image);
    NotifyChanged();
}

TPixelFormat TBitmap::PixelFormat() const {
    const TDibDescription& d = image_->description_;
    if (image_->bitmap_ ? !image_->bitmap_->IsDib() : d.header.size == 0) return TPixelFormat::Device;
    switch (d.header.bitCount) {
        case 1: return TPixelFormat::Bit1;
        case 4: return TPixelFormat::Bit4;
        case 8: return TPixelFormat::Bit8;
        case 16:
            if (d.header.compression == platform::kBiRgb) return TPixelFormat::Bit15;
            if (d.header.compression == platform::kBiBitFields && d.masks[1] == 0x07E0) return TPixelFormat::Bit16;
            return TPixelFormat::Custom;
        case 24: return TPixelFormat::Bit24;
        case 32: return d.header.compression == platform::kBiRgb ? TPixelFormat::Bit32 : TPixelFormat::Custom;
        default: return TPixelFormat::Custom;
    }
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
    if (PixelFormat() == format) return;
    if (format == TPixelFormat::Device) {
        SetHandleType(TBitmapHandleType::DDB);
        return;
    }
    if (format == TPixelFormat::Custom) throw EInvalidGraphic(msg::InvalidGraphic);

    static constexpr uint16_t kBits[] = {0, 1, 4, 8, 16, 16, 24, 32};
    TDibDescription description;
    description.bitmap = image_->description_.bitmap;
    description.bitmap.height = Magnitude(description.bitmap.height);
    description.header.size = 40;
    description.header.width = description.bitmap.width;
    description.header.height = description.bitmap.height;
    description.header.planes = 1;
    description.header.bitCount = kBits[static_cast<int>(format)];
    if (format == TPixelFormat::Bit16) {
        description.header.compression = platform::kBiBitFields;
        description.masks[0] = 0xF800, description.masks[1] = 0x07E0, description.masks[2] = 0x001F;
    }
    platform::PaletteHandle palette = image_->palette_;
    if (format == TPixelFormat::Bit4) palette = platform::SixteenColorPalette();
    if (format == TPixelFormat::Bit8) {
        auto halftone = platform::CreateHalftonePalette();
        palette = std::make_shared<const platform::Palette>(halftone->Entries());
    }
    ConvertTo(description, palette);
    SetPaletteModified(palette != nullptr);
    NotifyChanged();
}

void TBitmap::SetPalette(platform::PaletteHandle palette) {
    if (palette == image_->palette_) return;
    if (!palette && image_->RefCount() == 1) {
        image_->palette_.reset();
    } else {
        MakeReady();
        CloseCanvasHandle();
        TDibDescription description = image_->description_;
        auto surface = image_->bitmap_ ? [&] {
            // The pixels are rebuilt on plain white with the new colour table.
            auto canvas = std::move(canvas_);
            try {
                auto s = BuildFrom(image_->bitmap_.get(), description, palette);
                canvas_ = std::move(canvas);
                return s;
            } catch (...) {
                canvas_ = std::move(canvas);
                throw;
            }
        }() : nullptr;
        auto* image = new TBitmapImage();
        image->description_ = Refresh(surface.get(), description);
        image->bitmap_ = std::move(surface);
        image->palette_ = palette;
        image->halftone_ = image->palette_ && image->palette_->IsHalftone();
        image->AddRef();
        ReplaceImage(image);
    }
    if (palette && image_->bitmap_ && image_->bitmap_->IsDib() && image_->bitmap_->BitCount() <= 8)
        image_->bitmap_->SetColors(platform::ColorTableFromPalette(*palette));
    SetPaletteModified(true);
    NotifyChanged();
}

uint8_t* TBitmap::ScanLine(int row) {
    PrepareToChange();
    if (row < 0 || row >= Height()) throw EInvalidGraphicOperation(msg::ScanLine);
    platform::Surface* surface = image_->bitmap_.get();
    return surface ? surface->Row(row) : nullptr;
}

TCanvas& TBitmap::Canvas() {
    if (!canvas_) {
        MakeReady();
        canvas_ = std::make_unique<TBitmapCanvas>(this);
        canvas_->OnChange = [this](TCanvas*) { NotifyChanged(); };
        canvas_->OnChanging = [this](TCanvas*) { PrepareToChange(); };
    }
    return *canvas_;
}

TColor TBitmap::TransparentColor() {
    if (transparentColor_ != clDefault) return transparentColor_;
    if (Monochrome()) return clWhite;
    MakeReady();
    platform::Surface* surface = image_->bitmap_.get();
    return surface ? static_cast<TColor>(surface->Pixel(0, surface->Height() - 1)) : clWhite;
}

void TBitmap::SetTransparentColor(TColor color) {
    if (color == transparentColor_) return;
    transparentColor_ = color;
    transparentMode_ = color == clDefault ? TTransparentMode::Auto : TTransparentMode::Fixed;
    maskValid_ = false;
    NotifyChanged();
}

void TBitmap::SetTransparentMode(TTransparentMode mode) {
    if (mode == transparentMode_) return;
    SetTransparentColor(mode == TTransparentMode::Auto ? clDefault : TransparentColor());
}

void TBitmap::AssignFrom(TPersistent* source) {
    auto* other = dynamic_cast<TBitmap*>(source);
    if (source && !other) {
        TGraphic::AssignFrom(source);
        return;
    }
    if (other == this) return;
    if (other) {
        {
            std::lock_guard guard(gImageLock);
            other->image_->AddRef();
            ReplaceImage(other->image_);
        }
        transparent_ = other->transparent_;
        transparentColor_ = other->transparentColor_;
        transparentMode_ = other->transparentMode_;
    } else {
        auto* image = new TBitmapImage();
        image->AddRef();
        ReplaceImage(image);
    }
    SetPaletteModified(Palette() != nullptr);
    NotifyChanged();
}

void TBitmap::DrawOn(TCanvas& canvas, const TRect& rect) {
    MakeReady();
    platform::Surface* surface = image_->bitmap_.get();
    if (!surface) return;
    canvas.RequireDrawingTools();
    platform::DeviceContext& dc = canvas.Handle();
    platform::PaletteHandle previous;
    bool selected = false;
    if (image_->palette_) {
        previous = dc.SelectPalette(image_->palette_);
        selected = true;
    }
    platform::StretchMode oldMode = dc.Stretch();
    int targetBits = dc.BitsPerPixel();
    if (targetBits <= 8 && targetBits < surface->BitCount()) dc.SetStretchMode(platform::StretchMode::Halftone);
    else if (!Monochrome()) dc.SetStretchMode(platform::StretchMode::ColorOnColor);

    platform::Rect dst{rect.Left, rect.Top, rect.Right, rect.Bottom};
    platform::Rect src{0, 0, surface->Width(), surface->Height()};
    if (Transparent()) {
        platform::Surface* mask = MaskHandle();
        dc.MaskedStretchBlt(dst, *surface, src, *mask);
    } else {
        dc.StretchBlt(dst, *surface, src, platform::RasterOp::SrcCopy);
    }
    dc.SetStretchMode(oldMode);
    if (selected) dc.SelectPalette(std::move(previous));
}

void TBitmap::AdoptImage(std::unique_ptr<platform::Surface> pixels, platform::PaletteHandle palette,
                         const platform::BitmapInfoHeader& header, std::unique_ptr<TMemoryStream> savedStream,
                         bool os2Header) {
    auto* image = new TBitmapImage();
    TDibDescription old;
    old.header = header;
    image->description_ = pixels ? Refresh(pixels.get(), old) : old;
    // Decoded run-length pixels are device-dependent, yet the file's facts stay with them too.
    KeepHeaderFacts(image->description_.header, header);
    if (!pixels) {
        image->description_.bitmap.width = header.width;
        image->description_.bitmap.height = Magnitude(header.height);
    }
    image->bitmap_ = std::move(pixels);
    image->palette_ = std::move(palette);
    image->halftone_ = image->palette_ && image->palette_->IsHalftone();
    image->savedStream_ = std::move(savedStream);
    image->os2Format_ = os2Header;
    image->AddRef();
    ReplaceImage(image);
    SetPaletteModified(image_->palette_ != nullptr);
    NotifyChanged();
}

void TBitmap::LoadStream(TStream& stream) { ReadBitmapFile(*this, stream, stream.Size() - stream.Position()); }

void TBitmap::SaveStream(TStream& stream) {
    if (TMemoryStream* saved = image_->savedStream_.get()) {
        stream.WriteBuffer(saved->Memory(), saved->Size());
        return;
    }
    const platform::Surface* s = image_->bitmap_.get();
    if (!s) return;
    // Device-dependent pixels are written as the section they already are laid out like.
    int bits = s->BitCount();
    bool fields = s->IsDib() && s->HasBitFields();
    std::vector<platform::RgbQuad> colors = s->Colors();
    if (s->IsMonochrome()) colors = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    uint32_t headerBytes = 14 + 40 + (fields ? 12 : 0) + static_cast<uint32_t>(colors.size()) * 4;
    uint32_t imageBytes = static_cast<uint32_t>(s->ImageSize());
    WriteLE(stream, 0x4D42, 2);
    WriteLE(stream, headerBytes + imageBytes, 4);
    WriteLE(stream, 0, 4);
    WriteLE(stream, headerBytes, 4);
    WriteLE(stream, 40, 4);
    WriteLE(stream, static_cast<uint32_t>(s->Width()), 4);
    WriteLE(stream, static_cast<uint32_t>(s->Height()), 4);
    WriteLE(stream, 1, 2);
    WriteLE(stream, static_cast<uint32_t>(bits), 2);
    WriteLE(stream, fields ? platform::kBiBitFields : platform::kBiRgb, 4);
    WriteLE(stream, imageBytes, 4);
    WriteLE(stream, static_cast<uint32_t>(image_->description_.header.xPelsPerMeter), 4);
    WriteLE(stream, static_cast<uint32_t>(image_->description_.header.yPelsPerMeter), 4);
    WriteLE(stream, 0, 4);
    WriteLE(stream, 0, 4);
    if (fields) {
        WriteLE(stream, s->RedMask(), 4);
        WriteLE(stream, s->GreenMask(), 4);
        WriteLE(stream, s->BlueMask(), 4);
    }
    for (const platform::RgbQuad& q : colors) stream.WriteBuffer(&q, 4);
    for (int y = s->Height() - 1; y >= 0; --y) stream.WriteBuffer(s->Row(y), s->Stride());
}

void TBitmap::ReadEmbedded(TStream& stream) {
    uint8_t b[4];
    stream.ReadBuffer(b, 4);
    int64_t count = static_cast<int32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24);
    if (count < 0) throw EReadError(msg::ReadError);
    TMemoryStream bytes;
    bytes.SetSize(count);
    stream.ReadBuffer(bytes.Memory(), count);
    bytes.SetPosition(0);
    LoadStream(bytes);
}

void TBitmap::WriteEmbedded(TStream& stream) {
    TMemoryStream bytes;
    SaveStream(bytes);
    WriteLE(stream, static_cast<uint32_t>(bytes.Size()), 4);
    stream.WriteBuffer(bytes.Memory(), bytes.Size());
}

// The clipboard carries a device-independent bitmap: a bitmap file without its 14-byte file header.
constexpr uint16_t kClipboardDib = 8;

void TBitmap::LoadClipboard(uint16_t format, TMemoryStream& data, platform::PaletteHandle palette) {
    if (format != kClipboardDib) throw EInvalidGraphic(msg::InvalidGraphic);
    TMemoryStream file;
    WriteLE(file, 0x4D42, 2);
    WriteLE(file, static_cast<uint32_t>(data.Size() + 14), 4);
    WriteLE(file, 0, 4);
    WriteLE(file, 0, 4);
    file.WriteBuffer(data.Memory(), data.Size());
    file.SetPosition(0);
    LoadStream(file);
    if (palette) SetPalette(std::move(palette));
}

void TBitmap::SaveClipboard(uint16_t& format, TMemoryStream& data, platform::PaletteHandle& palette) {
    TMemoryStream file;
    SaveStream(file);
    format = kClipboardDib;
    if (file.Size() > 14) data.WriteBuffer(file.Memory() + 14, file.Size() - 14);
    palette = Palette();
}

}  // namespace zavo

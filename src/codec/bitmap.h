// The bitmap: a raster graphic whose pixels live in a shared image record. Copies share the record;
// the first drawing on a shared image, or a request for its handle, gives the bitmap a private
// copy, and a resize builds a new image that keeps the top-left pixels and fills the rest.
#pragma once

#include <cstdint>
#include <memory>

#include "base/streams.h"
#include "codec/canvas.h"
#include "codec/graphic.h"
#include "codec/metadata.h"
#include "codec/sharedimage.h"
#include "platform/palette.h"
#include "platform/surface.h"

namespace zavo {

enum class TPixelFormat { Device, Bit1, Bit4, Bit8, Bit15, Bit16, Bit24, Bit32, Custom };
enum class TBitmapHandleType { DIB, DDB };
enum class TTransparentMode { Auto, Fixed };

// The bitmap part of a description: what the platform reports for any bitmap.
struct TBitmapPart {
    int32_t type = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t widthBytes = 0;
    uint16_t planes = 0;
    uint16_t bitsPixel = 0;
    uint8_t* bits = nullptr;
};

// What is known of the pixels of an image. The info header's size is 0 for a device-dependent
// bitmap.
struct TDibDescription {
    TBitmapPart bitmap;
    platform::BitmapInfoHeader header;
    uint32_t masks[3] = {0, 0, 0};
    platform::Surface* section = nullptr;
    uint32_t offset = 0;
};

class TBitmapImage : public TSharedImage {
public:
    TBitmapImage() = default;

    // The pixels the canvas draws on (null for an empty image). When they form a section, Section()
    // is the same surface.
    platform::Surface* Handle() const { return bitmap_.get(); }
    platform::Surface* Section() const { return bitmap_ && bitmap_->IsDib() ? bitmap_.get() : nullptr; }
    platform::Surface* Mask() const { return mask_.get(); }
    const platform::PaletteHandle& Palette() const { return palette_; }
    const TDibDescription& Description() const { return description_; }
    TMemoryStream* SavedStream() const { return savedStream_.get(); }
    bool OS2Format() const { return os2Format_; }
    bool Halftone() const { return halftone_; }

    // Frees the mask, the pixels and the palette.
    void FreeHandles() override;

protected:
    ~TBitmapImage() override;

private:
    friend class TBitmap;

    std::unique_ptr<platform::Surface> bitmap_;
    std::unique_ptr<platform::Surface> mask_;
    platform::PaletteHandle palette_;
    TDibDescription description_;
    std::unique_ptr<TMemoryStream> savedStream_;
    bool os2Format_ = false;
    bool halftone_ = false;
};

class TBitmap : public TGraphic {
public:
    TBitmap();
    ~TBitmap() override;

    // From a TBitmap: shares its image (no pixels copied); from null: becomes empty; from anything
    // else: the source's CopyInto decides.
    void AssignFrom(TPersistent* source) override;
    void NotifyChanged() override;
    // Draws the whole bitmap stretched into the rectangle of the canvas.
    void DrawOn(TCanvas& canvas, const TRect& rect) override;
    bool IsEmpty() const override;
    int Height() const override;
    platform::PaletteHandle Palette() const override;
    int Width() const override;
    void ReadEmbedded(TStream& stream) override;
    // Resizes, keeping the top-left pixels; the new area is white (or the canvas's brush).
    void SetHeight(int value) override;
    // SetHeight for a bitmap that has no pixels yet, leaving the new pixels undefined (row padding
    // aside): for a decoder that writes every row. A bitmap with pixels is resized as by SetHeight.
    void SetHeightUnfilled(int value);
    // Rebuilds the pixels with the palette as their colour table.
    void SetPalette(platform::PaletteHandle palette) override;
    void SetWidth(int value) override;
    void WriteEmbedded(TStream& stream) override;
    std::unique_ptr<TGraphic> NewInstance() const override;
    // Reads a bitmap file from the stream's position to its end.
    void LoadStream(TStream& stream) override;
    // Writes the pixels as a bitmap file (the bytes as read, when the image still holds them).
    void SaveStream(TStream& stream) override;
    void LoadClipboard(uint16_t format, TMemoryStream& data, platform::PaletteHandle palette) override;
    void SaveClipboard(uint16_t& format, TMemoryStream& data, platform::PaletteHandle& palette) override;

    // Slots after TGraphic's: the pixels, after closing the canvas's context and the copy-on-write
    // step (the caller may change them); the transparency mask, built on demand; the handle kind.
    virtual platform::Surface* Handle();
    virtual platform::Surface* MaskHandle();
    virtual void SetHandleType(TBitmapHandleType type);

    TBitmapHandleType HandleType() const;
    // Replaces the image by an empty one; the palette stays with the bitmap.
    void ReleaseHandle();
    bool HandleAllocated() const { return image_->Handle() != nullptr; }

    TPixelFormat PixelFormat() const;
    // EInvalidGraphic "画像フォーマットが不正です" for Custom.
    void SetPixelFormat(TPixelFormat format);
    bool Monochrome() const;

    // Address of row r (0 at the top); EInvalidGraphicOperation
    // "スキャンライン のインデックスが範囲を越えました" unless 0 <= r < Height().
    uint8_t* ScanLine(int row);

    TCanvas& Canvas();
    bool HasCanvas() const { return canvas_ != nullptr; }

    // The transparent colour: by default white for a monochrome bitmap, otherwise the bottom-left pixel.
    TColor TransparentColor();
    void SetTransparentColor(TColor color);
    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode mode);

    const TBitmapImage& Image() const { return *image_; }

    // For readers: replaces the image by new pixels (a section, or a display-format surface decoded
    // from compressed data) with their palette. header carries the resolution and the colours used
    // and important as read; savedStream, when given, holds the file bytes as read; os2Header tells
    // that the file had an OS/2 header. PaletteModified follows whether there is a palette; the
    // change is signalled.
    void AdoptImage(std::unique_ptr<platform::Surface> pixels, platform::PaletteHandle palette,
                    const platform::BitmapInfoHeader& header, std::unique_ptr<TMemoryStream> savedStream,
                    bool os2Header);

    // The colour profile of the file last read, or null; set by the reader.
    const std::shared_ptr<const TMetadata>& FileMetadata() const { return fileMetadata_; }
    void SetFileMetadata(std::shared_ptr<const TMetadata> value) { fileMetadata_ = std::move(value); }

    // The copy-on-write step run before drawing on the canvas and before the handle is given out.
    void PrepareToChange();

private:
    friend class TBitmapCanvas;

    // Re-reads the saved stream when the image holds nothing else.
    void MakeReady();
    void ReplaceImage(TBitmapImage* image);
    void CloseCanvasHandle();
    enum class NewPixels { Filled, Unfilled };
    std::unique_ptr<platform::Surface> BuildFrom(const platform::Surface* old, TDibDescription& description,
                                                 const platform::PaletteHandle& palette,
                                                 NewPixels newPixels = NewPixels::Filled);
    void Resize(TDibDescription description, NewPixels newPixels);
    void SetExtent(int value, int32_t TBitmapPart::*side, int32_t platform::BitmapInfoHeader::*headerSide,
                   NewPixels newPixels);
    void ConvertTo(const TDibDescription& description, platform::PaletteHandle palette);

    TBitmapImage* image_;
    std::unique_ptr<TBitmapCanvas> canvas_;
    TColor transparentColor_;
    TTransparentMode transparentMode_ = TTransparentMode::Auto;
    bool maskValid_ = false;
    bool ignorePalette_ = false;
    std::shared_ptr<const TMetadata> fileMetadata_;
};

}  // namespace zavo

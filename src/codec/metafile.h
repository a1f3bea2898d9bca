// Metafiles: enhanced (EMF) and Windows (WMF, with the placeable header) vector pictures. The kind is
// decided by content; both are played by the platform's record player when drawn.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "codec/graphic.h"
#include "codec/sharedimage.h"
#include "platform/metafileplayer.h"

namespace zavo {

// The bytes of one loaded metafile, shared by copies.
class TMetafileImage : public TSharedImage {
public:
    void FreeHandles() override {}

    bool loaded = false;
    bool enhanced = true;
    // Enhanced: the whole file. Windows: the records behind the placeable header.
    std::vector<uint8_t> data;
    std::array<uint8_t, 22> placeable{};
    platform::EnhancedHeader header;  // enhanced form only
    platform::MetafileRect bounds;     // Windows form: the placeable header's bounds
    int32_t mmWidth = 0;   // size in 0.01 mm
    int32_t mmHeight = 0;
    uint16_t inch = 0;     // units per inch of the Windows form; 0 for the enhanced form
};

class TMetafile : public TGraphic {
public:
    TMetafile();
    ~TMetafile() override;

    // From a TMetafile: shares its image; from null: becomes a metafile without records.
    void AssignFrom(TPersistent* source) override;
    // Plays the records into the rectangle shrunk by one pixel at the right and bottom.
    void DrawOn(TCanvas& canvas, const TRect& rect) override;
    // A metafile always holds an image record, so it never counts as empty.
    bool IsEmpty() const override { return false; }
    int Height() const override;
    int Width() const override;
    void SetHeight(int value) override;
    void SetWidth(int value) override;
    std::unique_ptr<TGraphic> NewInstance() const override;
    // Reads an enhanced or a placeable Windows metafile from the stream's position to its end.
    void LoadStream(TStream& stream) override;
    // Writes the file as it was read.
    void SaveStream(TStream& stream) override;
    void LoadClipboard(uint16_t format, TMemoryStream& data, platform::PaletteHandle palette) override;
    void SaveClipboard(uint16_t& format, TMemoryStream& data, platform::PaletteHandle& palette) override;

    bool Enhanced() const { return image_->enhanced; }
    // Size in 0.01 mm.
    int MMWidth() const { return image_->mmWidth; }
    int MMHeight() const { return image_->mmHeight; }
    // Units per inch of a Windows metafile (0 for an enhanced one).
    int Inch() const { return image_->inch; }

private:
    void Replace(TMetafileImage* image);
    void LoadEnhanced(TStream& stream);
    void LoadPlaceable(TStream& stream);
    TMetafileImage& Unshared();
    int ToPixels(int32_t size, int32_t devicePixels, int32_t deviceMm) const;
    int32_t FromPixels(int value, int32_t devicePixels, int32_t deviceMm) const;

    TMetafileImage* image_;
};

}  // namespace zavo

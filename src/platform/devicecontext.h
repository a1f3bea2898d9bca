// A drawing context over one surface: the colours, modes and palette that drawing uses, and the
// drawing operations (fills, copies, text, lines).
#pragma once

#include <string>

#include "platform/palette.h"
#include "platform/pixelconvert.h"
#include "platform/surface.h"

namespace zavo::platform {

enum class StretchMode { ColorOnColor, Halftone, BlackOnWhite, WhiteOnBlack };
enum class BackgroundMode { Opaque, Transparent };

struct FontAttributes {
    std::string family = "ＭＳ Ｐゴシック";
    // Below 0: the character height in pixels; above 0: the cell height; 0: a default height.
    int height = -12;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};

struct Size {
    int width = 0;
    int height = 0;
};

// Drawing may also run on a worker thread. Called once on the user-interface thread before that,
// it makes the one-time settings text drawing and the screen facts need, which the worker then
// only reads.
void PrepareBackgroundDrawing();

class DeviceContext {
public:
    explicit DeviceContext(Surface* target = nullptr) : target_(target) {}

    // Selects a surface to draw on and returns the one it displaces (null for none).
    Surface* SelectSurface(Surface* surface);
    Surface* Target() const { return target_; }
    PaletteHandle SelectPalette(PaletteHandle palette);
    const PaletteHandle& SelectedPalette() const { return palette_; }
    // Bits per pixel of the selected surface, or of the display without one.
    int BitsPerPixel() const;

    ColorRef BackgroundColor() const { return colors_.background; }
    void SetBackgroundColor(ColorRef color) { colors_.background = color; }
    ColorRef TextColor() const { return colors_.text; }
    void SetTextColor(ColorRef color) { colors_.text = color; }
    BackgroundMode Background() const { return backgroundMode_; }
    void SetBackgroundMode(BackgroundMode mode) { backgroundMode_ = mode; }
    StretchMode Stretch() const { return stretchMode_; }
    void SetStretchMode(StretchMode mode) { stretchMode_ = mode; }

    // Each drawing call does nothing without a selected surface.
    void FillRect(const Rect& rect, ColorRef color);
    void BitBlt(int x, int y, int width, int height, const Surface& source, int sx, int sy,
                RasterOp op = RasterOp::SrcCopy);
    void StretchBlt(const Rect& dst, const Surface& source, const Rect& src, RasterOp op = RasterOp::SrcCopy);
    // Copies the source stretched, leaving the target where the mask has 1 bits.
    void MaskedStretchBlt(const Rect& dst, const Surface& source, const Rect& src, const Surface& mask);
    // Text with the top-left of its first character cell at x, y, in the text colour, on the
    // background colour unless the background mode is transparent. Returns the drawn extent.
    Size TextOut(int x, int y, const std::string& utf8, const FontAttributes& font);
    Size TextExtent(const std::string& utf8, const FontAttributes& font) const;

    // The colours a copy from a monochrome surface (or into one) takes from this context.
    MonoColors CopyColors() const { return colors_; }

private:
    Surface* target_;
    PaletteHandle palette_;
    MonoColors colors_;
    BackgroundMode backgroundMode_ = BackgroundMode::Opaque;
    StretchMode stretchMode_ = StretchMode::BlackOnWhite;
};

}  // namespace zavo::platform

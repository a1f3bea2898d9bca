// Colour palettes: immutable lists of colours shared by handle. The process-wide 16-colour palette
// and half-tone palettes for converting true colour to 8 bits.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace zavo::platform {

// A colour as the drawing code passes it around: 0x00BBGGRR (red in the low byte).
using ColorRef = uint32_t;

constexpr ColorRef MakeColorRef(uint8_t red, uint8_t green, uint8_t blue) {
    return static_cast<ColorRef>(red) | static_cast<ColorRef>(green) << 8 | static_cast<ColorRef>(blue) << 16;
}
constexpr uint8_t RedOf(ColorRef c) { return static_cast<uint8_t>(c); }
constexpr uint8_t GreenOf(ColorRef c) { return static_cast<uint8_t>(c >> 8); }
constexpr uint8_t BlueOf(ColorRef c) { return static_cast<uint8_t>(c >> 16); }

// One colour-table entry of a device-independent bitmap, in file order.
struct RgbQuad {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    uint8_t reserved = 0;
    friend bool operator==(const RgbQuad&, const RgbQuad&) = default;
};

struct PaletteEntry {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t flags = 0;
    friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};

class Palette {
public:
    // At most 256 entries are kept.
    explicit Palette(std::vector<PaletteEntry> entries, bool halftone = false);

    const std::vector<PaletteEntry>& Entries() const { return entries_; }
    int Count() const { return static_cast<int>(entries_.size()); }
    bool IsHalftone() const { return halftone_; }

private:
    std::vector<PaletteEntry> entries_;
    bool halftone_;
};

// A palette handle: null for none. Palettes never change, so sharing one is as good as a copy.
using PaletteHandle = std::shared_ptr<const Palette>;

// The 16 standard colours, made once per process.
PaletteHandle SixteenColorPalette();
// A 256-entry half-tone palette: the 20 static colours, a 6x6x6 colour cube and a gray ramp.
PaletteHandle CreateHalftonePalette();
PaletteHandle PaletteFromColorTable(std::span<const RgbQuad> table);
std::vector<RgbQuad> ColorTableFromPalette(const Palette& palette);

}  // namespace zavo::platform

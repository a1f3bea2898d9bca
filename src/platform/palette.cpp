#include "platform/palette.h"

#include <algorithm>

namespace zavo::platform {

Palette::Palette(std::vector<PaletteEntry> entries, bool halftone)
    : entries_(std::move(entries)), halftone_(halftone) {
    if (entries_.size() > 256) entries_.resize(256);
}

namespace {

// The first ten and last ten colours every palette-based display reserves.
constexpr PaletteEntry kStaticColors[20] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},   {0, 0, 128, 0},
    {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0}, {192, 220, 192, 0}, {166, 202, 240, 0},
    {255, 251, 240, 0}, {160, 160, 164, 0}, {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},
    {255, 255, 0, 0},   {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
};

}  // namespace

PaletteHandle SixteenColorPalette() {
    // Black, maroon, green, olive, navy, purple, teal, gray, silver, red, lime, yellow, blue,
    // fuchsia, aqua, white: the display has no palette of its own, so these are the colours.
    static const PaletteHandle palette = std::make_shared<const Palette>(std::vector<PaletteEntry>{
        {0, 0, 0, 0}, {128, 0, 0, 0}, {0, 128, 0, 0}, {128, 128, 0, 0}, {0, 0, 128, 0}, {128, 0, 128, 0},
        {0, 128, 128, 0}, {128, 128, 128, 0}, {192, 192, 192, 0}, {255, 0, 0, 0}, {0, 255, 0, 0},
        {255, 255, 0, 0}, {0, 0, 255, 0}, {255, 0, 255, 0}, {0, 255, 255, 0}, {255, 255, 255, 0}});
    return palette;
}

PaletteHandle CreateHalftonePalette() {
    std::vector<PaletteEntry> entries(kStaticColors, kStaticColors + 10);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                entries.push_back({static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51),
                                   static_cast<uint8_t>(b * 51), 0});
    // Grays between the cube's levels fill the room up to the last ten static colours.
    for (int i = 1; i <= 20; ++i) {
        if (i % 4 == 0) continue;
        auto v = static_cast<uint8_t>(i * 255 / 21);
        entries.push_back({v, v, v, 0});
    }
    while (entries.size() < 246) entries.push_back({0, 0, 0, 0});
    entries.insert(entries.end(), kStaticColors + 10, kStaticColors + 20);
    return std::make_shared<const Palette>(std::move(entries), true);
}

PaletteHandle PaletteFromColorTable(std::span<const RgbQuad> table) {
    std::vector<PaletteEntry> entries;
    entries.reserve(std::min<size_t>(table.size(), 256));
    for (const RgbQuad& q : table.first(std::min<size_t>(table.size(), 256)))
        entries.push_back({q.red, q.green, q.blue, 0});
    return std::make_shared<const Palette>(std::move(entries));
}

std::vector<RgbQuad> ColorTableFromPalette(const Palette& palette) {
    std::vector<RgbQuad> table;
    table.reserve(palette.Entries().size());
    for (const PaletteEntry& e : palette.Entries()) table.push_back({e.blue, e.green, e.red, 0});
    return table;
}

}  // namespace zavo::platform

// Icons as the drawing code uses them: built from the image of one icon-file entry (a bitmap with
// its AND mask, or PNG data) and drawn onto a surface through its mask or alpha.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace zavo::platform {

class DeviceContext;

// The size the desktop gives icons.
inline constexpr int kStandardIconSize = 32;

struct IconPixels {
    int width = 0;
    int height = 0;
    // Top-down, 4 bytes a pixel: blue, green, red, alpha.
    std::vector<uint8_t> bgra;
    // One byte a pixel: 1 where the AND mask keeps the background.
    std::vector<uint8_t> mask;
    // Blend by alpha instead of applying the mask (PNG images and 32-bit images with alpha).
    bool useAlpha = false;
};

// Builds the icon of one entry, brought to width x height (1 to 256 each). The entry's image is
// either PNG data or an info header (its height counting colour image and mask), a colour table of
// 2, 16 or 256 entries for 1, 4 or 8 bits, the colour pixels and the 1-bit AND mask, which a 32-bit
// image may leave out to be shown by its alpha alone. None when the image is malformed or lacks bytes.
std::optional<IconPixels> BuildIcon(std::span<const uint8_t> image, int width, int height);

// The stock application icon, standard size.
IconPixels StockApplicationIcon();

// Draws icon with its top-left corner at x, y on the context's surface: where the mask is set the
// background stays, elsewhere the image's colour; an icon with alpha is blended by it instead.
void DrawIcon(DeviceContext& dc, int x, int y, const IconPixels& icon);

}  // namespace zavo::platform

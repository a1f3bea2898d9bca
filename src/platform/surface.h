// Raster surfaces: pixel memory with its format. A device-dependent surface is either in the display
// format (32 bits per pixel, blue-green-red-unused, rows top-down) or monochrome (1 bit per pixel
// without colour table). A device-independent surface (a section) keeps the layout of a bitmap file:
// 1, 4, 8, 16, 24 or 32 bits per pixel, rows padded to 4 bytes, bottom-up unless its height is
// negative, with a colour table up to 8 bits and colour masks for 16 and 32 bits.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/bitmapinfo.h"
#include "platform/palette.h"

namespace zavo::platform {

class Surface {
public:
    // What new pixel memory holds: zeros, or nothing defined but the padding at the end of each row
    // (zero), for callers that write every pixel themselves. Sections of fewer than 8 bits per pixel
    // always start zeroed.
    enum class Contents { Zeroed, Unfilled };

    // Surfaces whose pixel memory would exceed kMaxPictureBytes, or with a negative width or height,
    // are refused with EOutOfResources "システム リソースが足りません"; so is a failed allocation.
    static std::unique_ptr<Surface> CreateDisplay(int width, int height, Contents contents = Contents::Zeroed);
    static std::unique_ptr<Surface> CreateMonochrome(int width, int height);
    // A section described by an info header: bit count 1, 4, 8, 16, 24 or 32; compression kBiRgb, or
    // kBiBitFields for 16 and 32 bits with masks (masks 0 or absent mean 5-6-5 and 8-8-8). A height
    // below 0 makes the rows top-down. Up to 8 bits the colour table has 2^bits entries, taken from
    // colors and padded with black (a 1-bit section without colours is black and white). Returns
    // null for a format that does not exist (bit count, compression, masks).
    static std::unique_ptr<Surface> CreateDib(const BitmapInfoHeader& header, std::span<const RgbQuad> colors,
                                              const uint32_t* masks = nullptr, Contents contents = Contents::Zeroed);
    // Same size and format, pixels copied.
    std::unique_ptr<Surface> Clone() const;

    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    int BitCount() const { return bitCount_; }
    bool IsDib() const { return dib_; }
    bool TopDown() const { return topDown_; }
    // Device-dependent 1-bit surface (no colour table of its own).
    bool IsMonochrome() const { return !dib_ && bitCount_ == 1; }
    // Device-dependent surface in the display format.
    bool IsDisplayFormat() const { return !dib_ && bitCount_ == 32; }
    // Section with masks rather than a plain layout (16 bits or 32 bits with kBiBitFields).
    bool HasBitFields() const { return bitFields_; }

    int64_t Stride() const { return stride_; }
    int64_t ImageSize() const { return stride_ * height_; }
    uint8_t* Bits() { return bits_; }
    const uint8_t* Bits() const { return bits_; }
    // Row y counted from the top of the picture.
    uint8_t* Row(int y) { return bits_ + RowOffset(y); }
    const uint8_t* Row(int y) const { return bits_ + RowOffset(y); }

    const std::vector<RgbQuad>& Colors() const { return colors_; }
    // Replaces the first entries of the colour table (sections up to 8 bits only).
    void SetColors(std::span<const RgbQuad> colors);
    uint32_t RedMask() const { return masks_[0]; }
    uint32_t GreenMask() const { return masks_[1]; }
    uint32_t BlueMask() const { return masks_[2]; }

    // The info header describing a section (size 40, planes 1); all zero for a device-dependent one.
    BitmapInfoHeader Header() const;

    // One pixel, for tests and for single-pixel access: the colour it shows. Out of range reads black
    // and writes nothing.
    ColorRef Pixel(int x, int y) const;
    void SetPixel(int x, int y, ColorRef color);

private:
    Surface() = default;
    static std::unique_ptr<Surface> Allocate(int width, int height, int bitCount, bool dib, bool topDown,
                                             Contents contents);
    int64_t RowOffset(int y) const { return (topDown_ ? y : height_ - 1 - y) * stride_; }

    int width_ = 0;
    int height_ = 0;
    int bitCount_ = 0;
    bool dib_ = false;
    bool topDown_ = true;
    bool bitFields_ = false;
    int64_t stride_ = 0;
    uint8_t* bits_ = nullptr;
    size_t capacity_ = 0;
    std::vector<RgbQuad> colors_;
    uint32_t masks_[3] = {0, 0, 0};
};

}  // namespace zavo::platform

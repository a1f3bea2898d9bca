// Metafile playback: the enhanced (EMF) and the Windows (WMF) record formats, played into a
// rectangle of a 32-bit picture. Records are untrusted: a malformed one ends playback without
// reading outside the data, and playback stops when a crafted file would make it work without end.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace zavo::platform {

// Inclusive rectangle.
struct MetafileRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// The facts of an enhanced metafile's header record.
struct EnhancedHeader {
    MetafileRect bounds;  // device units of the reference device
    MetafileRect frame;   // 0.01 mm
    uint32_t totalBytes = 0;
    uint32_t recordCount = 0;
    uint16_t handleCount = 0;
    uint32_t paletteEntries = 0;
    int32_t deviceWidth = 0;  // reference device in pixels
    int32_t deviceHeight = 0;
    int32_t millimetersWidth = 0;  // and in millimetres
    int32_t millimetersHeight = 0;
};

// Size of the enhanced header the readers need in front of the records.
constexpr size_t kEnhancedHeaderBytes = 100;

// The header of enhanced metafile bytes, or nothing when they are not one this player can play
// (type, signature, header record size, a reference device without size).
std::optional<EnhancedHeader> ReadEnhancedHeader(std::span<const uint8_t> data);

// True when data starts with the 18-byte header of Windows metafile records.
bool IsWindowsMetafile(std::span<const uint8_t> data);

class Surface;

// Plays the records into dest (surface pixels, inclusive) of a surface of any format: the picture's
// frame (enhanced) or bounds (Windows) is mapped onto dest, drawing stays inside it, and what the
// records do not paint keeps what was there. A bitmap record whose pixels would exceed the surface
// limit raises EOutOfResources.
void PlayEnhancedMetafile(Surface& target, const MetafileRect& dest, std::span<const uint8_t> data);
// records: the Windows metafile behind its placeable header; bounds: the placeable header's bounds.
void PlayWindowsMetafile(Surface& target, const MetafileRect& dest, std::span<const uint8_t> records,
                         const MetafileRect& bounds);

}  // namespace zavo::platform

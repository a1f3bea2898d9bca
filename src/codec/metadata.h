// What a picture file carries beside its pixels (EXIF, XMP, IPTC, comments, its colour profile),
// and the choice of what of it a compressed file keeps.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zavo {

class TGraphic;

// One APPn or COM segment: its marker code and its payload (the bytes behind the length field), as
// they stand in the file.
struct TJpegMarker {
    uint8_t code = 0;
    std::vector<uint8_t> data;

    friend bool operator==(const TJpegMarker&, const TJpegMarker&) = default;
};

struct TMetadata {
    // APPn and COM segments in file order.
    std::vector<TJpegMarker> markers;
    // The whole colour profile. Written, with the library's own chunking, only by metadata whose
    // segments do not carry it already (see CarriesProfile).
    std::vector<uint8_t> iccProfile;
    // The file held more than kMaxMetadataBytes of segments; those beyond were not kept.
    bool cut = false;
    // Why something the choice asked for was left out (empty when nothing was).
    std::string note;
};

// The most segment bytes kept of one file, so that a file made of markers cannot fill the memory
// of every compressed copy.
inline constexpr int64_t kMaxMetadataBytes = 1 << 20;

// What a compressed file keeps of its source: nothing (the default, the bytes of a plain
// compression), the colour profile only, or every APPn and COM segment except the JFIF header the
// compressor writes itself and the Adobe segment, whose colour transform no longer applies.
enum class TMetadataCopy : uint8_t { None, Icc, All };

struct TMetadataChoice {
    TMetadataCopy copy = TMetadataCopy::None;
    // Removes the GPS directory from EXIF segments; every other tag stays.
    bool stripGps = false;

    friend bool operator==(const TMetadataChoice&, const TMetadataChoice&) = default;
};

// Whether the segments hold APP2 profile chunks: then they, not iccProfile, stand in the file.
bool CarriesProfile(const TMetadata& metadata);

// The bytes the segments of the metadata take in a JPEG file (marker, length and payload each);
// a profile without its segments counts as the segments the library writes for it.
int64_t MetadataBytes(const TMetadata& metadata);

// Whether the segment is one that copying never keeps: APP0 JFIF or APP14 Adobe.
bool IsCompressorSegment(const TJpegMarker& marker);

// What a file compressed from a source with this metadata writes behind its JFIF header for the
// choice; null when nothing. A strip of GPS that cannot be made (a malformed EXIF segment) leaves
// that segment out, and the result's note says so.
std::shared_ptr<const TMetadata> MetadataToWrite(const std::shared_ptr<const TMetadata>& source,
                                                 const TMetadataChoice& choice);

// The metadata a loaded picture file carried: the segments of a JPEG file, the embedded profile of
// a bitmap file; null for anything else.
std::shared_ptr<const TMetadata> MetadataOf(const TGraphic* graphic);

}  // namespace zavo

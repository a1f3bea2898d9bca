#include "codec/metadata.h"

#include <cstring>

#include "codec/bitmap.h"
#include "codec/exifgps.h"
#include "codec/jpegimage.h"

namespace zavo {

namespace {

constexpr uint8_t kApp0 = 0xE0;
constexpr uint8_t kApp1 = 0xE1;
constexpr uint8_t kApp2 = 0xE2;
constexpr uint8_t kApp14 = 0xEE;
constexpr int64_t kSegmentOverhead = 4;
// What the library puts in front of each chunk of a profile, and the most a chunk holds.
constexpr int64_t kIccChunkOverhead = 14;
constexpr int64_t kIccChunkData = 65533 - kIccChunkOverhead;

bool StartsWith(const std::vector<uint8_t>& data, const char* text, size_t length) {
    return data.size() >= length && std::memcmp(data.data(), text, length) == 0;
}

bool IsIccChunk(const TJpegMarker& m) { return m.code == kApp2 && StartsWith(m.data, "ICC_PROFILE", 12); }

}  // namespace

int64_t MetadataBytes(const TMetadata& metadata) {
    int64_t total = 0;
    for (const TJpegMarker& m : metadata.markers) total += kSegmentOverhead + static_cast<int64_t>(m.data.size());
    if (!metadata.iccProfile.empty() && !CarriesProfile(metadata)) {
        auto size = static_cast<int64_t>(metadata.iccProfile.size());
        int64_t chunks = (size + kIccChunkData - 1) / kIccChunkData;
        total += size + chunks * (kSegmentOverhead + kIccChunkOverhead);
    }
    return total;
}

bool CarriesProfile(const TMetadata& metadata) {
    for (const TJpegMarker& m : metadata.markers)
        if (IsIccChunk(m)) return true;
    return false;
}

bool IsCompressorSegment(const TJpegMarker& m) {
    return (m.code == kApp0 && StartsWith(m.data, "JFIF", 5)) || (m.code == kApp14 && StartsWith(m.data, "Adobe", 5));
}

std::shared_ptr<const TMetadata> MetadataToWrite(const std::shared_ptr<const TMetadata>& source,
                                                 const TMetadataChoice& choice) {
    if (!source || choice.copy == TMetadataCopy::None) return nullptr;
    auto out = std::make_shared<TMetadata>();
    if (choice.copy == TMetadataCopy::Icc) {
        out->iccProfile = source->iccProfile;
    } else {
        for (const TJpegMarker& m : source->markers) {
            if (IsCompressorSegment(m)) continue;
            if (choice.stripGps && m.code == kApp1 && IsExifPayload(m.data)) {
                std::optional<std::vector<uint8_t>> stripped = WithoutGps(m.data);
                if (!stripped) {
                    // Kept as it is, it would keep the GPS directory the user asked to remove.
                    out->note = "EXIF が壊れているため GPS 情報を削除できません。EXIF は保存されません";
                    continue;
                }
                out->markers.push_back({m.code, std::move(*stripped)});
                continue;
            }
            out->markers.push_back(m);
        }
        // A bitmap's profile has no segments of its own.
        out->iccProfile = source->iccProfile;
    }
    if (out->markers.empty() && out->iccProfile.empty() && out->note.empty()) return nullptr;
    return out;
}

std::shared_ptr<const TMetadata> MetadataOf(const TGraphic* graphic) {
    if (const auto* jpeg = dynamic_cast<const TJPEGImage*>(graphic)) return jpeg->Holder().Metadata;
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(graphic)) return bitmap->FileMetadata();
    return nullptr;
}

}  // namespace zavo

#include "codec/jpegmarkers.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace zavo {

namespace {

constexpr int kComMarker = JPEG_COM;
constexpr int kApp2 = JPEG_APP0 + 2;
// A segment's marker and length field.
constexpr int64_t kSegmentOverhead = 4;

bool IsIccChunk(const TJpegMarker& m) {
    static constexpr char kIcc[] = "ICC_PROFILE";  // with its terminating zero
    return m.code == kApp2 && m.data.size() >= sizeof kIcc + 2 && std::memcmp(m.data.data(), kIcc, sizeof kIcc) == 0;
}

bool ReadIccProfile(JpegContext& c, JOCTET** profile, unsigned int* size) {
    if (setjmp(c.jump)) return false;
    if (!jpeg_read_icc_profile(&c.decompress, profile, size)) *profile = nullptr;
    return true;
}

}  // namespace

bool JpegSaveMarkers(JpegContext& c) {
    if (setjmp(c.jump)) return false;
    jpeg_save_markers(&c.decompress, kComMarker, 0xFFFF);
    for (int code = JPEG_APP0; code <= JPEG_APP0 + 15; ++code) jpeg_save_markers(&c.decompress, code, 0xFFFF);
    return true;
}

std::shared_ptr<const TMetadata> JpegCollectMarkers(JpegContext& c) {
    if (c.decompress.marker_list == nullptr) return nullptr;
    auto metadata = std::make_shared<TMetadata>();
    int64_t total = 0;
    bool iccCut = false;
    for (jpeg_saved_marker_ptr m = c.decompress.marker_list; m != nullptr; m = m->next) {
        TJpegMarker marker{static_cast<uint8_t>(m->marker), {m->data, m->data + m->data_length}};
        // Only whole segments, and none behind the first that does not fit.
        total += kSegmentOverhead + m->data_length;
        if (metadata->cut || total > kMaxMetadataBytes) {
            metadata->cut = true;
            iccCut = iccCut || IsIccChunk(marker);
            continue;
        }
        metadata->markers.push_back(std::move(marker));
    }
    JOCTET* profile = nullptr;
    unsigned int size = 0;
    JpegRequire(ReadIccProfile(c, &profile, &size), c);
    if (profile != nullptr) {
        metadata->iccProfile.assign(profile, profile + size);
        std::free(profile);
    }
    // A profile some of whose chunks were not kept is kept in none of them.
    if (iccCut) {
        metadata->iccProfile.clear();
        std::erase_if(metadata->markers, IsIccChunk);
    }
    return metadata;
}

void JpegWriteMetadata(j_compress_ptr compress, const TMetadata* metadata) {
    if (metadata == nullptr) return;
    if (!metadata->iccProfile.empty() && !CarriesProfile(*metadata))
        jpeg_write_icc_profile(compress, metadata->iccProfile.data(),
                               static_cast<unsigned int>(metadata->iccProfile.size()));
    for (const TJpegMarker& m : metadata->markers)
        jpeg_write_marker(compress, m.code, m.data.data(), static_cast<unsigned int>(m.data.size()));
}

}  // namespace zavo

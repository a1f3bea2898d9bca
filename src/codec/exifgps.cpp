#include "codec/exifgps.h"

#include <libexif/exif-data.h>
#include <libexif/exif-log.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace zavo {

namespace {

constexpr uint8_t kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
// A segment's length field counts itself.
constexpr size_t kMaxPayload = 65533;

struct ExifDataUnref {
    void operator()(ExifData* d) const { exif_data_unref(d); }
};
struct ExifLogUnref {
    void operator()(ExifLog* l) const { exif_log_unref(l); }
};

// libexif reads what it can of a damaged block and says so only through its log.
void NoteCorruption(ExifLog*, ExifLogCode code, const char*, const char*, va_list, void* data) {
    if (code == EXIF_LOG_CODE_CORRUPT_DATA || code == EXIF_LOG_CODE_NO_MEMORY) *static_cast<bool*>(data) = true;
}

}  // namespace

bool IsExifPayload(const std::vector<uint8_t>& payload) {
    return payload.size() >= sizeof kExifHeader && std::memcmp(payload.data(), kExifHeader, sizeof kExifHeader) == 0;
}

std::optional<std::vector<uint8_t>> WithoutGps(const std::vector<uint8_t>& payload) {
    if (!IsExifPayload(payload) || payload.size() > kMaxPayload) return std::nullopt;
    std::unique_ptr<ExifData, ExifDataUnref> exif(exif_data_new());
    std::unique_ptr<ExifLog, ExifLogUnref> log(exif_log_new());
    if (!exif || !log) return std::nullopt;
    bool corrupt = false;
    exif_log_set_func(log.get(), NoteCorruption, &corrupt);
    exif_data_log(exif.get(), log.get());
    // Read and written as it stands: no tag dropped for being unknown, none added or "fixed", the
    // maker note's bytes untouched.
    exif_data_unset_option(exif.get(), EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
    exif_data_unset_option(exif.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_set_option(exif.get(), EXIF_DATA_OPTION_DONT_CHANGE_MAKER_NOTE);
    exif_data_load_data(exif.get(), payload.data(), static_cast<unsigned int>(payload.size()));
    ExifContent* ifd0 = exif->ifd[EXIF_IFD_0];
    // A block whose first directory yields nothing is no EXIF block libexif could read.
    if (corrupt || ifd0 == nullptr || ifd0->count == 0) return std::nullopt;
    ExifContent* gps = exif->ifd[EXIF_IFD_GPS];
    if (gps == nullptr || gps->count == 0) return payload;
    // The pointer to the directory is written only for a directory with entries.
    while (gps->count > 0) exif_content_remove_entry(gps, gps->entries[gps->count - 1]);
    unsigned char* saved = nullptr;
    unsigned int size = 0;
    exif_data_save_data(exif.get(), &saved, &size);
    std::unique_ptr<unsigned char, decltype(&std::free)> owned(saved, &std::free);
    if (saved == nullptr || corrupt || size > kMaxPayload) return std::nullopt;
    return std::vector<uint8_t>(saved, saved + size);
}

}  // namespace zavo

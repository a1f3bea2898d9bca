#include "codec/bmpprofile.h"

#include <cstring>

#include "base/bytecursor.h"
#include "platform/bitmapinfo.h"

namespace zavo {

namespace {

constexpr uint32_t kV5HeaderSize = 124;
constexpr size_t kColorSpaceTypeAt = 56;
constexpr size_t kProfileDataAt = 112;
constexpr uint32_t kProfileEmbedded = 0x4D424544;  // "MBED"
// An ICC profile's header is 128 bytes, with "acsp" at offset 36.
constexpr uint32_t kIccHeaderSize = 128;
constexpr size_t kIccSignatureAt = 36;

}  // namespace

std::shared_ptr<const TMetadata> ReadBmpProfile(TStream& stream, int64_t start, int64_t count,
                                                const std::vector<uint8_t>& infoHeader) {
    if (infoHeader.size() < kV5HeaderSize) return nullptr;
    ByteCursor header(infoHeader.data(), infoHeader.size());
    if (header.U32le() != kV5HeaderSize) return nullptr;
    header.Seek(kColorSpaceTypeAt);
    if (header.U32le() != kProfileEmbedded) return nullptr;
    header.Seek(kProfileDataAt);
    // Counted from the start of the info header.
    const int64_t offset = platform::kFileHeaderSize + int64_t{header.U32le()};
    const int64_t size = header.U32le();
    if (size < kIccHeaderSize || offset > count || size > count - offset) return nullptr;
    if (size > kMaxMetadataBytes) {
        auto cut = std::make_shared<TMetadata>();
        cut->cut = true;
        return cut;
    }
    auto metadata = std::make_shared<TMetadata>();
    metadata->iccProfile.resize(static_cast<size_t>(size));
    stream.Seek(start + offset, SeekOrigin::Beginning);
    if (stream.Read(metadata->iccProfile.data(), size) != size) return nullptr;
    if (std::memcmp(metadata->iccProfile.data() + kIccSignatureAt, "acsp", 4) != 0) return nullptr;
    return metadata;
}

}  // namespace zavo

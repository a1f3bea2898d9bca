#include "codec/bmpreader.h"

#include <algorithm>
#include <cstring>

#include "base/bytecursor.h"
#include "platform/bitmapinfo.h"
#include "base/checked.h"
#include "base/exceptions.h"
#include "codec/bitmap.h"
#include "codec/bmpprofile.h"
#include "platform/palette.h"
#include "platform/rledecoder.h"
#include "platform/surface.h"

namespace zavo {

namespace {

constexpr uint16_t kBitmapType = 0x4D42;  // "BM"
constexpr int kMaxColors = 256;

[[noreturn]] void Invalid() { throw EInvalidGraphic(msg::InvalidBitmap); }

// The header layouts this program knows: OS/2 core (12), OS/2 version 2 in its short and full form
// (16, 64), and the Windows info header with its extensions (40, 52, 56, 108, 124). Any other size
// leaves the place of every later field unknown.
bool KnownHeaderSize(uint32_t size) {
    switch (size) {
        case 12: case 16: case 40: case 52: case 56: case 64: case 108: case 124: return true;
        default: return false;
    }
}

bool IsOs2Extended(uint32_t size) { return size == 16 || size == 64; }

int DefaultColorCount(int bitCount) {
    switch (bitCount) {
        case 1: return 2;
        case 4: return 16;
        case 8: return 256;
        default: return 0;
    }
}

}  // namespace

BmpReader::BmpReader(TStream& stream, int64_t count) {
    if (count <= 0) {
        empty_ = true;
        return;
    }
    stream.ReadBuffer(fileHeader_.data(), platform::kFileHeaderSize);
    ByteCursor file(fileHeader_.data(), fileHeader_.size());
    if (file.U16le() != kBitmapType) Invalid();
    file.Skip(8);
    info_.pixelOffset = file.U32le();

    ReadInfoHeader(stream);
    const int64_t headerEnd = platform::kFileHeaderSize + info_.header.size;
    int64_t left = count - headerEnd;
    source_ = &stream;

    const uint32_t compression = info_.header.compression;
    if (!info_.os2Core && compression != platform::kBiRgb && compression != platform::kBiBitFields) {
        if (left < 0) throw EReadError(msg::ReadError);
        saved_ = std::make_unique<TMemoryStream>();
        saved_->WriteBuffer(fileHeader_.data(), platform::kFileHeaderSize);
        saved_->WriteBuffer(infoBytes_.data(), static_cast<int64_t>(infoBytes_.size()));
        if (left > 0) saved_->CopyFrom(stream, left);
        saved_->SetPosition(headerEnd);
        source_ = saved_.get();
    }

    if (info_.header.planes != 1) Invalid();

    int64_t consumed = headerEnd;
    if (info_.header.size == platform::kInfoHeaderSize && (info_.header.bitCount == 16 || info_.header.bitCount == 32) &&
        compression == platform::kBiBitFields) {
        uint8_t maskBytes[12];
        source_->ReadBuffer(maskBytes, sizeof maskBytes);
        ByteCursor masks(maskBytes, sizeof maskBytes);
        for (uint32_t& m : info_.masks) m = masks.U32le();
        info_.hasMasks = true;
        left -= 12;
        consumed += 12;
    }

    // A colours-used value above the table's room would overrun it.
    if (info_.header.clrUsed > kMaxColors) Invalid();
    const int colors =
        info_.header.clrUsed != 0 ? static_cast<int>(info_.header.clrUsed) : DefaultColorCount(info_.header.bitCount);
    const int entrySize = info_.os2Core ? 3 : 4;
    std::vector<uint8_t> table(static_cast<size_t>(colors) * entrySize);
    source_->ReadBuffer(table.data(), static_cast<int64_t>(table.size()));
    left -= static_cast<int64_t>(table.size());
    consumed += static_cast<int64_t>(table.size());
    info_.colorTable.assign(static_cast<size_t>(colors) * 4, 0);
    for (int i = 0; i < colors; ++i)
        std::copy_n(table.begin() + i * entrySize, 3, info_.colorTable.begin() + i * 4);

    // The pixels start at the file header's offset when that lies behind the colour table and
    // inside the file; a bogus offset leaves them directly behind the table.
    const int64_t offset = info_.pixelOffset;
    if (offset >= consumed && offset < count) {
        source_->Seek(offset - consumed, SeekOrigin::Current);
        left = count - offset;
    }

    uint64_t wanted = info_.header.sizeImage;
    if (wanted == 0) {
        // Saturates: a count beyond any file leaves the pixel bytes to the file's size.
        const std::optional<int64_t> size = DibImageSize(info_.header.width, info_.header.height, info_.header.bitCount);
        wanted = size ? static_cast<uint64_t>(*size) : UINT64_MAX;
    }
    pixelBytes_ = std::max<int64_t>(left, 0);
    if (wanted < static_cast<uint64_t>(pixelBytes_)) pixelBytes_ = static_cast<int64_t>(wanted);
}

void BmpReader::ReadInfoHeader(TStream& stream) {
    uint8_t sizeBytes[4];
    if (stream.Read(sizeBytes, 4) != 4) Invalid();
    const uint32_t size = ByteCursor(sizeBytes, 4).U32le();
    if (!KnownHeaderSize(size)) Invalid();
    info_.os2Core = size == platform::kCoreHeaderSize;
    info_.os2Extended = IsOs2Extended(size);

    // A header cut short by the end of the file leaves fields unread: not a bitmap.
    infoBytes_.assign(size, 0);
    std::copy_n(sizeBytes, 4, infoBytes_.begin());
    if (stream.Read(infoBytes_.data() + 4, size - 4) != static_cast<int64_t>(size - 4)) Invalid();

    info_.header = platform::ReadInfoHeader(infoBytes_);
    // Windows headers longer than 40 bytes carry the bit-field masks themselves.
    if (!info_.os2Core && !info_.os2Extended && size >= platform::kInfoHeaderSize + 12) {
        ByteCursor h(infoBytes_.data(), infoBytes_.size());
        h.Seek(platform::kInfoHeaderSize);
        for (uint32_t& m : info_.masks) m = h.U32le();
        info_.hasMasks = info_.header.compression == platform::kBiBitFields;
    }
}

namespace {

std::vector<platform::RgbQuad> ColorsOf(const BmpInfo& info) {
    std::vector<platform::RgbQuad> colors(static_cast<size_t>(info.ColorCount()));
    for (size_t i = 0; i < colors.size(); ++i)
        colors[i] = {info.colorTable[i * 4], info.colorTable[i * 4 + 1], info.colorTable[i * 4 + 2], 0};
    return colors;
}

platform::BitmapInfoHeader SurfaceHeader(const BmpInfo& info) {
    platform::BitmapInfoHeader h = info.header;
    h.size = platform::kInfoHeaderSize;
    return h;
}

// Run-length data becomes a surface in the display format, its colour table realised on the way.
std::unique_ptr<platform::Surface> DecodeCompressed(BmpReader& reader) {
    const BmpInfo& info = reader.Info();
    const bool rle8 = info.header.compression == platform::kBiRle8 && info.header.bitCount == 8;
    const bool rle4 = info.header.compression == platform::kBiRle4 && info.header.bitCount == 4;
    // Run-length rows are always stored bottom-up.
    if ((!rle8 && !rle4) || info.os2Core || info.header.height <= 0) Invalid();
    std::vector<uint8_t> data(static_cast<size_t>(reader.PixelBytes()));
    reader.PixelSource().ReadBuffer(data.data(), reader.PixelBytes());
    auto surface = platform::Surface::CreateDisplay(info.header.width, info.header.height);
    std::vector<uint32_t> colors(static_cast<size_t>(info.ColorCount()));
    std::memcpy(colors.data(), info.colorTable.data(), colors.size() * 4);
    const platform::RleTarget target{surface->Bits(), surface->Width(), surface->Height(),
                                     static_cast<ptrdiff_t>(surface->Stride())};
    // Every outcome stands: data cut short keeps its rows, pixels past a row end are dropped.
    platform::DecodeRle(data, rle8 ? platform::RleKind::Rle8 : platform::RleKind::Rle4, colors, target);
    return surface;
}

std::unique_ptr<platform::Surface> ReadUncompressed(BmpReader& reader) {
    const BmpInfo& info = reader.Info();
    // Compression 3 of an OS/2 header is Huffman coding, which no platform decodes.
    if (info.os2Extended && info.header.compression != platform::kBiRgb) Invalid();
    if (info.header.compression == platform::kBiBitFields && !info.hasMasks) Invalid();
    const std::vector<platform::RgbQuad> colors = ColorsOf(info);
    auto surface = platform::Surface::CreateDib(SurfaceHeader(info), colors,
                                                info.hasMasks ? info.masks.data() : nullptr);
    if (!surface) Invalid();
    // Rows the file does not supply stay as the new section starts: zero.
    const int64_t bytes = std::min(reader.PixelBytes(), surface->ImageSize());
    reader.PixelSource().ReadBuffer(surface->Bits(), bytes);
    return surface;
}

}  // namespace

void ReadBitmapFile(TBitmap& bitmap, TStream& stream, int64_t count) {
    const int64_t start = stream.Position();
    BmpReader reader(stream, count);
    if (reader.IsEmpty()) {
        bitmap.AssignFrom(nullptr);
        bitmap.SetFileMetadata(nullptr);
        return;
    }
    const BmpInfo& info = reader.Info();
    if (info.header.width <= 0 || info.header.height == 0) Invalid();
    std::unique_ptr<platform::Surface> pixels =
        reader.IsCompressed() ? DecodeCompressed(reader) : ReadUncompressed(reader);
    platform::PaletteHandle palette;
    if (info.ColorCount() > 0 && (reader.IsCompressed() || info.header.bitCount > 8))
        palette = platform::PaletteFromColorTable(ColorsOf(info));
    std::shared_ptr<const TMetadata> profile = ReadBmpProfile(stream, start, count, reader.InfoBytes());
    bitmap.AdoptImage(std::move(pixels), std::move(palette), SurfaceHeader(info), reader.TakeSavedStream(),
                      info.os2Core);
    bitmap.SetFileMetadata(std::move(profile));
}

}  // namespace zavo

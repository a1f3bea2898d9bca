#include "codec/metafile.h"

#include <climits>
#include <new>

#include "base/exceptions.h"
#include "base/muldiv.h"
#include "base/streams.h"
#include "codec/canvas.h"
#include "platform/devicecontext.h"
#include "platform/screen.h"

namespace zavo {

namespace {

constexpr uint32_t kEnhancedSignature = 0x464D4520;  // " EMF"
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kEnhancedHeader = platform::kEnhancedHeaderBytes;
constexpr size_t kPlaceableHeader = 22;
constexpr uint16_t kClipboardMetafilePict = 3;
constexpr uint16_t kClipboardEnhMetafile = 14;

uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

[[noreturn]] void Invalid() { throw EInvalidGraphic(msg::InvalidMetafile); }

// A buffer for bytes of the file; running out of memory is the program's own failure.
std::vector<uint8_t> Buffer(int64_t size) {
    try {
        return std::vector<uint8_t>(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory(msg::OutOfMemory);
    }
}

}  // namespace

TMetafile::TMetafile() : image_(new TMetafileImage) { image_->AddRef(); }

TMetafile::~TMetafile() { TSharedImage::DropRef(image_); }

void TMetafile::Replace(TMetafileImage* image) {
    image->AddRef();
    TSharedImage::DropRef(image_);
    image_ = image;
}

TMetafileImage& TMetafile::Unshared() {
    if (image_->RefCount() > 1) {
        auto* copy = new TMetafileImage;
        copy->loaded = image_->loaded;
        copy->enhanced = image_->enhanced;
        copy->data = image_->data;
        copy->placeable = image_->placeable;
        copy->header = image_->header;
        copy->bounds = image_->bounds;
        copy->mmWidth = image_->mmWidth;
        copy->mmHeight = image_->mmHeight;
        copy->inch = image_->inch;
        Replace(copy);
    }
    return *image_;
}

void TMetafile::AssignFrom(TPersistent* source) {
    if (auto* other = dynamic_cast<TMetafile*>(source)) {
        if (other->image_ != image_) Replace(other->image_);
        NotifyChanged();
    } else if (!source) {
        Replace(new TMetafileImage);
        NotifyChanged();
    } else {
        TGraphic::AssignFrom(source);
    }
}

int TMetafile::ToPixels(int32_t size, int32_t devicePixels, int32_t deviceMm) const {
    if (!image_->loaded) return 0;
    if (image_->inch != 0 || !image_->enhanced) return MulDiv(size, platform::ScreenPixelsPerInch(), 2540);
    return MulDiv(size, devicePixels, int64_t{deviceMm} * 100);
}

int32_t TMetafile::FromPixels(int value, int32_t devicePixels, int32_t deviceMm) const {
    if (image_->inch != 0 || !image_->enhanced) return MulDiv(value, 2540, platform::ScreenPixelsPerInch());
    return MulDiv(value, int64_t{deviceMm} * 100, devicePixels);
}

int TMetafile::Width() const {
    return ToPixels(image_->mmWidth, image_->header.deviceWidth, image_->header.millimetersWidth);
}

int TMetafile::Height() const {
    return ToPixels(image_->mmHeight, image_->header.deviceHeight, image_->header.millimetersHeight);
}

void TMetafile::SetWidth(int value) {
    if (!image_->loaded || value == Width()) return;
    TMetafileImage& image = Unshared();
    image.mmWidth = FromPixels(value, image.header.deviceWidth, image.header.millimetersWidth);
    NotifyChanged();
}

void TMetafile::SetHeight(int value) {
    if (!image_->loaded || value == Height()) return;
    TMetafileImage& image = Unshared();
    image.mmHeight = FromPixels(value, image.header.deviceHeight, image.header.millimetersHeight);
    NotifyChanged();
}

std::unique_ptr<TGraphic> TMetafile::NewInstance() const { return std::make_unique<TMetafile>(); }

void TMetafile::LoadStream(TStream& stream) {
    int64_t start = stream.Position();
    int64_t remaining = stream.Size() - start;
    bool enhanced = false;
    if (remaining > static_cast<int64_t>(kEnhancedHeader)) {
        uint8_t probe[44];
        int64_t got = stream.Read(probe, sizeof probe);
        stream.SetPosition(start);
        enhanced = got == static_cast<int64_t>(sizeof probe) && U32(probe) == 1 && U32(probe + 40) == kEnhancedSignature;
    }
    if (enhanced) LoadEnhanced(stream);
    else LoadPlaceable(stream);
    NotifyChanged();
}

void TMetafile::LoadEnhanced(TStream& stream) {
    uint8_t head[kEnhancedHeader];
    stream.ReadBuffer(head, sizeof head);
    if (U32(head + 40) != kEnhancedSignature) Invalid();
    uint32_t total = U32(head + 48);
    // The total counts the header itself; a smaller one cannot describe any records.
    if (total < kEnhancedHeader) Invalid();
    int64_t rest = int64_t{total} - static_cast<int64_t>(kEnhancedHeader);
    // The size field is untrusted: refuse before allocating when the stream cannot hold it.
    if (rest > stream.Size() - stream.Position()) throw EReadError(msg::ReadError);
    std::vector<uint8_t> bytes = Buffer(total);
    std::copy(head, head + sizeof head, bytes.begin());
    stream.ReadBuffer(bytes.data() + kEnhancedHeader, rest);
    std::optional<platform::EnhancedHeader> header = platform::ReadEnhancedHeader(bytes);
    if (!header) Invalid();

    int64_t width = int64_t{header->frame.right} - header->frame.left;
    int64_t height = int64_t{header->frame.bottom} - header->frame.top;
    // A frame wider than any size can be counted in is no frame.
    if (width < INT32_MIN || width > INT32_MAX || height < INT32_MIN || height > INT32_MAX) Invalid();

    auto* image = new TMetafileImage;
    image->loaded = true;
    image->enhanced = true;
    image->data = std::move(bytes);
    image->header = *header;
    image->mmWidth = static_cast<int32_t>(width);
    image->mmHeight = static_cast<int32_t>(height);
    Replace(image);
}

void TMetafile::LoadPlaceable(TStream& stream) {
    int64_t available = stream.Size() - stream.Position();
    std::array<uint8_t, kPlaceableHeader> head{};
    int64_t got = stream.Read(head.data(), static_cast<int64_t>(head.size()));
    if (got < static_cast<int64_t>(head.size()) || U32(head.data()) != kPlaceableKey) Invalid();
    uint16_t checksum = 0;
    for (size_t i = 0; i < 20; i += 2) checksum ^= U16(head.data() + i);
    if (checksum != U16(head.data() + 20)) Invalid();
    std::vector<uint8_t> records = Buffer(available - static_cast<int64_t>(kPlaceableHeader));
    records.resize(static_cast<size_t>(stream.Read(records.data(), static_cast<int64_t>(records.size()))));
    // The records themselves must start with their own header, or the platform refuses them.
    if (!platform::IsWindowsMetafile(records)) Invalid();

    auto* image = new TMetafileImage;
    image->loaded = true;
    image->enhanced = false;
    image->data = std::move(records);
    image->placeable = head;
    auto i16 = [&](size_t offset) { return static_cast<int16_t>(U16(head.data() + offset)); };
    image->bounds = {i16(6), i16(8), i16(10), i16(12)};
    image->inch = U16(head.data() + 14);
    int32_t inch = image->inch == 0 ? 96 : image->inch;
    image->mmWidth = MulDiv(image->bounds.right - image->bounds.left, 2540, inch);
    image->mmHeight = MulDiv(image->bounds.bottom - image->bounds.top, 2540, inch);
    Replace(image);
}

void TMetafile::SaveStream(TStream& stream) {
    if (!image_->loaded) return;
    if (!image_->enhanced) stream.WriteBuffer(image_->placeable.data(), static_cast<int64_t>(image_->placeable.size()));
    stream.WriteBuffer(image_->data.data(), static_cast<int64_t>(image_->data.size()));
}

void TMetafile::DrawOn(TCanvas& canvas, const TRect& rect) {
    if (!image_->loaded || rect.Right <= rect.Left || rect.Bottom <= rect.Top) return;
    canvas.RequireDrawingTools();
    platform::Surface* target = canvas.Handle().Target();
    if (!target) return;
    // The records are played into the rectangle shrunk by one pixel at the right and bottom.
    platform::MetafileRect dest{rect.Left, rect.Top, rect.Right - 1, rect.Bottom - 1};
    if (image_->enhanced) platform::PlayEnhancedMetafile(*target, dest, image_->data);
    else platform::PlayWindowsMetafile(*target, dest, image_->data, image_->bounds);
}

void TMetafile::LoadClipboard(uint16_t format, TMemoryStream& data, platform::PaletteHandle) {
    if (format != kClipboardEnhMetafile) throw EInvalidGraphic(msg::InvalidGraphic);
    data.SetPosition(0);
    LoadStream(data);
}

void TMetafile::SaveClipboard(uint16_t& format, TMemoryStream& data, platform::PaletteHandle& palette) {
    format = image_->enhanced ? kClipboardEnhMetafile : kClipboardMetafilePict;
    data.WriteBuffer(image_->data.data(), static_cast<int64_t>(image_->data.size()));
    palette = platform::PaletteHandle();
}

}  // namespace zavo

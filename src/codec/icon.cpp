#include "codec/icon.h"

#include "base/exceptions.h"
#include "base/streams.h"
#include "codec/canvas.h"
#include "codec/icondirectory.h"
#include "platform/screen.h"

namespace zavo {

namespace {

[[noreturn]] void InvalidIcon() { throw EInvalidGraphic(msg::InvalidIcon); }

// Colours the display can show: 2^bits up to 8 bits per pixel, otherwise no limit (0).
int DisplayColorLimit() {
    const int bits = platform::kScreenBitsPerPixel;
    return bits <= 8 ? 1 << bits : 0;
}

}  // namespace

TIcon::~TIcon() = default;

void TIcon::AssignFrom(TPersistent* source) {
    if (source == nullptr) {
        file_.reset();
        icon_.reset();
        built_ = false;
        NotifyChanged();
        return;
    }
    if (auto* other = dynamic_cast<TIcon*>(source)) {
        file_ = other->file_;
        icon_ = other->icon_;
        built_ = other->built_;
        requestedWidth_ = other->requestedWidth_;
        requestedHeight_ = other->requestedHeight_;
        NotifyChanged();
        return;
    }
    TGraphic::AssignFrom(source);
}

void TIcon::DrawOn(TCanvas& canvas, const TRect& rect) {
    const platform::IconPixels* icon = Handle();
    if (icon == nullptr) return;
    platform::DrawIcon(canvas.Handle(), rect.Left, rect.Top, *icon);
}

bool TIcon::IsEmpty() const { return file_ == nullptr && !icon_; }

int TIcon::Width() const {
    if (icon_) return icon_->width;
    return requestedWidth_ != 0 ? requestedWidth_ : platform::kStandardIconSize;
}

int TIcon::Height() const {
    if (icon_) return icon_->height;
    return requestedHeight_ != 0 ? requestedHeight_ : platform::kStandardIconSize;
}

void TIcon::SetWidth(int value) {
    if (built_ && icon_) throw EInvalidGraphicOperation(msg::IconSizeFixed);
    requestedWidth_ = value;
}

void TIcon::SetHeight(int value) {
    if (built_ && icon_) throw EInvalidGraphicOperation(msg::IconSizeFixed);
    requestedHeight_ = value;
}

std::unique_ptr<TGraphic> TIcon::NewInstance() const { return std::make_unique<TIcon>(); }

void TIcon::LoadStream(TStream& stream) {
    const int64_t count = stream.Size() - stream.Position();
    auto bytes = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(std::max<int64_t>(count, 0)));
    stream.ReadBuffer(bytes->data(), static_cast<int64_t>(bytes->size()));
    const IconHeader header = ReadIconHeader(*bytes);
    if (header.type != 0 && header.type != 1) InvalidIcon();
    file_ = std::move(bytes);
    icon_.reset();
    built_ = false;
    NotifyChanged();
}

void TIcon::SaveStream(TStream& stream) {
    if (file_) stream.WriteBuffer(file_->data(), static_cast<int64_t>(file_->size()));
}

// Icons never travel through the clipboard here: nothing to read, nothing offered.
void TIcon::LoadClipboard(uint16_t, TMemoryStream&, platform::PaletteHandle) {}

void TIcon::SaveClipboard(uint16_t& format, TMemoryStream&, platform::PaletteHandle& palette) {
    format = 0;
    palette.reset();
}

const platform::IconPixels* TIcon::Handle() {
    if (!built_) Build();
    return icon_ ? &*icon_ : nullptr;
}

void TIcon::Build() {
    if (!file_) {
        built_ = true;
        return;
    }
    const std::vector<uint8_t>& file = *file_;
    const IconHeader header = ReadIconHeader(file);
    if (header.type == 0) {
        icon_ = platform::StockApplicationIcon();
        built_ = true;
        return;
    }
    if (header.type != 1) InvalidIcon();
    const std::vector<IconEntry> entries = ReadIconDirectory(file, header);
    // A directory cut short by the end of the file is a broken file, not an icon without images.
    if (entries.size() < header.count) throw EOutOfResources(msg::OutOfResources);
    const int wantWidth = requestedWidth_ != 0 ? requestedWidth_ : platform::kStandardIconSize;
    const int wantHeight = requestedHeight_ != 0 ? requestedHeight_ : platform::kStandardIconSize;
    const int chosen = ChooseIconEntry(entries, wantWidth, wantHeight, DisplayColorLimit());
    // An empty directory leaves nothing to draw.
    if (chosen < 0) {
        built_ = true;
        return;
    }
    const IconEntry& e = entries[static_cast<size_t>(chosen)];
    // An image outside the file or cut short by its end cannot be made into an icon.
    if (e.offset > file.size() || e.bytes > file.size() - e.offset) throw EOutOfResources(msg::OutOfResources);
    auto icon = platform::BuildIcon(std::span<const uint8_t>(file).subspan(e.offset, e.bytes), e.width, e.height);
    if (!icon) throw EOutOfResources(msg::OutOfResources);
    icon_ = std::move(icon);
    built_ = true;
}

}  // namespace zavo

#include "codec/graphic.h"

#include <cstring>

#include "base/streams.h"

namespace zavo {

void TGraphic::DeclareEmbedded(TFiler& filer) {
    filer.DefineBinaryProperty(
        "Data", [this](TStream& s) { ReadEmbedded(s); }, [this](TStream& s) { WriteEmbedded(s); }, !IsEmpty());
}

void TGraphic::AssignFrom(TPersistent* source) { TPersistent::AssignFrom(source); }

void* TGraphic::QueryInterface(const std::type_info&) { return nullptr; }

void TGraphic::NotifyChanged() {
    modified_ = true;
    if (OnChange) OnChange(this);
}

bool TGraphic::SameContent(TGraphic* other) {
    if (!other) return false;
    if (IsEmpty() && other->IsEmpty()) return true;
    if (typeid(*this) != typeid(*other) || IsEmpty() || other->IsEmpty()) return false;
    TMemoryStream mine, theirs;
    WriteEmbedded(mine);
    other->WriteEmbedded(theirs);
    return mine.Size() == theirs.Size() &&
           (mine.Size() == 0 || std::memcmp(mine.Memory(), theirs.Memory(), static_cast<size_t>(mine.Size())) == 0);
}

platform::PaletteHandle TGraphic::Palette() const { return nullptr; }

bool TGraphic::Transparent() const { return transparent_; }

void TGraphic::ReadEmbedded(TStream& stream) { LoadStream(stream); }

void TGraphic::SetPalette(platform::PaletteHandle) {}

void TGraphic::SetTransparent(bool value) {
    if (value == transparent_) return;
    transparent_ = value;
    NotifyChanged();
}

void TGraphic::WriteEmbedded(TStream& stream) { SaveStream(stream); }

void TGraphic::LoadFile(const std::string& path) {
    TFileStream stream(path, FileMode::OpenRead);
    LoadStream(stream);
}

void TGraphic::SaveFile(const std::string& path) {
    TFileStream stream(path, FileMode::Create);
    SaveStream(stream);
    stream.Close();
}

void TGraphic::ReportProgress(TProgressStage stage, uint8_t percentDone, bool redrawNow, const TRect& r,
                              const std::string& message) {
    if (OnProgress) OnProgress(this, stage, percentDone, redrawNow, r, message);
}

}  // namespace zavo

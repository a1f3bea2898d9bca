#include "codec/picture.h"

#include "base/exceptions.h"
#include "base/format.h"
#include "base/pathtext.h"
#include "codec/bitmap.h"
#include "codec/fileformats.h"

namespace zavo {

TPicture::TPicture() { TFileFormatsList::Instance(); }

TPicture::~TPicture() = default;

void TPicture::LoadPictureFile(const std::string& path) {
    const std::string_view extension = ExtensionOf(path);
    const TGraphicFactory factory = TFileFormatsList::Instance().Find(extension);
    if (factory == nullptr) throw EInvalidGraphic(Format(msg::UnknownExtension, extension));
    std::unique_ptr<TGraphic> graphic = factory();
    graphic->OnProgress = OnProgress;
    graphic->LoadFile(path);
    Hold(std::move(graphic));
}

void TPicture::AssignFrom(TPersistent* source) {
    if (source == nullptr) {
        Hold(nullptr);
        return;
    }
    if (auto* picture = dynamic_cast<TPicture*>(source)) {
        AssignFrom(picture->Graphic());
        return;
    }
    if (auto* graphic = dynamic_cast<TGraphic*>(source)) {
        std::unique_ptr<TGraphic> copy = graphic->NewInstance();
        copy->AssignFrom(graphic);
        copy->OnProgress = OnProgress;
        Hold(std::move(copy));
        return;
    }
    TPersistent::AssignFrom(source);
}

TBitmap* TPicture::AsBitmap() {
    if (auto* bitmap = dynamic_cast<TBitmap*>(graphic_.get())) return bitmap;
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->OnProgress = OnProgress;
    TBitmap* result = bitmap.get();
    Hold(std::move(bitmap));
    return result;
}

void TPicture::Hold(std::unique_ptr<TGraphic> graphic) {
    if (graphic) Attach(*graphic);
    graphic_ = std::move(graphic);
    Changed();
}

void TPicture::Attach(TGraphic& graphic) {
    graphic.OnChange = [this](TGraphic*) { Changed(); };
}

void TPicture::Changed() {
    if (OnChange) OnChange(this);
}

}  // namespace zavo

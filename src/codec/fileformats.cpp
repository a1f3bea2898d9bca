#include "codec/fileformats.h"

#include <algorithm>

#include "base/pathtext.h"
#include "codec/bitmap.h"
#include "codec/icon.h"
#include "codec/jpegimage.h"
#include "codec/metafile.h"

namespace zavo {

namespace {

// The formats every registry starts with, in order: a later entry wins a lookup.
const TFileFormat kBuiltIn[] = {
    {"wmf", "メタファイル", 0, &NewGraphic<TMetafile>},
    {"emf", "エンハンス メタファイル", 0, &NewGraphic<TMetafile>},
    {"ico", "アイコン", 0, &NewGraphic<TIcon>},
    {"bmp", "ビットマップ", 0, &NewGraphic<TBitmap>},
    {"jpeg", msg::JPEGFileDescription, 0, &NewGraphic<TJPEGImage>},
    {"jpg", msg::JPEGFileDescription, 0, &NewGraphic<TJPEGImage>},
};

}  // namespace

TFileFormatsList& TFileFormatsList::Instance() {
    static TFileFormatsList list;
    return list;
}

TFileFormatsList::TFileFormatsList() {
    for (const TFileFormat& f : kBuiltIn) Add(f.extension, f.description, f.descriptionId, f.factory);
}

void TFileFormatsList::Add(std::string_view extension, std::string_view description, int descriptionId,
                           TGraphicFactory factory) {
    entries_.push_back({LowerCaseText(extension), std::string(description), descriptionId, factory});
}

void TFileFormatsList::RemoveIf(bool (*matches)(const TGraphic&)) {
    std::erase_if(entries_, [matches](const TFileFormat& f) { return matches(*f.factory()); });
}

TGraphicFactory TFileFormatsList::Find(std::string_view extension) const {
    if (extension.empty()) return nullptr;
    const std::string lower = LowerCaseText(extension);
    auto it = std::find_if(entries_.rbegin(), entries_.rend(), [&](const TFileFormat& f) { return f.extension == lower; });
    return it == entries_.rend() ? nullptr : it->factory;
}

}  // namespace zavo

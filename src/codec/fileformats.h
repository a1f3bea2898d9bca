// The registry of graphic classes by file extension. Entries keep their order; a lookup goes from
// the last entry to the first, so a later registration of an extension overrides an earlier one.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "codec/graphic.h"

namespace zavo {

// Makes a new empty graphic of one class.
using TGraphicFactory = std::unique_ptr<TGraphic> (*)();

template <typename T>
std::unique_ptr<TGraphic> NewGraphic() {
    return std::make_unique<T>();
}

struct TFileFormat {
    std::string extension;  // lower-cased
    std::string description;
    int descriptionId = 0;  // 0 when the description is given as text
    TGraphicFactory factory = nullptr;
};

class TFileFormatsList {
public:
    // The process's registry, made on first use with the built-in entries.
    static TFileFormatsList& Instance();

    // The extension is stored lower-cased.
    void Add(std::string_view extension, std::string_view description, int descriptionId, TGraphicFactory factory);
    // Drops every entry whose class is T or derives from it.
    template <typename T>
    void Remove() {
        RemoveIf([](const TGraphic& g) { return dynamic_cast<const T*>(&g) != nullptr; });
    }
    // The factory registered last for the extension (compared lower-cased), or null; an empty
    // extension matches nothing.
    TGraphicFactory Find(std::string_view extension) const;
    const std::vector<TFileFormat>& Entries() const { return entries_; }

private:
    TFileFormatsList();
    void RemoveIf(bool (*matches)(const TGraphic&));

    std::vector<TFileFormat> entries_;
};

}  // namespace zavo

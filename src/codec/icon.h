// The icon graphic: an icon file kept as read, turned into an icon image on first need (drawing or
// asking for the handle) by choosing the directory entry that suits the wanted size best.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "codec/graphic.h"
#include "platform/iconimage.h"

namespace zavo {

namespace msg {
inline constexpr const char* IconSizeFixed = "アイコンの大きさは変更できません";
}  // namespace msg

class TIcon : public TGraphic {
public:
    TIcon() = default;
    ~TIcon() override;

    // From a TIcon: the same file bytes and requested size; from null: empty; otherwise the
    // source's CopyInto decides.
    void AssignFrom(TPersistent* source) override;
    // The icon at its own size with its top-left corner at the rectangle's; transparent where its
    // mask is set. Draws nothing for a directory without entries.
    void DrawOn(TCanvas& canvas, const TRect& rect) override;
    bool IsEmpty() const override;
    int Height() const override;
    int Width() const override;
    // Before the icon is built these set the wanted size; afterwards EInvalidGraphicOperation
    // "アイコンの大きさは変更できません".
    void SetHeight(int value) override;
    void SetWidth(int value) override;
    std::unique_ptr<TGraphic> NewInstance() const override;
    // Keeps everything from the stream's position to its end; EReadError for fewer than 6 bytes,
    // EInvalidGraphic "アイコンイメージが不正です" for a type other than 0 and 1.
    void LoadStream(TStream& stream) override;
    // Writes the file bytes as read.
    void SaveStream(TStream& stream) override;
    void LoadClipboard(uint16_t format, TMemoryStream& data, platform::PaletteHandle palette) override;
    void SaveClipboard(uint16_t& format, TMemoryStream& data, platform::PaletteHandle& palette) override;

    // The icon image, built on first call; null when the directory has no entries. EOutOfResources
    // "システム リソースが足りません" when the directory or the chosen entry's image is cut short by the
    // end of the file, or that image cannot be made into an icon.
    const platform::IconPixels* Handle();

private:
    void Build();

    // The file as read, shared between copies; null when empty.
    std::shared_ptr<const std::vector<uint8_t>> file_;
    std::optional<platform::IconPixels> icon_;
    bool built_ = false;
    int requestedWidth_ = 0;
    int requestedHeight_ = 0;
};

}  // namespace zavo

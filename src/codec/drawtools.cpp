#include "codec/drawtools.h"

#include "platform/screen.h"

namespace zavo {

void TFont::Changed() {
    if (OnChange) OnChange();
}

void TFont::SetColor(TColor color) {
    if (color_ == color) return;
    color_ = color;
    Changed();
}

void TFont::SetName(const std::string& name) {
    if (name_ == name || name.empty()) return;
    name_ = name;
    Changed();
}

void TFont::SetHeight(int height) {
    if (height_ == height) return;
    height_ = height;
    Changed();
}

int TFont::Size() const {
    int ppi = platform::ScreenPixelsPerInch();
    return -static_cast<int>((static_cast<int64_t>(height_) * 72 + (height_ < 0 ? -ppi / 2 : ppi / 2)) / ppi);
}

void TFont::SetSize(int points) {
    int ppi = platform::ScreenPixelsPerInch();
    SetHeight(-static_cast<int>((static_cast<int64_t>(points) * ppi + (points < 0 ? -36 : 36)) / 72));
}

void TFont::SetStyle(TFontStyles style) {
    if (style_ == style) return;
    style_ = style;
    Changed();
}

void TFont::SetCharset(uint8_t charset) {
    if (charset_ == charset) return;
    charset_ = charset;
    Changed();
}

void TFont::AssignFrom(const TFont& other) {
    color_ = other.color_;
    name_ = other.name_;
    height_ = other.height_;
    style_ = other.style_;
    charset_ = other.charset_;
    Changed();
}

platform::FontAttributes TFont::Attributes() const {
    platform::FontAttributes attributes;
    attributes.family = name_;
    attributes.height = height_;
    attributes.bold = HasStyle(TFontStyle::Bold);
    attributes.italic = HasStyle(TFontStyle::Italic);
    attributes.underline = HasStyle(TFontStyle::Underline);
    attributes.strikeOut = HasStyle(TFontStyle::StrikeOut);
    return attributes;
}

void TPen::Changed() {
    if (OnChange) OnChange();
}

void TPen::SetColor(TColor color) {
    if (color_ == color) return;
    color_ = color;
    Changed();
}

void TPen::SetWidth(int width) {
    if (width_ == width || width < 0) return;
    width_ = width;
    Changed();
}

void TPen::SetStyle(TPenStyle style) {
    if (style_ == style) return;
    style_ = style;
    Changed();
}

void TBrush::Changed() {
    if (OnChange) OnChange();
}

void TBrush::SetColor(TColor color) {
    if (color_ == color && style_ == TBrushStyle::Solid) return;
    color_ = color;
    // Choosing a colour makes a clear brush solid again.
    style_ = TBrushStyle::Solid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
    if (style_ == style) return;
    style_ = style;
    Changed();
}

}  // namespace zavo

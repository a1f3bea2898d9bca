// The font, pen and brush a canvas draws with. Each reports its changes through OnChange so that
// the canvas can bring its device context up to date.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "codec/graphictypes.h"
#include "platform/devicecontext.h"

namespace zavo {

enum class TFontStyle : uint8_t { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };
using TFontStyles = uint8_t;

inline constexpr uint8_t SHIFTJIS_CHARSET = 128;
inline constexpr uint8_t DEFAULT_CHARSET = 1;

class TFont {
public:
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    std::string Name() const { return name_; }
    void SetName(const std::string& name);
    // Below 0: character height in pixels; above 0: cell height.
    int Height() const { return height_; }
    void SetHeight(int height);
    // Points, at the display's pixels per inch.
    int Size() const;
    void SetSize(int points);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style);
    bool HasStyle(TFontStyle s) const { return (style_ & static_cast<uint8_t>(s)) != 0; }
    uint8_t Charset() const { return charset_; }
    void SetCharset(uint8_t charset);
    void AssignFrom(const TFont& other);

    platform::FontAttributes Attributes() const;

    std::function<void()> OnChange;

private:
    void Changed();

    TColor color_ = clWindowText;
    std::string name_ = "ＭＳ Ｐゴシック";
    int height_ = -12;
    TFontStyles style_ = 0;
    uint8_t charset_ = SHIFTJIS_CHARSET;
};

enum class TPenStyle { Solid, Clear };

class TPen {
public:
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    int Width() const { return width_; }
    void SetWidth(int width);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle style);

    std::function<void()> OnChange;

private:
    void Changed();

    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = TPenStyle::Solid;
};

enum class TBrushStyle { Solid, Clear };

class TBrush {
public:
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle style);

    std::function<void()> OnChange;

private:
    void Changed();

    TColor color_ = clWhite;
    TBrushStyle style_ = TBrushStyle::Solid;
};

}  // namespace zavo

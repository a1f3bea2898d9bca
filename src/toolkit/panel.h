// Panels of the dialogs' own windows: plain Qt widgets that paint bevels, a border and a caption,
// and a panel whose painting never fails outward.
#pragma once

#include <QColor>
#include <QWidget>

#include <string>

namespace zavo {

enum class TBevel { None, Lowered, Raised };

class TPanel : public QWidget {
public:
    explicit TPanel(QWidget* parent = nullptr);

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    void SetBevelOuter(TBevel bevel);
    void SetBevelInner(TBevel bevel);
    void SetBorderWidth(int width);
    // A one-pixel frame outside the outer bevel.
    void SetSingleBorder(bool on);
    void SetColor(const QColor& color);

    // Pixels between the panel's edge and the area its children fill, on each side.
    int Inset() const;
    // The area inside the frame: what the panel's client size counts.
    QSize ClientSize() const;

protected:
    // From the outside in: frame, outer bevel, border in the panel's colour, inner bevel, then the
    // fill and the caption centred on one line over the children's area.
    void paintEvent(QPaintEvent* e) override;

private:
    void Changed();

    std::string caption_;
    TBevel outer_ = TBevel::Raised;
    TBevel inner_ = TBevel::None;
    int borderWidth_ = 0;
    bool singleBorder_ = false;
    QColor color_;
};

class TSilentPaintPanel : public TPanel {
public:
    using TPanel::TPanel;

    // Runs a painting step of the panel or of one of its children. An exception becomes the caption
    // "画像が不正です" and goes no further.
    template <typename F>
    void PaintSilently(F&& paint) {
        try {
            paint();
        } catch (...) {
            SetCaption(kBadPicture);
        }
    }

    static constexpr const char* kBadPicture = "画像が不正です";

protected:
    void paintEvent(QPaintEvent* e) override;
};

}  // namespace zavo

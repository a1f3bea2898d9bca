// A picture shown stretched into its widget with its proportions kept and centred, as the open
// dialog's preview and the full-size preview show it.
#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

#include <functional>

namespace zavo {

// Where a w x h picture goes in a cw x ch box: as large as fits with its proportions kept, small
// pictures grown as well as large ones shrunk, centred. A picture without width or height fills the
// whole box.
QRect ProportionalRect(int w, int h, int cw, int ch);

// A standalone upright copy of an image, reduced with its proportions kept when it is larger than
// bound, so that showing it never costs more than the bound. upsideDown: the image's first line is
// the picture's last.
QImage UprightImage(const QImage& image, bool upsideDown, const QSize& bound);

class FittedImage : public QWidget {
public:
    explicit FittedImage(QWidget* parent = nullptr);

    void SetImage(const QImage& image);
    void Clear();
    const QImage& Image() const { return image_; }

    std::function<void()> OnDoubleClick;

protected:
    // Inside a silent paint panel a failure to paint changes that panel's caption instead.
    void paintEvent(QPaintEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    void Paint();
    QImage image_;
};

}  // namespace zavo

// The canvas of a window. It draws into a backing image of the window's inner size, and the window
// shows that image whenever it paints: what is drawn stays on the screen until it is drawn over,
// also where part of the window was covered and uncovered again.
#pragma once

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QWidget>

#include <memory>

#include "codec/canvas.h"
#include "platform/surface.h"

class QPainter;

namespace zavo {

class TFormCanvas : public TCanvas {
public:
    // The font starts as the window's font in its colour, the brush in the window colour; so does
    // the backing image, and any area the window grows by.
    TFormCanvas(QWidget* window, const QFont& font, const QColor& fontColor, const QColor& color);
    ~TFormCanvas() override;

    // Paints the part area (window coordinates) of the backing image.
    void Paint(QPainter& painter, const QRect& area);
    // The backing image at the window's current size.
    platform::Surface& Image();

    void Changing() override;
    void Changed() override;

protected:
    void CreateHandle() override;

private:
    void FollowWindowSize();

    QPointer<QWidget> window_;
    platform::ColorRef color_;
    std::unique_ptr<platform::Surface> image_;
};

}  // namespace zavo

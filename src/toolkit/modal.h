// Where the program's modal windows open, and what they give back when they close.
#pragma once

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

namespace zavo {

// The top-left corner that centres a window of the given size horizontally on the monitor and puts
// it at 1/divisor of the free height below the monitor's top. A window larger than the monitor
// keeps its top-left corner on it, so that its title bar stays within reach.
QPoint PlaceOnMonitor(const QRect& monitor, const QSize& size, int divisor);

// The monitor of the active window, else of the main window, else the primary one.
QRect ActiveMonitor();

// For the time of a modal window: remembers the active window and the focused widget and gives
// both back afterwards. The modal window itself blocks the input of every other window.
class ModalScope {
public:
    ModalScope();
    ~ModalScope();
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

    QWidget* ActiveWindow() const { return active_; }

private:
    QPointer<QWidget> active_;
    QPointer<QWidget> focus_;
};

}  // namespace zavo

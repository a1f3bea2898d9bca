#include "toolkit/modal.h"

#include <QApplication>
#include <QScreen>

#include <algorithm>

#include "toolkit/application.h"
#include "toolkit/form.h"

namespace zavo {

QPoint PlaceOnMonitor(const QRect& monitor, const QSize& size, int divisor) {
    const int x = monitor.left() + std::max(0, (monitor.width() - size.width()) / 2);
    const int y = monitor.top() + std::max(0, (monitor.height() - size.height()) / divisor);
    return {x, y};
}

QRect ActiveMonitor() {
    QWidget* window = QApplication::activeWindow();
    if (!window) {
        TApplication* app = TApplication::Instance();
        if (app && app->MainForm()) window = app->MainForm()->Widget();
    }
    QScreen* screen = window ? window->screen() : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect();
}

ModalScope::ModalScope() : active_(QApplication::activeWindow()), focus_(QApplication::focusWidget()) {}

ModalScope::~ModalScope() {
    if (active_) active_->activateWindow();
    if (focus_) focus_->setFocus(Qt::OtherFocusReason);
}

}  // namespace zavo

#include "platform/screen.h"

#include <QGuiApplication>
#include <QScreen>

namespace zavo::platform {

namespace {
QScreen* Primary() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen() : nullptr; }
}  // namespace

int ScreenWidth() {
    QScreen* s = Primary();
    return s ? s->geometry().width() : 1024;
}

int ScreenHeight() {
    QScreen* s = Primary();
    return s ? s->geometry().height() : 768;
}

int ScreenPixelsPerInch() {
    QScreen* s = Primary();
    return s ? qRound(s->logicalDotsPerInch()) : 96;
}

}  // namespace zavo::platform

#include "platform/screen.h"

#include <QGuiApplication>
#include <QScreen>
#include <QThread>

#include <atomic>

namespace zavo::platform {

namespace {
QScreen* Primary() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen() : nullptr; }

// Qt's screens belong to the user-interface thread; a thread that draws in the background reads
// the resolution that thread saw last.
std::atomic<int> gPixelsPerInch{96};

bool OnScreenThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}
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
    if (!OnScreenThread()) return gPixelsPerInch.load(std::memory_order_relaxed);
    QScreen* s = Primary();
    const int ppi = s ? qRound(s->logicalDotsPerInch()) : 96;
    gPixelsPerInch.store(ppi, std::memory_order_relaxed);
    return ppi;
}

}  // namespace zavo::platform

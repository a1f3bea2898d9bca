#include "platform/headless.h"

#include <QGuiApplication>

namespace zavo::platform {

HeadlessGui::HeadlessGui(const char* programName) : argv_{const_cast<char*>(programName), nullptr} {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Start-up notes about the session (no runtime folder and the like) mean nothing here.
    QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    qInstallMessageHandler(previous);
}

HeadlessGui::~HeadlessGui() = default;

}  // namespace zavo::platform

#include "toolkit/application.h"

#include <QFileInfo>
#include <QIcon>
#include <QSettings>
#include <QLibraryInfo>
#include <QLocale>

#include <algorithm>

#include "base/exceptions.h"
#include "toolkit/control.h"
#include "toolkit/errorbox.h"
#include "toolkit/fonts.h"
#include "toolkit/form.h"

namespace zavo {

TApplication* TApplication::instance_ = nullptr;

namespace {

// Qt must not see an exception leave an event handler; the toolkit guards every handler it calls,
// and this is the last net for anything thrown from Qt's own dispatch.
class GuardedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        bool result = false;
        TApplication::Guard([&] { result = QApplication::notify(receiver, event); });
        return result;
    }
};

}  // namespace

std::string TitleFromProgramPath(const std::string& path) {
    std::string name = path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1);
    name = name.substr(0, name.find('.'));
    QString title = QString::fromLocal8Bit(name.c_str());
    if (title.size() > 1) title = title.left(1) + title.mid(1).toLower();
    return title.toStdString();
}

TApplication::TApplication(int& argc, char** argv) {
    instance_ = this;
    if (QApplication::instance() == nullptr) {
        // The stored layouts bring their own rule for screens other than 96 pixels per inch
        // (layout.cpp); Qt's device-pixel scaling on top of it would enlarge the windows twice.
        // Without it, Qt reports the desktop's font resolution (Xft.dpi) as the screen's.
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
        qunsetenv("QT_SCALE_FACTOR");
        qunsetenv("QT_SCREEN_SCALE_FACTORS");
        qt_ = std::make_unique<GuardedApplication>(argc, argv);
    }
    QApplication::setQuitOnLastWindowClosed(false);
    std::string program = argc > 0 && argv[0] ? argv[0] : "";
    if (auto* app = QCoreApplication::instance(); app && program.empty())
        program = QFile::encodeName(app->applicationFilePath()).toStdString();
    title_ = TitleFromProgramPath(program);
    QApplication::setApplicationName(QString::fromStdString(title_));
    QApplication::setApplicationDisplayName(QString());
    RegisterFontSubstitutions();
    // The interface is Japanese whatever the user's locale: Qt's own dialog texts, button captions
    // and menus, and the dates and sizes its dialogs format.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    if (qtTexts_.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts_);
    // The program stores nothing. Qt's file dialog would keep its history in the user's Qt settings
    // file; a folder path that can never exist makes those reads come back empty and the writes fail
    // quietly.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("/dev/null"));
    ShowErrorBox = [](const std::string& text, const std::string& caption) { ShowStopBox(text, caption); };
}

TApplication::~TApplication() {
    DestroyForms();
    QCoreApplication::removeTranslator(&qtTexts_);
    if (instance_ == this) instance_ = nullptr;
}

void TApplication::SetIcon(const std::string& path) { QApplication::setWindowIcon(QIcon(QString::fromStdString(path))); }

void TApplication::FormCreated(TForm* form) {
    if (!mainForm_) mainForm_ = form;
}

void TApplication::FormDestroyed(TForm* form) {
    if (mainForm_ == form) mainForm_ = nullptr;
}

int TApplication::Run() {
    if (!mainForm_) return 0;
    // Linux hands a program no show command; the window manager applies a session's own request
    // (maximised, minimised) to the window it maps.
    mainForm_->Show();
    while (!terminated_) {
        QApplication::exec();
    }
    return 0;
}

void TApplication::Terminate() {
    terminated_ = true;
    QApplication::quit();
}

void TApplication::DestroyForms() {
    while (!owned_.empty()) {
        owned_.back()->BeforeDestruction();
        owned_.pop_back();
    }
}

void TApplication::HandleException(const std::exception& e) {
    // A drag or an open menu would otherwise go on under the box.
    if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    if (dynamic_cast<const EAbort*>(&e)) return;
    if (ShowErrorBox) ShowErrorBox(ErrorBoxText(ExceptionMessage(e)), title_);
}

}  // namespace zavo

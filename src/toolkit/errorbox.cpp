#include "toolkit/errorbox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>

#include <new>
#include <stdexcept>

#include "base/exceptions.h"
#include "toolkit/modal.h"

namespace zavo {

std::string ExceptionMessage(const std::exception& e) {
    // A length error is a request for more memory than the library can ever hand out.
    if (dynamic_cast<const std::bad_alloc*>(&e) || dynamic_cast<const std::length_error*>(&e))
        return EOutOfMemory(msg::OutOfMemory).Message();
    return e.what();
}

namespace {

class StopBox : public QMessageBox {
public:
    StopBox(const std::string& text, const std::string& caption, QWidget* owner, const QRect& monitor)
        : QMessageBox(QMessageBox::Critical, QString::fromStdString(caption), QString::fromStdString(text),
                      QMessageBox::Ok, owner),
          monitor_(monitor) {
        // Messages hold file names, which may look like markup: "<b>bold.jpg" shows as written.
        setTextFormat(Qt::PlainText);
        setWindowModality(Qt::ApplicationModal);
        setDefaultButton(QMessageBox::Ok);
        setEscapeButton(QMessageBox::Ok);
    }

protected:
    // The box has its final size once its own show handling has run.
    void showEvent(QShowEvent* e) override {
        QMessageBox::showEvent(e);
        if (!monitor_.isEmpty()) move(PlaceOnMonitor(monitor_, frameGeometry().size(), 2));
        button(QMessageBox::Ok)->setFocus(Qt::ActiveWindowFocusReason);
    }

private:
    QRect monitor_;
};

}  // namespace

void ShowStopBox(const std::string& text, const std::string& caption) {
    ModalScope scope;
    StopBox box(text, caption, scope.ActiveWindow(), ActiveMonitor());
    box.exec();
}

}  // namespace zavo

#include "toolkit/errorbox.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

namespace zavo {

std::string ErrorBoxText(const std::string& message) {
    if (message.empty()) return message;
    // Compared as bytes: a multibyte character's last byte is above 0x7F and so after '.'.
    unsigned char last = static_cast<unsigned char>(message.back());
    return last > '.' ? message + "." : message;
}

void ShowStopBox(const std::string& text, const std::string& caption) {
    QWidget* active = QApplication::activeWindow();
    QWidget* focus = QApplication::focusWidget();
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok, active);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    if (active) active->activateWindow();
    if (focus) focus->setFocus(Qt::OtherFocusReason);
}

}  // namespace zavo

#include "toolkit/errorbox.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

namespace zavo {

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

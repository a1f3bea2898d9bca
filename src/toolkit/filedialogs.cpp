#include "toolkit/filedialogs.h"

#include <QFile>
#include <QFileDialog>

#include "toolkit/form.h"

namespace zavo {

std::function<bool(TOpenDialog&)> TOpenDialog::ExecuteHook;

QStringList QtNameFilters(const std::string& filter) {
    QStringList parts = QString::fromStdString(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString masks = parts[i + 1];
        masks.replace(';', ' ');
        out << parts[i] + " (" + masks + ")";
    }
    return out;
}

bool TOpenDialog::Execute() {
    if (ExecuteHook) return ExecuteHook(*this);
    QFileDialog dialog(form_ ? form_->Widget() : nullptr);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setAcceptMode(IsSaveDialog() ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(IsSaveDialog() ? QFileDialog::AnyFile : QFileDialog::AnyFile);
    QStringList filters = QtNameFilters(filter_);
    dialog.setNameFilters(filters);
    if (filterIndex_ >= 1 && filterIndex_ <= filters.size()) dialog.selectNameFilter(filters[filterIndex_ - 1]);
    if (!fileName_.empty()) dialog.selectFile(QFile::decodeName(fileName_.c_str()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    fileName_ = QFile::encodeName(dialog.selectedFiles().first()).toStdString();
    int index = filters.indexOf(dialog.selectedNameFilter());
    if (index >= 0) filterIndex_ = index + 1;
    return true;
}

bool TOpenDialog::SetProperty(const std::string& name, const LayoutValue& value) {
    if (name == "Filter") SetFilter(value.Str());
    else if (name == "FileName") SetFileName(value.Str());
    else return TObject::SetProperty(name, value);
    return true;
}

}  // namespace zavo

#include "toolkit/filedialogs.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QShowEvent>

#include "toolkit/form.h"
#include "toolkit/modal.h"

namespace zavo {

std::function<bool(TOpenDialog&)> TOpenDialog::ExecuteHook;

QStringList QtNameFilters(const std::string& filter) {
    QStringList parts = QString::fromStdString(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList masks;
        for (const QString& mask : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
            masks << mask;
            // "*.*" means every file, and "name.*" the bare "name" too: a name without a dot
            // counts as having an empty extension.
            if (mask.endsWith(QStringLiteral(".*")) && mask.size() > 2) masks << mask.chopped(2);
        }
        out << parts[i] + " (" + masks.join(' ') + ")";
    }
    return out;
}

namespace {

// The entry the dialog reports as chosen, from 0; -1 for none. With their masks hidden the dialog
// reports entries by their descriptions.
int FilterPosition(const QStringList& filters, const std::string& filter, const QString& chosen) {
    const QStringList parts = QString::fromStdString(filter).split('|');
    for (int i = 0; i < filters.size(); ++i)
        if (chosen == filters[i] || chosen == parts.value(2 * i)) return i;
    return -1;
}

class FileDialog : public QFileDialog {
public:
    FileDialog(QWidget* parent, const QRect& monitor) : QFileDialog(parent), monitor_(monitor) {}

protected:
    // Moved once its size is settled, keeping that size.
    void showEvent(QShowEvent* e) override {
        QFileDialog::showEvent(e);
        if (!monitor_.isEmpty()) move(PlaceOnMonitor(monitor_, frameGeometry().size(), 3));
    }
    // The name field's completion list is a window of its own: left open, it would stay on screen
    // after the dialog and hold the pointer until the picture has loaded, taking the next click
    // meant for the main window; and a folder listing that arrives late would open it again.
    void done(int result) override {
        for (QLineEdit* edit : findChildren<QLineEdit*>()) {
            if (QCompleter* completer = edit->completer()) {
                completer->popup()->hide();
                edit->setCompleter(nullptr);
            }
        }
        QFileDialog::done(result);
    }

private:
    QRect monitor_;
};

}  // namespace

std::string TOpenDialog::FileName() const {
    if (dialog_) {
        const QStringList selected = dialog_->selectedFiles();
        return selected.isEmpty() ? std::string() : QFile::encodeName(selected.first()).toStdString();
    }
    return fileName_;
}

bool TOpenDialog::Execute() {
    if (ExecuteHook) return ExecuteHook(*this);
    ModalScope scope;
    QWidget* owner = scope.ActiveWindow() ? scope.ActiveWindow() : form_ ? form_->Widget() : nullptr;
    FileDialog dialog(owner, ActiveMonitor());
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    // The entries show their descriptions only, which already name their masks.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setAcceptMode(IsSaveDialog() ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setWindowModality(Qt::ApplicationModal);
    const QStringList filters = QtNameFilters(filter_);
    dialog.setNameFilters(filters);
    if (filterIndex_ >= 1 && filterIndex_ <= filters.size()) dialog.selectNameFilter(filters[filterIndex_ - 1]);
    // "*.bmp" shows "PHOTO.BMP" too, as the masks of picture files are meant.
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    if (!fileName_.empty()) dialog.selectFile(QFile::decodeName(fileName_.c_str()));
    Prepare(dialog);
    bool accepted = false;
    {
        struct Showing {
            TOpenDialog& owner;
            ~Showing() {
                owner.dialog_ = nullptr;
                owner.Finished();
            }
        } showing{*this};
        dialog_ = &dialog;
        accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    }
    if (!accepted) return false;
    fileName_ = QFile::encodeName(dialog.selectedFiles().first()).toStdString();
    const int index = FilterPosition(filters, filter_, dialog.selectedNameFilter());
    if (index >= 0) filterIndex_ = index + 1;
    return true;
}

bool TOpenDialog::SetProperty(const std::string& name, const LayoutValue& value) {
    if (name == "Filter") SetFilter(value.Str());
    else if (name == "FileName") SetFileName(value.Str());
    else if (name == "FilterIndex") SetFilterIndex(value.Int());
    else return TObject::SetProperty(name, value);
    return true;
}

}  // namespace zavo

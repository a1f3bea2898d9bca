// Open and save dialogs over Qt's own file dialog (never the desktop's native one).
#pragma once

#include <QStringList>

#include <functional>
#include <string>

#include "toolkit/control.h"

class QFileDialog;

namespace zavo {

class TOpenDialog : public TObject {
public:
    explicit TOpenDialog(TForm* form) : form_(form) {}

    // "description|mask;mask|description|mask".
    const std::string& Filter() const { return filter_; }
    void SetFilter(const std::string& filter) { filter_ = filter; }
    // The chosen filter entry, from 1.
    int FilterIndex() const { return filterIndex_; }
    void SetFilterIndex(int index) { filterIndex_ = index; }
    // While the dialog is up, the name it has selected now; otherwise the name confirmed last, or
    // the one written, with which the next Execute starts.
    std::string FileName() const;
    void SetFileName(const std::string& name) { fileName_ = name; }

    // Shows the dialog modally, centred on the active window's monitor at a third of the free
    // height; the program's other windows take no input meanwhile, and the active window and the
    // focus are given back afterwards. True when the user confirmed a name, which FileName then
    // holds, with the filter entry in FilterIndex; on cancel both keep their values. A typed name
    // of a missing file is accepted, and an existing one is taken without an overwrite question.
    bool Execute();

    // Tests replace the modal dialog: the hook gets the dialog and returns what the user did, setting
    // the chosen name with SetFileName on confirmation.
    static std::function<bool(TOpenDialog& dialog)> ExecuteHook;

    bool SetProperty(const std::string& name, const LayoutValue& value) override;
    virtual bool IsSaveDialog() const { return false; }

    // The Qt dialog while Execute shows it.
    QFileDialog* Dialog() const { return dialog_; }

protected:
    // Called with the dialog once it is set up, before it shows.
    virtual void Prepare(QFileDialog&) {}
    // Called when the dialog has closed, before it is destroyed.
    virtual void Finished() {}

private:
    TForm* form_;
    std::string filter_;
    int filterIndex_ = 1;
    std::string fileName_;
    QFileDialog* dialog_ = nullptr;
};

class TSaveDialog : public TOpenDialog {
public:
    using TOpenDialog::TOpenDialog;
    bool IsSaveDialog() const override { return true; }
};

// "desc|mask;mask|desc|mask" as Qt name filters: "desc (mask mask)". A mask "x.*" also lists "x",
// so "*.*" shows names without a dot as well.
QStringList QtNameFilters(const std::string& filter);

}  // namespace zavo

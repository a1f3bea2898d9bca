// Open and save dialogs over Qt's own file dialog.
#pragma once

#include <functional>
#include <string>

#include "toolkit/control.h"

namespace zavo {

class TOpenDialog : public TObject {
public:
    explicit TOpenDialog(TForm* form) : form_(form) {}

    const std::string& Filter() const { return filter_; }
    void SetFilter(const std::string& filter) { filter_ = filter; }
    int FilterIndex() const { return filterIndex_; }
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& name) { fileName_ = name; }

    // Shows the dialog modally; true when the user confirmed a name, which FileName then holds.
    bool Execute();

    // Tests replace the modal dialog: the hook gets the dialog and returns what the user did, setting
    // the chosen name with SetFileName on confirmation.
    static std::function<bool(TOpenDialog& dialog)> ExecuteHook;

    bool SetProperty(const std::string& name, const LayoutValue& value) override;
    virtual bool IsSaveDialog() const { return false; }

private:
    TForm* form_;
    std::string filter_;
    int filterIndex_ = 1;
    std::string fileName_;
};

class TSaveDialog : public TOpenDialog {
public:
    using TOpenDialog::TOpenDialog;
    bool IsSaveDialog() const override { return true; }
};

class TOpenPictureDialog : public TOpenDialog {
public:
    using TOpenDialog::TOpenDialog;
};

// "desc|mask;mask|desc|mask" as Qt name filters: "desc (mask mask)".
QStringList QtNameFilters(const std::string& filter);

}  // namespace zavo

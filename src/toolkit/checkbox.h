// Check box with two states.
#pragma once

#include "toolkit/control.h"

namespace zavo {

class TCheckBox : public TControl {
public:
    TCheckBox(TForm* form, TControl* parent);
    bool Checked() const;
    void SetChecked(bool v);
    void SetCaption(const std::string& caption);

    bool SetProperty(const std::string& name, const LayoutValue& value) override;
    bool ClickFocuses() const override { return true; }

protected:
    bool TakesFocus() const override { return true; }
};

}  // namespace zavo

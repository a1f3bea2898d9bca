// One-line edit; an up-down may be bound to it.
#pragma once

#include "toolkit/control.h"

class QLineEdit;

namespace zavo {

class TUpDown;

class TEdit : public TControl {
public:
    TEdit(TForm* form, TControl* parent);
    std::string Text() const;
    void SetText(const std::string& text);

    TKeyEvent OnKeyDown;

    bool SetProperty(const std::string& name, const LayoutValue& value) override;
    bool BindEvent(const std::string& event, const std::string& handler, const THandlerTable& table) override;
    bool ClickFocuses() const override { return true; }
    void DoKeyDown(uint16_t& key, TShiftState shift) override;

protected:
    bool TakesFocus() const override { return true; }

private:
    friend class TUpDown;
    TUpDown* upDown_ = nullptr;
};

}  // namespace zavo

// Push button.
#pragma once

#include "toolkit/control.h"

class QPushButton;

namespace zavo {

class TButton : public TControl {
public:
    TButton(TForm* form, TControl* parent);
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    // Raises OnClick as a click of the user does.
    void Click();

    TNotifyEvent OnClick;

    bool SetProperty(const std::string& name, const LayoutValue& value) override;
    bool BindEvent(const std::string& event, const std::string& handler, const THandlerTable& table) override;
    bool ClickFocuses() const override { return true; }
    bool DoEnter() override;

protected:
    bool TakesFocus() const override { return true; }

private:
    std::string caption_;
};

}  // namespace zavo

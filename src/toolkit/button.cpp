#include "toolkit/button.h"

#include <QPushButton>

#include "toolkit/form.h"

namespace zavo {

TButton::TButton(TForm* form, TControl* parent) : TControl(form, parent) {
    auto* w = new QPushButton(parent->ClientWidget());
    w->setAutoDefault(false);
    // Qt reports a mouse click, or Space pressed and released while the button keeps the focus.
    QObject::connect(w, &QPushButton::clicked, [this] { Click(); });
    Attach(w);
    SetTabStop(true);
}

void TButton::SetCaption(const std::string& caption) {
    caption_ = caption;
    static_cast<QPushButton*>(Widget())->setText(QString::fromStdString(caption));
}

void TButton::Click() {
    if (OnClick) Form()->Invoke([&] { OnClick(this); });
}

bool TButton::DoEnter() {
    Click();
    return true;
}

bool TButton::SetProperty(const std::string& name, const LayoutValue& value) {
    if (name == "Caption") SetCaption(value.Str());
    else return TControl::SetProperty(name, value);
    return true;
}

bool TButton::BindEvent(const std::string& event, const std::string& handler, const THandlerTable& table) {
    if (event == "OnClick") {
        OnClick = table.Get<TNotifyEvent>(handler);
        return true;
    }
    return TControl::BindEvent(event, handler, table);
}

}  // namespace zavo

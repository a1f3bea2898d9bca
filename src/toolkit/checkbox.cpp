#include "toolkit/checkbox.h"

#include <QCheckBox>

namespace zavo {

TCheckBox::TCheckBox(TForm* form, TControl* parent) : TControl(form, parent) {
    auto* w = new QCheckBox(parent->ClientWidget());
    w->setTristate(false);
    Attach(w);
    SetTabStop(true);
}

bool TCheckBox::Checked() const { return static_cast<QCheckBox*>(Widget())->isChecked(); }
void TCheckBox::SetChecked(bool v) { static_cast<QCheckBox*>(Widget())->setChecked(v); }
void TCheckBox::SetCaption(const std::string& caption) {
    static_cast<QCheckBox*>(Widget())->setText(QString::fromStdString(caption));
}

bool TCheckBox::SetProperty(const std::string& name, const LayoutValue& value) {
    if (name == "Caption") SetCaption(value.Str());
    else if (name == "Checked") SetChecked(value.Bool());
    else return TControl::SetProperty(name, value);
    return true;
}

}  // namespace zavo

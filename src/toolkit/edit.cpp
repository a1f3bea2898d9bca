#include "toolkit/edit.h"

#include <QLineEdit>

#include "toolkit/form.h"
#include "toolkit/keys.h"
#include "toolkit/updown.h"

namespace zavo {

TEdit::TEdit(TForm* form, TControl* parent) : TControl(form, parent) {
    auto* w = new QLineEdit(parent->ClientWidget());
    Attach(w);
    SetTabStop(true);
}

std::string TEdit::Text() const { return static_cast<QLineEdit*>(Widget())->text().toStdString(); }

void TEdit::SetText(const std::string& text) { static_cast<QLineEdit*>(Widget())->setText(QString::fromStdString(text)); }

void TEdit::DoKeyDown(uint16_t& key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
    if (upDown_ && upDown_->ArrowKeys() && (key == VK_UP || key == VK_DOWN)) {
        upDown_->Step(key == VK_UP ? TUDBtnType::Up : TUDBtnType::Down);
        key = 0;
    }
}

bool TEdit::SetProperty(const std::string& name, const LayoutValue& value) {
    if (name == "Text") SetText(value.Str());
    else return TControl::SetProperty(name, value);
    return true;
}

bool TEdit::BindEvent(const std::string& event, const std::string& handler, const THandlerTable& table) {
    if (event == "OnKeyDown") {
        OnKeyDown = table.Get<TKeyEvent>(handler);
        return true;
    }
    return TControl::BindEvent(event, handler, table);
}

}  // namespace zavo

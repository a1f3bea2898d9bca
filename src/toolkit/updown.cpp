#include "toolkit/updown.h"

#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>

#include "toolkit/edit.h"
#include "toolkit/form.h"

namespace zavo {

bool ParseUpDownText(const std::string& text, int& value) {
    size_t b = text.find_first_not_of(' ');
    size_t e = text.find_last_not_of(' ');
    if (b == std::string::npos) return false;
    const char* first = text.data() + b;
    const char* last = text.data() + e + 1;
    if (*first == '+') ++first;
    long long v = 0;
    auto [ptr, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || ptr != last || v < -2147483648LL || v > 2147483647LL) return false;
    value = static_cast<int>(v);
    return true;
}

TUpDown::TUpDown(TForm* form, TControl* parent) : TControl(form, parent) {
    auto* w = new QWidget(parent->ClientWidget());
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto arrow = [&](Qt::ArrowType type, TUDBtnType direction) {
        auto* b = new QToolButton(w);
        b->setArrowType(type);
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        b->setObjectName(direction == TUDBtnType::Up ? "up" : "down");
        QObject::connect(b, &QToolButton::clicked, [this, direction] { Form()->Invoke([&] { Step(direction); }); });
        layout->addWidget(b);
    };
    arrow(Qt::UpArrow, TUDBtnType::Up);
    arrow(Qt::DownArrow, TUDBtnType::Down);
    Attach(w);
}

TUpDown::~TUpDown() {
    if (associate_) associate_->upDown_ = nullptr;
}

void TUpDown::SetAssociate(TEdit* edit) {
    if (associate_) associate_->upDown_ = nullptr;
    associate_ = edit;
    if (edit) {
        edit->upDown_ = this;
        Dock();
        ShowPosition();
    }
}

void TUpDown::Dock() {
    if (associate_) SetBounds(associate_->Left() + associate_->Width(), associate_->Top(), Width(), associate_->Height());
}

void TUpDown::SetPosition(int v) {
    position_ = std::clamp(Clamp16(v), min_, std::max(min_, max_));
    ShowPosition();
}

void TUpDown::ShowPosition() {
    if (!associate_) return;
    const std::string digits = std::to_string(position_ < 0 ? -static_cast<long long>(position_) : position_);
    std::string text = position_ < 0 ? "-" : "";
    for (size_t i = 0; i < digits.size(); ++i) {
        if (thousands_ && i > 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    associate_->SetText(text);
}

void TUpDown::Step(TUDBtnType direction) {
    int lo = std::min(min_, max_), hi = std::max(min_, max_);
    int start = position_;
    int typed;
    if (associate_ && ParseUpDownText(associate_->Text(), typed) && typed >= lo && typed <= hi) start = typed;
    long long next = static_cast<long long>(start) + (direction == TUDBtnType::Up ? increment_ : -increment_);
    if (next > hi) next = wrap_ ? lo : hi;
    if (next < lo) next = wrap_ ? hi : lo;
    int reported = position_;
    position_ = static_cast<int>(next);
    ShowPosition();
    if (position_ != reported && OnClick)
        OnClick(this, position_ > reported ? TUDBtnType::Up : TUDBtnType::Down);
}

bool TUpDown::SetProperty(const std::string& name, const LayoutValue& value) {
    if (name == "Associate") SetAssociate(Form()->Get<TEdit>(value.Ident()));
    else if (name == "Min") SetMin(value.Int());
    else if (name == "Max") SetMax(value.Int());
    else if (name == "Increment") SetIncrement(value.Int());
    else if (name == "Position") SetPosition(value.Int());
    else if (name == "Wrap") SetWrap(value.Bool());
    else if (name == "Thousands") SetThousands(value.Bool());
    else if (name == "ArrowKeys") SetArrowKeys(value.Bool());
    else return TControl::SetProperty(name, value);
    return true;
}

bool TUpDown::BindEvent(const std::string& event, const std::string& handler, const THandlerTable& table) {
    if (event == "OnClick") {
        OnClick = table.Get<TUDClickEvent>(handler);
        return true;
    }
    return TControl::BindEvent(event, handler, table);
}

}  // namespace zavo

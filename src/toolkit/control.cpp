#include "toolkit/control.h"

#include <algorithm>
#include <map>

#include "toolkit/fonts.h"
#include "toolkit/form.h"

namespace zavo {

bool TObject::SetProperty(const std::string& name, const LayoutValue& value) {
    if (name == "Name") {
        SetName(value.Str());
        return true;
    }
    return false;
}

bool TObject::BindEvent(const std::string&, const std::string&, const THandlerTable&) { return false; }

TControl::TControl(TForm* form, TControl* parent) : form_(form), parent_(parent) {
    if (parent_) parent_->children_.push_back(this);
    if (form_) {
        font_ = form_->Font();
        fontColor_ = form_->FontColor();
    }
}

TControl::~TControl() {
    if (parent_) std::erase(parent_->children_, this);
    for (TControl* child : children_) child->parent_ = nullptr;
}

void TControl::Attach(QWidget* widget) {
    widget_ = widget;
    widget->setFocusPolicy(Qt::NoFocus);
    widget->setAttribute(Qt::WA_MacShowFocusRect, false);
    if (parent_) widget->setGeometry(0, 0, 0, 0);
    if (form_ && widget != form_->Widget()) form_->WatchWidget(widget);
    FontChanged();
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (widget_ && parent_) widget_->setGeometry(left_, top_, ShownSize(width_), ShownSize(height_));
    BoundsChanged();
}

void TControl::SetVisible(bool v) {
    if (visible_ == v) return;
    if (!v && form_ && form_->ActiveControl() == this) form_->ActiveControlHidden(this);
    visible_ = v;
    if (widget_ && parent_) widget_->setVisible(v);
}

void TControl::SetEnabled(bool v) {
    enabled_ = v;
    if (widget_) widget_->setEnabled(v);
}

void TControl::DoKeyDown(uint16_t&, TShiftState) {}

bool TControl::Focused() const { return widget_ && widget_->hasFocus(); }

bool TControl::CanFocus() const {
    if (!TakesFocus() || !enabled_) return false;
    for (const TControl* c = this; c && c->parent_; c = c->parent_)
        if (!c->visible_) return false;
    return true;
}

void TControl::FontChanged() {
    if (widget_) {
        widget_->setFont(font_);
        QPalette pal = widget_->palette();
        pal.setColor(QPalette::WindowText, fontColor_);
        pal.setColor(QPalette::ButtonText, fontColor_);
        pal.setColor(QPalette::Text, fontColor_);
        widget_->setPalette(pal);
    }
    ApplyFont();
}

void TControl::FixAnchors(int parentWidth, int) { anchorRight_ = parentWidth - left_; }

void TControl::ParentResized(int parentWidth, int) {
    if ((anchors_ & akRight) && !(anchors_ & akLeft)) SetLeft(parentWidth - anchorRight_);
}

bool TControl::SetProperty(const std::string& name, const LayoutValue& value) {
    if (name == "Left") SetLeft(value.Int());
    else if (name == "Top") SetTop(value.Int());
    else if (name == "Width") SetWidth(value.Int());
    else if (name == "Height") SetHeight(value.Int());
    else if (name == "Visible") SetVisible(value.Bool());
    else if (name == "Enabled") SetEnabled(value.Bool());
    else if (name == "TabOrder") SetTabOrder(value.Int());
    else if (name == "TabStop") SetTabStop(value.Bool());
    else if (name == "Anchors") {
        static const std::map<std::string, unsigned> names = {
            {"akLeft", akLeft}, {"akTop", akTop}, {"akRight", akRight}, {"akBottom", akBottom}};
        if (value.kind != LayoutValue::Kind::Set) throw std::runtime_error("layout: Anchors takes a set");
        unsigned a = 0;
        for (const std::string& n : value.set) {
            auto it = names.find(n);
            if (it == names.end()) throw std::runtime_error("layout: unknown anchor " + n);
            a |= it->second;
        }
        anchors_ = a;
    } else if (name.rfind("Font.", 0) == 0) {
        if (!ApplyFontProperty(font_, fontColor_, name, value)) return false;
        FontChanged();
    } else
        return TObject::SetProperty(name, value);
    return true;
}

bool TControl::BindEvent(const std::string& event, const std::string& handler, const THandlerTable& table) {
    if (event == "OnExit" && TakesFocus()) {
        OnExit = table.Get<TNotifyEvent>(handler);
        return true;
    }
    return TObject::BindEvent(event, handler, table);
}

}  // namespace zavo

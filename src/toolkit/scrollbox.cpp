#include "toolkit/scrollbox.h"

#include <QFrame>

namespace zavo {

TScrollBox::TScrollBox(TForm* form, TControl* parent) : TControl(form, parent) {
    auto* frame = new QFrame(parent->ClientWidget());
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(kBorder);
    inner_ = new QWidget(frame);
    inner_->move(kBorder, kBorder);
    Attach(frame);
}

void TScrollBox::BoundsChanged() {
    inner_->resize(ShownSize(Width() - 2 * kBorder), ShownSize(Height() - 2 * kBorder));
}

void TScrollBox::ShiftContent(int dx, int dy) {
    if (dx == 0 && dy == 0) return;
    for (TControl* child : Children()) {
        // The widgets move with the scroll below; only the recorded positions change here.
        QWidget* w = child->Widget();
        child->left_ += dx;
        child->top_ += dy;
        if (!inner_->isVisible()) w->move(child->left_, child->top_);
    }
    if (inner_->isVisible()) inner_->scroll(dx, dy);
}

bool TScrollBox::SetProperty(const std::string& name, const LayoutValue& value) {
    // The box's own scroll bars stay hidden; the layout states so.
    if (name == "HorzScrollBar.Visible" || name == "VertScrollBar.Visible" || name == "HorzScrollBar.Tracking" ||
        name == "VertScrollBar.Tracking") {
        value.Bool();
        return true;
    }
    if (name == "BorderStyle") {
        value.Ident();
        return true;
    }
    return TControl::SetProperty(name, value);
}

}  // namespace zavo

#include "toolkit/scrollbox.h"

#include <QContextMenuEvent>
#include <QFrame>
#include <QWheelEvent>

#include "toolkit/form.h"
#include "toolkit/keys.h"

namespace zavo {

namespace {

class ScrollBoxFrame : public QFrame {
public:
    ScrollBoxFrame(TScrollBox* owner, QWidget* parent) : QFrame(parent), owner_(owner) {}

protected:
    void wheelEvent(QWheelEvent* e) override {
        int notches = WheelNotches(e, wheelRest_);
        e->accept();
        if (notches == 0 || !owner_->OnMouseWheel) return;
        QPoint at = Inner(e->position().toPoint());
        TShiftState shift = ShiftOf(e);
        owner_->Form()->Invoke([&] { owner_->OnMouseWheel(owner_, shift, notches, at.x(), at.y()); });
    }
    void contextMenuEvent(QContextMenuEvent* e) override {
        e->accept();
        QPoint at = Inner(e->pos());
        if (owner_->OnContextPopup) owner_->Form()->Invoke([&] { owner_->OnContextPopup(owner_, at.x(), at.y()); });
    }

private:
    QPoint Inner(QPoint framePoint) const { return framePoint - QPoint(lineWidth(), lineWidth()); }
    TScrollBox* owner_;
    int wheelRest_ = 0;
};

}  // namespace

TScrollBox::TScrollBox(TForm* form, TControl* parent) : TControl(form, parent) {
    auto* frame = new ScrollBoxFrame(this, parent->ClientWidget());
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

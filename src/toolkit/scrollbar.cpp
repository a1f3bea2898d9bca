#include "toolkit/scrollbar.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "base/exceptions.h"
#include "toolkit/form.h"
#include "toolkit/keys.h"

namespace zavo {

namespace {

// The keys of a focused bar, the same for either kind: left and up go towards the start.
std::optional<TScrollCode> KeyScrollCode(uint16_t vk) {
    switch (vk) {
        case VK_LEFT:
        case VK_UP: return TScrollCode::LineUp;
        case VK_RIGHT:
        case VK_DOWN: return TScrollCode::LineDown;
        case VK_PRIOR: return TScrollCode::PageUp;
        case VK_NEXT: return TScrollCode::PageDown;
        case VK_HOME: return TScrollCode::Top;
        case VK_END: return TScrollCode::Bottom;
        default: return std::nullopt;
    }
}

// The Qt bar only reports what the user did; the value it shows is always set by TScrollBar. Input
// that Qt would turn into a value of its own (keys, the wheel, its context menu) is taken here.
class ScrollBarWidget : public QScrollBar {
public:
    ScrollBarWidget(TScrollBar* owner, QWidget* parent) : QScrollBar(Qt::Horizontal, parent), owner_(owner) {
        connect(this, &QAbstractSlider::actionTriggered, [this](int action) { Act(action); });
        connect(this, &QAbstractSlider::sliderReleased, [this] {
            Run(TScrollCode::Position, sliderPosition());
            Run(TScrollCode::EndScroll);
        });
    }

protected:
    void mouseReleaseEvent(QMouseEvent* e) override {
        bool dragging = isSliderDown();
        QScrollBar::mouseReleaseEvent(e);
        if (!dragging && acted_) Run(TScrollCode::EndScroll);
        acted_ = false;
    }
    // Qt's menu would set the value behind the bar's back, and in English.
    void contextMenuEvent(QContextMenuEvent* e) override { e->accept(); }
    void keyPressEvent(QKeyEvent* e) override {
        std::optional<TScrollCode> code = KeyScrollCode(VirtualKeyOf(e));
        if (!code) {
            e->ignore();
            return;
        }
        keyScrolled_ = true;
        Run(*code);
    }
    // Releasing the key ends the scroll, as releasing the mouse does.
    void keyReleaseEvent(QKeyEvent* e) override {
        if (e->isAutoRepeat() || !keyScrolled_ || !KeyScrollCode(VirtualKeyOf(e))) {
            e->ignore();
            return;
        }
        keyScrolled_ = false;
        Run(TScrollCode::EndScroll);
    }
    // Only whole notches step; the rest waits for the next turn.
    void wheelEvent(QWheelEvent* e) override {
        int notches = WheelNotches(e, wheelRest_);
        e->accept();
        owner_->Wheel(notches);
    }

private:
    void Act(int action) {
        switch (action) {
            case SliderSingleStepSub: Run(TScrollCode::LineUp); break;
            case SliderSingleStepAdd: Run(TScrollCode::LineDown); break;
            case SliderPageStepSub: Run(TScrollCode::PageUp); break;
            case SliderPageStepAdd: Run(TScrollCode::PageDown); break;
            case SliderToMinimum: Run(TScrollCode::Top); break;
            case SliderToMaximum: Run(TScrollCode::Bottom); break;
            case SliderMove: Run(TScrollCode::Track, sliderPosition()); break;
            default: return;
        }
        acted_ = true;
    }
    void Run(TScrollCode code, int thumb = 0) {
        owner_->Form()->Invoke([&] { owner_->UserScroll(code, thumb); });
    }
    TScrollBar* owner_;
    bool acted_ = false;
    bool keyScrolled_ = false;
    int wheelRest_ = 0;  // eighths of a degree not yet worth a notch
};
}  // namespace

TScrollBar::TScrollBar(TForm* form, TControl* parent) : TControl(form, parent) {
    Attach(new ScrollBarWidget(this, parent->ClientWidget()));
    SetTabStop(true);
    ShowRange();
}

QScrollBar* TScrollBar::Bar() const { return static_cast<QScrollBar*>(Widget()); }

void TScrollBar::SetKind(TScrollBarKind kind) {
    kind_ = kind;
    Bar()->setOrientation(kind == TScrollBarKind::Horizontal ? Qt::Horizontal : Qt::Vertical);
}

void TScrollBar::SetMin(int v) {
    if (v > max_) throw EInvalidOperation(msg::ScrollBarRange);
    min_ = v;
    position_ = std::clamp(position_, min_, max_);
    ShowRange();
}

void TScrollBar::SetMax(int v) {
    if (v < min_ || v < pageSize_) throw EInvalidOperation(msg::ScrollBarRange);
    max_ = v;
    position_ = std::clamp(position_, min_, max_);
    ShowRange();
}

void TScrollBar::SetPosition(int v) {
    position_ = std::clamp(v, min_, max_);
    ShowRange();
}

void TScrollBar::SetPageSize(int v) {
    if (v > max_ || v < 0) return;
    pageSize_ = v;
    ShowRange();
}

void TScrollBar::SetSmallChange(int v) {
    smallChange_ = std::clamp(v, 1, 32767);
    ShowRange();
}

void TScrollBar::SetLargeChange(int v) {
    largeChange_ = std::clamp(v, 1, 32767);
    ShowRange();
}

// The thumb travels over Min..Max - PageSize + 1; a Position beyond that leaves it at the end.
void TScrollBar::ShowRange() {
    QScrollBar* bar = Bar();
    QSignalBlocker block(bar);
    int top = std::max(min_, max_ - std::max(pageSize_, 1) + 1);
    bar->setRange(min_, top);
    bar->setPageStep(std::max(pageSize_, 1));
    bar->setSingleStep(smallChange_);
    bar->setSliderPosition(std::min(position_, top));
    bar->setValue(std::min(position_, top));
}

// Each notch steps by lines, forwards towards the start, then the scroll ends.
void TScrollBar::Wheel(int notches) {
    if (notches == 0) return;
    TScrollCode code = notches > 0 ? TScrollCode::LineUp : TScrollCode::LineDown;
    int steps = std::abs(notches) * std::max(1, QApplication::wheelScrollLines());
    for (int i = 0; i < steps; ++i) Form()->Invoke([&] { UserScroll(code); });
    Form()->Invoke([&] { UserScroll(TScrollCode::EndScroll); });
}

void TScrollBar::UserScroll(TScrollCode code, int thumbPosition) {
    long long proposed = position_;
    switch (code) {
        case TScrollCode::LineUp: proposed -= smallChange_; break;
        case TScrollCode::LineDown: proposed += smallChange_; break;
        case TScrollCode::PageUp: proposed -= largeChange_; break;
        case TScrollCode::PageDown: proposed += largeChange_; break;
        case TScrollCode::Position:
        case TScrollCode::Track: proposed = thumbPosition; break;
        case TScrollCode::Top: proposed = min_; break;
        case TScrollCode::Bottom: proposed = max_; break;
        case TScrollCode::EndScroll: break;
    }
    int scrollPos = static_cast<int>(std::clamp<long long>(proposed, min_, max_));
    if (OnScroll) OnScroll(this, code, scrollPos);
    SetPosition(scrollPos);
}

bool TScrollBar::SetProperty(const std::string& name, const LayoutValue& value) {
    if (name == "Kind") {
        if (value.Ident() == "sbVertical") SetKind(TScrollBarKind::Vertical);
        else if (value.Ident() == "sbHorizontal") SetKind(TScrollBarKind::Horizontal);
        else return false;
    } else if (name == "Min") SetMin(value.Int());
    else if (name == "Max") SetMax(value.Int());
    else if (name == "Position") SetPosition(value.Int());
    else if (name == "PageSize") SetPageSize(value.Int());
    else if (name == "SmallChange") SetSmallChange(value.Int());
    else if (name == "LargeChange") SetLargeChange(value.Int());
    else return TControl::SetProperty(name, value);
    return true;
}

bool TScrollBar::BindEvent(const std::string& event, const std::string& handler, const THandlerTable& table) {
    if (event == "OnScroll") {
        OnScroll = table.Get<TScrollEvent>(handler);
        return true;
    }
    return TControl::BindEvent(event, handler, table);
}

}  // namespace zavo

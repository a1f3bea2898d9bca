#include "toolkit/timer.h"

#include "base/exceptions.h"
#include "toolkit/form.h"

namespace zavo {

TTimer::TTimer(TForm* form) : form_(form) {
    // Coarse timers may fire up to 5 % early; a tick comes a whole interval after the (re)start.
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (onTimer_) form_->Invoke([&] { onTimer_(this); });
    });
}

void TTimer::SetEnabled(bool v) {
    if (v == enabled_) return;
    enabled_ = v;
    Rearm();
}

void TTimer::SetInterval(int ms) {
    if (ms == interval_) return;
    interval_ = ms;
    Rearm();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
    onTimer_ = std::move(handler);
    Rearm();
}

void TTimer::Rearm() {
    timer_.stop();
    if (interval_ > 0 && enabled_ && onTimer_) {
        timer_.start(interval_);
        if (!timer_.isActive()) throw EOutOfResources(msg::NoTimers);
    }
}

bool TTimer::SetProperty(const std::string& name, const LayoutValue& value) {
    if (name == "Enabled") SetEnabled(value.Bool());
    else if (name == "Interval") SetInterval(value.Int());
    else return TObject::SetProperty(name, value);
    return true;
}

bool TTimer::BindEvent(const std::string& event, const std::string& handler, const THandlerTable& table) {
    if (event == "OnTimer") {
        SetOnTimer(table.Get<TNotifyEvent>(handler));
        return true;
    }
    return TObject::BindEvent(event, handler, table);
}

}  // namespace zavo

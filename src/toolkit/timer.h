// A timer whose countdown is re-armed only when Enabled, Interval or OnTimer changes.
#pragma once

#include <QTimer>

#include "toolkit/control.h"

namespace zavo {

class TTimer : public TObject {
public:
    explicit TTimer(TForm* form);

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v);
    int Interval() const { return interval_; }
    void SetInterval(int ms);
    const TNotifyEvent& OnTimer() const { return onTimer_; }
    void SetOnTimer(TNotifyEvent handler);
    bool Armed() const { return timer_.isActive(); }

    bool SetProperty(const std::string& name, const LayoutValue& value) override;
    bool BindEvent(const std::string& event, const std::string& handler, const THandlerTable& table) override;

private:
    void Rearm();
    TForm* form_;
    QTimer timer_;
    bool enabled_ = true;
    int interval_ = 1000;
    TNotifyEvent onTimer_;
};

}  // namespace zavo

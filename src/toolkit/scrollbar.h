// A scroll bar that owns its position: every user action becomes a proposal computed from the bar's
// own Position, offered to OnScroll, and the bar then takes whatever ScrollPos holds.
#pragma once

#include "toolkit/control.h"

class QScrollBar;

namespace zavo {

enum class TScrollBarKind { Horizontal, Vertical };

class TScrollBar : public TControl {
public:
    TScrollBar(TForm* form, TControl* parent);

    TScrollBarKind Kind() const { return kind_; }
    void SetKind(TScrollBarKind kind);
    int Min() const { return min_; }
    int Max() const { return max_; }
    int Position() const { return position_; }
    int PageSize() const { return pageSize_; }
    int SmallChange() const { return smallChange_; }
    int LargeChange() const { return largeChange_; }
    void SetMin(int v);
    // Refused with EInvalidOperation when below Min or PageSize; clamps Position.
    void SetMax(int v);
    // Clamps into Min..Max and raises nothing.
    void SetPosition(int v);
    // A page size above Max is ignored.
    void SetPageSize(int v);
    void SetSmallChange(int v);
    void SetLargeChange(int v);

    // The user's action with its scroll code; the thumb position matters for codes 4 and 5.
    void UserScroll(TScrollCode code, int thumbPosition = 0);
    // The wheel turned by notches (positive away from the user) as if over the bar itself.
    void Wheel(int notches);

    TScrollEvent OnScroll;

    bool SetProperty(const std::string& name, const LayoutValue& value) override;
    bool BindEvent(const std::string& event, const std::string& handler, const THandlerTable& table) override;

protected:
    bool TakesFocus() const override { return true; }

private:
    void ShowRange();
    QScrollBar* Bar() const;
    TScrollBarKind kind_ = TScrollBarKind::Horizontal;
    int min_ = 0, max_ = 100, position_ = 0, pageSize_ = 0, smallChange_ = 1, largeChange_ = 1;
};

}  // namespace zavo

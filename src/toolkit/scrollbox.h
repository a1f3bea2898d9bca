// A container with a sunken 2-pixel border whose content the program moves itself.
#pragma once

#include "toolkit/control.h"

namespace zavo {

class TScrollBox : public TControl {
public:
    TScrollBox(TForm* form, TControl* parent);

    // Moves every child by (dx, dy) and what the box shows with them, at once.
    void ShiftContent(int dx, int dy);
    QWidget* ClientWidget() const override { return inner_; }

    bool SetProperty(const std::string& name, const LayoutValue& value) override;

    // Raised for what the controls inside leave alone; coordinates are in the inner area.
    TMouseWheelEvent OnMouseWheel;
    TContextPopupEvent OnContextPopup;

protected:
    void BoundsChanged() override;

private:
    static constexpr int kBorder = 2;
    QWidget* inner_;
};

}  // namespace zavo

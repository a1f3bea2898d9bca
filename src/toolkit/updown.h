// Up-down control bound to an edit: steps the number the edit shows.
#pragma once

#include "toolkit/control.h"

namespace zavo {

class TEdit;

class TUpDown : public TControl {
public:
    TUpDown(TForm* form, TControl* parent);
    ~TUpDown() override;

    TEdit* Associate() const { return associate_; }
    void SetAssociate(TEdit* edit);
    int Min() const { return min_; }
    int Max() const { return max_; }
    int Increment() const { return increment_; }
    int Position() const { return position_; }
    void SetMin(int v) { min_ = Clamp16(v); }
    void SetMax(int v) { max_ = Clamp16(v); }
    void SetIncrement(int v) { increment_ = v; }
    void SetPosition(int v);
    bool Wrap() const { return wrap_; }
    void SetWrap(bool v) { wrap_ = v; }
    bool ArrowKeys() const { return arrowKeys_; }
    void SetArrowKeys(bool v) { arrowKeys_ = v; }
    void SetThousands(bool v) { thousands_ = v; }

    // One step up or down, as a click on an arrow or the arrow key in the edit makes it.
    void Step(TUDBtnType direction);

    TUDClickEvent OnClick;

    bool SetProperty(const std::string& name, const LayoutValue& value) override;
    bool BindEvent(const std::string& event, const std::string& handler, const THandlerTable& table) override;

private:
    static int Clamp16(int v) { return v < -32768 ? -32768 : v > 32767 ? 32767 : v; }
    void ShowPosition();
    void Dock();
    TEdit* associate_ = nullptr;
    int min_ = 0, max_ = 100, increment_ = 1, position_ = 0;
    bool wrap_ = false, arrowKeys_ = true, thousands_ = true;
};

// The integer an up-down reads from its edit: plain decimal digits with an optional sign, blanks
// around them allowed; false for anything else.
bool ParseUpDownText(const std::string& text, int& value);

}  // namespace zavo

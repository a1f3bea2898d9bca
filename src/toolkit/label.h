// A text painted on its parent. Labels never take the focus, and a click on one does nothing.
#pragma once

#include "toolkit/control.h"

namespace zavo {

enum class TAlignment { LeftJustify, RightJustify, Center };

class TLabel : public TControl {
public:
    TLabel(TForm* form, TControl* parent);

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool v);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    // The text shown, as plain text, while the pointer rests on the label; empty shows none.
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);

    bool SetProperty(const std::string& name, const LayoutValue& value) override;

protected:
    void ApplyFont() override;

private:
    void Fit();
    std::string caption_;
    std::string hint_;
    bool autoSize_ = true;
    TAlignment alignment_ = TAlignment::LeftJustify;
};

}  // namespace zavo

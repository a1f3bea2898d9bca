// An image control: shows its picture at natural size from its top-left corner.
#pragma once

#include <QImage>

#include "toolkit/control.h"

namespace zavo {

class TImage : public TControl {
public:
    TImage(TForm* form, TControl* parent);

    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool v) { autoSize_ = v; }

    // The pixels shown, already rendered from the picture; a null image shows nothing. With AutoSize
    // the control takes the size of a picture of at least 1 x 1.
    void SetShownImage(QImage image);
    const QImage& ShownImage() const { return shown_; }

    bool SetProperty(const std::string& name, const LayoutValue& value) override;

private:
    QImage shown_;
    bool autoSize_ = false;
};

}  // namespace zavo

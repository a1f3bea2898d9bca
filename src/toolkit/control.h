// The base of every visible control: geometry in the toolkit's own signed pixels, visibility, font,
// tab order and focus. The Qt widget only shows what these properties say.
#pragma once

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QWidget>

#include <string>
#include <vector>

#include "toolkit/events.h"
#include "toolkit/layoutvalue.h"

namespace zavo {

class TForm;

class TObject {
public:
    virtual ~TObject() = default;
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

    // Applies one property of a stored layout; false when the object has no such property.
    virtual bool SetProperty(const std::string& name, const LayoutValue& value);
    // Binds an event of a stored layout to a handler; false when the object has no such event.
    virtual bool BindEvent(const std::string& event, const std::string& handler, const THandlerTable& table);

private:
    std::string name_;
};

enum TAnchor : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

class TControl : public TObject {
public:
    ~TControl() override;

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    virtual void SetBounds(int left, int top, int width, int height);

    bool Visible() const { return visible_; }
    void SetVisible(bool v);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v);

    // Whether this control holds the keyboard focus right now.
    bool Focused() const;
    // Tab stops can receive the focus from Tab and from a window's activation.
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool v) { tabStop_ = v; }
    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int v) { tabOrder_ = v; }
    // A control that is shown, enabled and of a kind that takes the focus.
    bool CanFocus() const;

    unsigned Anchors() const { return anchors_; }
    TForm* Form() const { return form_; }
    TControl* Parent() const { return parent_; }
    const std::vector<TControl*>& Children() const { return children_; }
    QWidget* Widget() const { return widget_; }
    // The widget that holds this control's children (the inner area of a scroll box).
    virtual QWidget* ClientWidget() const { return widget_; }

    QFont& Font() { return font_; }
    const QColor& FontColor() const { return fontColor_; }
    void SetFontColor(const QColor& c) { fontColor_ = c; FontChanged(); }
    // Shows the font and its colour after a change.
    void FontChanged();

    TNotifyEvent OnExit;

    bool SetProperty(const std::string& name, const LayoutValue& value) override;
    bool BindEvent(const std::string& event, const std::string& handler, const THandlerTable& table) override;

    // Moves by the anchors when the parent's inner area changes from the layout's reference size.
    void ParentResized(int parentWidth, int parentHeight);
    // Records the parent's inner size the stored position refers to.
    void FixAnchors(int parentWidth, int parentHeight);

    // Whether a mouse click gives this control the focus.
    virtual bool ClickFocuses() const { return false; }
    // A key-down reaching the focused control; Key set to 0 stops it there.
    virtual void DoKeyDown(uint16_t& key, TShiftState shift);
    // Enter while the control has the focus; true when the control used it (a button clicks).
    virtual bool DoEnter() { return false; }

protected:
    TControl(TForm* form, TControl* parent);
    // Derived classes create their widget and hand it over here.
    void Attach(QWidget* widget);
    virtual bool TakesFocus() const { return false; }
    virtual void ApplyFont() {}
    virtual void BoundsChanged() {}

private:
    friend class TForm;
    friend class TScrollBox;
    TForm* form_;
    TControl* parent_;
    std::vector<TControl*> children_;
    QPointer<QWidget> widget_;
    QFont font_;
    QColor fontColor_ = Qt::black;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true, enabled_ = true, tabStop_ = false;
    int tabOrder_ = -1;
    unsigned anchors_ = akLeft | akTop;
    int anchorRight_ = 0;  // distance from Left to the parent's right edge at the reference size
};

// Qt refuses negative sizes; the toolkit keeps them and shows nothing.
inline int ShownSize(int v) { return v < 0 ? 0 : v; }

}  // namespace zavo

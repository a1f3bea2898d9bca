// A top-level window. The form owns its controls and decides every event itself: key preview,
// Tab, focus moves with their exit events, activation, resizes and closing.
#pragma once

#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/control.h"

namespace zavo {

class TApplication;
class TCanvas;
class TFormCanvas;
class FormWidget;

enum class TBorderStyle { Sizeable, None };

class TForm : public TControl {
public:
    explicit TForm(TApplication* app);
    ~TForm() override;
    // Raises OnDestroy, once, while the whole window still exists; its owner calls this before
    // destroying it, since the base destructor runs after the derived window is gone.
    void BeforeDestruction();

    // Creates the controls of a stored layout in order, binds their events through the handler table,
    // then raises OnCreate. A layout fault throws std::runtime_error, and an exception escaping
    // OnCreate leaves this call too. pixelsPerInch 0 stands for the screen's own resolution.
    void LoadLayout(const std::string& layoutText, const THandlerTable& handlers, int pixelsPerInch = 0);

    int ClientWidth() const { return clientWidth_; }
    int ClientHeight() const { return clientHeight_; }
    void SetClientWidth(int w) { SetClientSize(w, clientHeight_); }
    void SetClientHeight(int h) { SetClientSize(clientWidth_, h); }
    void SetClientSize(int w, int h);
    // True when the window system answered the program's last size request with this width instead
    // (a maximised window keeps the screen's width, a drag of the frame the dragged width); asking
    // again at once would only repeat the refusal.
    bool WidthKeptBySystem(int w) const { return keptWidth_ >= 0 && w == keptWidth_; }

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool v) { keyPreview_ = v; }
    void SetBorderStyle(TBorderStyle style);
    void SetColor(const QColor& color);
    const QColor& Color() const { return color_; }

    TControl* ActiveControl() const { return activeControl_; }
    // None takes the focus off the controls: to the window itself when it is active; otherwise only
    // the setting is cleared and the exit event waits for the next activation.
    void SetActiveControl(TControl* control);
    // Gives the focus to a control as a click or Tab does, raising the exit event of the one leaving.
    void FocusControl(TControl* control);
    bool Active() const;

    // The drawing surface over the inner area, usable at any moment; made on first use.
    TCanvas& Canvas();

    // A full-screen window covers the whole screen when shown, above the desktop's panels.
    void SetFullScreen(bool v) { fullScreen_ = v; }
    // The window belongs to the owner: it stays above it and has no task-bar entry of its own.
    void SetOwnerForm(TForm* owner);

    void Show();
    // Brings the window to the front and activates it, as the desktop lets a program do.
    void BringToFront();
    // Whether files dropped from the desktop reach OnDropFiles.
    void SetAcceptDrops(bool v);
    void Hide();
    void Close();
    bool Showing() const;

    // Every control of the form in creation order, and the one with that name.
    const std::vector<std::unique_ptr<TObject>>& Components() const { return components_; }
    TObject* FindComponent(const std::string& name) const;
    template <typename T>
    T* Get(const std::string& name) const {
        T* c = dynamic_cast<T*>(FindComponent(name));
        if (!c) throw std::runtime_error("layout lacks " + name);
        return c;
    }

    TNotifyEvent OnCreate, OnDestroy, OnShow, OnClick, OnResize;
    TCloseEvent OnClose;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyDown;
    // Asked first about each key that has a virtual-key code, before the key preview and the focused
    // control; true takes the key, which then goes nowhere else.
    std::function<bool(uint16_t key, TShiftState shift)> OnShortcut;
    // Files dropped on the window, as local paths in the locale's encoding, first dropped first.
    std::function<void(const std::vector<std::string>& paths)> OnDropFiles;

    bool SetProperty(const std::string& name, const LayoutValue& value) override;
    bool BindEvent(const std::string& event, const std::string& handler, const THandlerTable& table) override;

    TApplication* Application() const { return app_; }
    // Runs a handler; an exception escaping it goes to the application's error box.
    template <typename F>
    void Invoke(F&& f);

    // The inner size the stored layout was made for; anchors refer to it.
    int DesignClientWidth() const { return designWidth_; }

    // Called by the controls and the window widget.
    void WatchWidget(QWidget* widget);
    void ActiveControlHidden(TControl* control);
    void WidgetResized(int w, int h);
    void WidgetActivated();
    void WidgetClicked();
    void WidgetCloseRequested();
    bool FilterKey(QWidget* receiver, class QKeyEvent* event);

protected:
    bool TakesFocus() const override { return false; }
    // Runs once the stored layout has been read, before OnCreate: derived forms find their controls.
    virtual void Loaded() {}

private:
    TControl* ControlOf(QWidget* widget) const;
    std::vector<TControl*> TabStops() const;
    void MoveFocus(TControl* to, bool raiseExit);
    void RaiseExit(TControl* control);
    void Realign();
    void TabStep(bool forward);

    TApplication* app_;
    FormWidget* window_;
    std::vector<std::unique_ptr<TObject>> components_;
    std::string caption_;
    QColor color_;
    int clientWidth_ = 0, clientHeight_ = 0;
    int designWidth_ = 0, designHeight_ = 0;
    bool keyPreview_ = false;
    bool fullScreen_ = false;
    bool loading_ = false;
    std::unique_ptr<TFormCanvas> canvas_;
    bool destroying_ = false;
    TControl* activeControl_ = nullptr;
    TControl* lastFocused_ = nullptr;  // had the focus when the setting was cleared on an inactive window
    bool pressedOnForm_ = false;
    int requestedWidth_ = -1;  // a size request of the program the window system has not answered yet
    int keptWidth_ = -1;
    int retries_ = 0;  // how often a kept width has been asked for again
    int widthBeforeRequest_ = -1;
    std::unique_ptr<class QTimer> answerCheck_;
    std::unique_ptr<class QTimer> retry_;
    void CheckAnswer();
    void TakeSystemSize(int w, int h, bool refused);
    friend class FormWidget;
};

}  // namespace zavo

#include "toolkit/application.h"

template <typename F>
void zavo::TForm::Invoke(F&& f) {
    TApplication::Guard(std::forward<F>(f));
}

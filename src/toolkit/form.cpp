#include "toolkit/form.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QMimeData>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>

#include <algorithm>

#include "toolkit/formcanvas.h"
#include "toolkit/colours.h"
#include "toolkit/fonts.h"
#include "toolkit/keys.h"
#include "toolkit/layout.h"
#include "platform/windowsize.h"

namespace zavo {

namespace {
// The form last brought forward by Show, so that a key handler can tell that it opened another window.
TForm* gBroughtForward = nullptr;
}  // namespace

class FormWidget : public QWidget {
public:
    explicit FormWidget(TForm* form) : form_(form) {
        setAttribute(Qt::WA_DeleteOnClose, false);
        setAutoFillBackground(true);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w) return false;
        if (event->type() == QEvent::KeyPress && w == QApplication::focusWidget())
            return form_->FilterKey(w, static_cast<QKeyEvent*>(event));
        if ((event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) && w != this) {
            TControl* c = form_->ControlOf(w);
            if (c && c->ClickFocuses() && c->CanFocus()) form_->FocusControl(c);
        }
        return false;
    }

protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::WindowActivate) form_->WidgetActivated();
        return QWidget::event(e);
    }
    void paintEvent(QPaintEvent* e) override {
        if (!form_->canvas_) return;
        QPainter p(this);
        form_->canvas_->Paint(p, e->rect());
    }
    void resizeEvent(QResizeEvent*) override { form_->WidgetResized(width(), height()); }
    void closeEvent(QCloseEvent* e) override {
        e->ignore();
        form_->WidgetCloseRequested();
    }
    void dragEnterEvent(QDragEnterEvent* e) override {
        if (form_->OnDropFiles && e->mimeData()->hasUrls()) e->acceptProposedAction();
    }
    void dropEvent(QDropEvent* e) override {
        std::vector<std::string> paths;
        for (const QUrl& url : e->mimeData()->urls())
            if (url.isLocalFile()) paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
        e->acceptProposedAction();
        if (form_->OnDropFiles && !paths.empty()) form_->Invoke([&] { form_->OnDropFiles(paths); });
    }
    // A press a control left unhandled arrives here too; only one where no control lies is the
    // window's own.
    void mousePressEvent(QMouseEvent* e) override {
        form_->pressedOnForm_ = e->button() == Qt::LeftButton && !childAt(e->position().toPoint());
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        bool click = form_->pressedOnForm_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
        form_->pressedOnForm_ = false;
        if (click) form_->WidgetClicked();
    }

private:
    TForm* form_;
};

namespace {
// How long the window system may take to carry out a size request, and how long the sizes of an
// interactive resize must have stopped before a refused request is made again.
constexpr int kAnswerWaitMs = 250;
constexpr int kRetryWaitMs = 600;
constexpr int kMaxRetries = 4;
}  // namespace

TForm::TForm(TApplication* app) : TControl(nullptr, nullptr), app_(app), window_(new FormWidget(this)) {
    color_ = ColorFromIdent("clBtnFace");
    Attach(window_);
    window_->installEventFilter(window_);
    SetColor(color_);
    answerCheck_ = std::make_unique<QTimer>();
    answerCheck_->setSingleShot(true);
    answerCheck_->setInterval(kAnswerWaitMs);
    QObject::connect(answerCheck_.get(), &QTimer::timeout, [this] { CheckAnswer(); });
    retry_ = std::make_unique<QTimer>();
    retry_->setSingleShot(true);
    retry_->setInterval(kRetryWaitMs);
    QObject::connect(retry_.get(), &QTimer::timeout, [this] {
        if (keptWidth_ < 0 || clientWidth_ != keptWidth_) return;
        ++retries_;
        keptWidth_ = -1;
        if (OnResize) Invoke([&] { OnResize(this); });
    });
    if (app_) app_->FormCreated(this);
}

void TForm::BeforeDestruction() {
    if (destroying_) return;
    destroying_ = true;
    if (OnDestroy) Invoke([&] { OnDestroy(this); });
}

TForm::~TForm() {
    // Controls go before the window widget that holds their widgets.
    activeControl_ = lastFocused_ = nullptr;
    while (!components_.empty()) components_.pop_back();
    if (app_) app_->FormDestroyed(this);
    delete window_;
}

void TForm::WatchWidget(QWidget* widget) { widget->installEventFilter(window_); }

void TForm::LoadLayout(const std::string& layoutText, const THandlerTable& handlers, int pixelsPerInch) {
    loading_ = true;
    ReadLayout(*this, layoutText, handlers, components_, pixelsPerInch);
    designWidth_ = clientWidth_;
    designHeight_ = clientHeight_;
    for (auto& c : components_)
        if (auto* control = dynamic_cast<TControl*>(c.get()); control && control->Parent() == this)
            control->FixAnchors(designWidth_, designHeight_);
    loading_ = false;
    Loaded();
    // A form whose create handler failed has no working state to run with: the failure is the
    // creator's, not the error box's.
    if (OnCreate) OnCreate(this);
    // The window exists from here on: its first sizing raises the resize event.
    if (OnResize) Invoke([&] { OnResize(this); });
}

TObject* TForm::FindComponent(const std::string& name) const {
    for (auto& c : components_)
        if (c->Name() == name) return c.get();
    return nullptr;
}

void TForm::SetClientSize(int w, int h) {
    if (w == clientWidth_ && h == clientHeight_) return;
    if (window_->isVisible()) {
        requestedWidth_ = w;
        widthBeforeRequest_ = clientWidth_;
        // Qt reports the request back as granted at once, and a window manager in the middle of an
        // interactive resize may drop it without a word: the size is checked with the server.
        answerCheck_->start();
    }
    clientWidth_ = w;
    clientHeight_ = h;
    window_->resize(std::max(1, w), std::max(1, h));
    Realign();
    if (!loading_ && OnResize) Invoke([&] { OnResize(this); });
}

void TForm::WidgetResized(int w, int h) {
    // A size the window system reports back for a change the program already made raises nothing.
    if (w == std::max(1, clientWidth_) && h == std::max(1, clientHeight_)) {
        requestedWidth_ = -1;
        return;
    }
    // A window manager in the middle of an interactive resize may also put the window back to the
    // width it had before the request; asking again would only fight the drag.
    const bool refused = (requestedWidth_ >= 0 && w != std::max(1, requestedWidth_)) ||
                         (requestedWidth_ < 0 && widthBeforeRequest_ >= 0 && w == widthBeforeRequest_);
    TakeSystemSize(w, h, refused);
}

void TForm::CheckAnswer() {
    if (!window_->isVisible()) return;
    const auto real = platform::WindowSizeOnScreen(window_->winId());
    if (!real || (real->width == std::max(1, clientWidth_) && real->height == std::max(1, clientHeight_))) return;
    // Qt is told the real size too, so that a later request is sent to the server again.
    window_->resize(real->width, real->height);
    TakeSystemSize(real->width, real->height, true);
}

void TForm::TakeSystemSize(int w, int h, bool refused) {
    keptWidth_ = refused ? w : -1;
    requestedWidth_ = -1;
    widthBeforeRequest_ = -1;
    // A refusal during an interactive resize is not final: once the sizes have stopped coming the
    // handlers run again and may ask once more, a few times, as the drag may still be going on.
    if (!refused) retries_ = 0;
    if (refused && retries_ < kMaxRetries) retry_->start();
    else retry_->stop();
    clientWidth_ = w;
    clientHeight_ = h;
    Realign();
    if (!loading_ && OnResize) Invoke([&] { OnResize(this); });
}

void TForm::Realign() {
    for (TControl* c : Children()) c->ParentResized(clientWidth_, clientHeight_);
}

void TForm::SetCaption(const std::string& caption) {
    caption_ = caption;
    window_->setWindowTitle(QString::fromStdString(caption));
}

void TForm::SetBorderStyle(TBorderStyle style) {
    window_->setWindowFlag(Qt::FramelessWindowHint, style == TBorderStyle::None);
}

void TForm::SetColor(const QColor& color) {
    color_ = color;
    QPalette pal = window_->palette();
    pal.setColor(QPalette::Window, color);
    window_->setPalette(pal);
}

bool TForm::Active() const { return window_->isActiveWindow(); }
bool TForm::Showing() const { return window_->isVisible(); }

TCanvas& TForm::Canvas() {
    if (!canvas_) {
        canvas_ = std::make_unique<TFormCanvas>(window_, Font(), FontColor(), color_);
        // The backing image covers the whole window; the background need not be filled first.
        window_->setAttribute(Qt::WA_OpaquePaintEvent);
    }
    return *canvas_;
}

void TForm::SetOwnerForm(TForm* owner) {
    // A dialog-type window transient for its owner: the window manager keeps it above the owner and
    // leaves it off the task bar.
    window_->setWindowFlags((window_->windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
    window_->winId();
    owner->window_->winId();
    window_->windowHandle()->setTransientParent(owner->window_->windowHandle());
}

void TForm::Show() {
    gBroughtForward = this;
    if (!window_->isVisible()) {
        if (OnShow) Invoke([&] { OnShow(this); });
        if (fullScreen_)
            window_->showFullScreen();
        else
            window_->show();
    }
    BringToFront();
}

void TForm::BringToFront() {
    window_->raise();
    window_->activateWindow();
}

void TForm::SetAcceptDrops(bool v) { window_->setAcceptDrops(v); }

void TForm::Hide() { window_->hide(); }

void TForm::Close() {
    TCloseAction action = TCloseAction::Hide;
    if (OnClose) Invoke([&] { OnClose(this, action); });
    if (action == TCloseAction::None) return;
    if (app_ && app_->MainForm() == this)
        app_->Terminate();
    else
        Hide();
}

void TForm::WidgetCloseRequested() { Close(); }

void TForm::WidgetClicked() {
    if (OnClick) Invoke([&] { OnClick(this); });
}

TControl* TForm::ControlOf(QWidget* widget) const {
    for (QWidget* w = widget; w && w != window_; w = w->parentWidget())
        for (auto& c : components_)
            if (auto* control = dynamic_cast<TControl*>(c.get()); control && control->Widget() == w) return control;
    return nullptr;
}

std::vector<TControl*> TForm::TabStops() const {
    std::vector<TControl*> stops;
    for (auto& c : components_)
        if (auto* control = dynamic_cast<TControl*>(c.get()); control && control->TabStop() && control->CanFocus())
            stops.push_back(control);
    std::stable_sort(stops.begin(), stops.end(), [](TControl* a, TControl* b) { return a->TabOrder() < b->TabOrder(); });
    return stops;
}

void TForm::RaiseExit(TControl* control) {
    if (control && control->OnExit) Invoke([&] { control->OnExit(control); });
}

void TForm::MoveFocus(TControl* to, bool raiseExit) {
    TControl* from = activeControl_;
    lastFocused_ = nullptr;
    if (raiseExit && from && from != to) RaiseExit(from);
    activeControl_ = to;
    if (to)
        to->Widget()->setFocus(Qt::OtherFocusReason);
    else
        window_->setFocus(Qt::OtherFocusReason);
}

void TForm::FocusControl(TControl* control) {
    if (control == activeControl_ && (!control || control->Focused())) return;
    MoveFocus(control, Active());
}

void TForm::SetActiveControl(TControl* control) {
    if (control == activeControl_) return;
    if (Active()) {
        MoveFocus(control, true);
        return;
    }
    // Inactive: only the setting changes; the control that had the focus hears of it when the window
    // is next activated and the focus goes elsewhere.
    if (activeControl_ && !lastFocused_) lastFocused_ = activeControl_;
    activeControl_ = control;
    if (control)
        control->Widget()->setFocus(Qt::OtherFocusReason);
    else
        window_->setFocus(Qt::OtherFocusReason);
}

void TForm::ActiveControlHidden(TControl* control) {
    if (activeControl_ != control) return;
    activeControl_ = nullptr;
    window_->setFocus(Qt::OtherFocusReason);
}

void TForm::WidgetActivated() {
    TControl* last = lastFocused_;
    lastFocused_ = nullptr;
    if (!activeControl_) {
        std::vector<TControl*> stops = TabStops();
        TControl* first = stops.empty() ? nullptr : stops.front();
        if (last && last != first) RaiseExit(last);
        if (!activeControl_ && first) activeControl_ = first;
    }
    if (activeControl_)
        activeControl_->Widget()->setFocus(Qt::ActiveWindowFocusReason);
    else
        window_->setFocus(Qt::ActiveWindowFocusReason);
}

void TForm::TabStep(bool forward) {
    std::vector<TControl*> stops = TabStops();
    if (stops.empty()) return;
    auto it = std::find(stops.begin(), stops.end(), activeControl_);
    TControl* next;
    if (it == stops.end())
        next = forward ? stops.front() : stops.back();
    else if (forward)
        next = (it + 1 == stops.end()) ? stops.front() : *(it + 1);
    else
        next = (it == stops.begin()) ? stops.back() : *(it - 1);
    FocusControl(next);
}

bool TForm::FilterKey(QWidget* receiver, QKeyEvent* e) {
    TControl* focused = receiver == window_ ? nullptr : ControlOf(receiver);
    if ((e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) &&
        !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        TabStep(e->key() == Qt::Key_Tab && !(e->modifiers() & Qt::ShiftModifier));
        return true;
    }
    // Within this window; a window brought forward takes the keyboard only when the system says so.
    auto focusMoved = [&] { return window_->focusWidget() != receiver; };

    uint16_t vk = VirtualKeyOf(e);
    if (vk != 0 && OnShortcut) {
        bool taken = false;
        Invoke([&] { taken = OnShortcut(vk, ShiftOf(e)); });
        if (taken) return true;
    }
    if (vk != 0) {
        TShiftState shift = ShiftOf(e);
        if (keyPreview_ && OnKeyDown) Invoke([&] { OnKeyDown(this, vk, shift); });
        if (vk != 0 && focused) Invoke([&] { focused->DoKeyDown(vk, shift); });
        if (vk == 0) return true;
    }
    bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (enter && focused && !focusMoved()) {
        bool used = false;
        Invoke([&] { used = focused->DoEnter(); });
        if (used) return true;
    }
    char ch = CharacterOf(e);
    if (ch != 0 && (keyPreview_ || !focused) && OnKeyPress) {
        gBroughtForward = nullptr;
        Invoke([&] { OnKeyPress(this, ch); });
        if (ch == 0) return true;
        // The window the handler brought forward has the keyboard before the key comes up, so a
        // button must not take the press: released in the other window, it would click.
        if (gBroughtForward && gBroughtForward != this && qobject_cast<QAbstractButton*>(receiver)) return true;
    }
    // A handler that moved the focus away takes the key with it.
    return focusMoved();
}

bool TForm::SetProperty(const std::string& name, const LayoutValue& value) {
    if (name == "Caption") SetCaption(value.Str());
    else if (name == "ClientWidth") SetClientWidth(value.Int());
    else if (name == "ClientHeight") SetClientHeight(value.Int());
    else if (name == "Left") window_->move(value.Int(), window_->y());
    else if (name == "Top") window_->move(window_->x(), value.Int());
    else if (name == "KeyPreview") SetKeyPreview(value.Bool());
    else if (name == "Color") SetColor(ColorFromIdent(value.Ident()));
    else if (name == "AutoScroll") value.Bool();
    else if (name == "BorderStyle") {
        if (value.Ident() == "bsNone") SetBorderStyle(TBorderStyle::None);
        else if (value.Ident() == "bsSizeable") SetBorderStyle(TBorderStyle::Sizeable);
        else return false;
    } else if (name.rfind("Font.", 0) == 0) {
        QColor c = FontColor();
        if (!ApplyFontProperty(Font(), c, name, value)) return false;
        SetFontColor(c);
    } else
        return TObject::SetProperty(name, value);
    return true;
}

bool TForm::BindEvent(const std::string& event, const std::string& handler, const THandlerTable& table) {
    if (event == "OnCreate") OnCreate = table.Get<TNotifyEvent>(handler);
    else if (event == "OnDestroy") OnDestroy = table.Get<TNotifyEvent>(handler);
    else if (event == "OnShow") OnShow = table.Get<TNotifyEvent>(handler);
    else if (event == "OnClick") OnClick = table.Get<TNotifyEvent>(handler);
    else if (event == "OnResize") OnResize = table.Get<TNotifyEvent>(handler);
    else if (event == "OnClose") OnClose = table.Get<TCloseEvent>(handler);
    else if (event == "OnKeyPress") OnKeyPress = table.Get<TKeyPressEvent>(handler);
    else if (event == "OnKeyDown") OnKeyDown = table.Get<TKeyEvent>(handler);
    else return TObject::BindEvent(event, handler, table);
    return true;
}

}  // namespace zavo

#include "app/fullshow.h"

#include "app/mainview.h"
#include "platform/screen.h"
#include "toolkit/layout.h"

namespace zavo {

Tfull* full = nullptr;

Tfull::Tfull(TApplication* app) : TForm(app) {
    full = this;
    THandlerTable t;
    t.Add("FormCreate", TNotifyEvent([this](TObject* s) { FormCreate(s); }));
    t.Add("FormShow", TNotifyEvent([this](TObject* s) { FormShow(s); }));
    t.Add("FormClose", TCloseEvent([this](TObject* s, TCloseAction& a) { FormClose(s, a); }));
    t.Add("FormClick", TNotifyEvent([this](TObject* s) { FormClick(s); }));
    t.Add("FormKeyPress", TKeyPressEvent([this](TObject* s, char& k) { FormKeyPress(s, k); }));
    t.Add("TimerTimer", TNotifyEvent([this](TObject* s) { TimerTimer(s); }));
    LoadLayout(LayoutResource("fullshow.layout"), t);
}

void Tfull::Loaded() { Timer = Get<TTimer>("Timer"); }

void Tfull::FormCreate(TObject*) {
    SetClientWidth(platform::ScreenWidth());
    SetClientHeight(platform::ScreenHeight());
}

void Tfull::FormShow(TObject*) {}

void Tfull::FormClose(TObject*, TCloseAction&) {}

void Tfull::FormClick(TObject*) { Close(); }

void Tfull::FormKeyPress(TObject*, char& key) {
    if (key != ' ') Close();
}

void Tfull::TimerTimer(TObject*) {
    // Once a second the comparison window's buttons give the focus back to the window itself, so
    // that Space reaches the preview; the quality edit keeps it while the user types.
    if (zavo && !zavo->press->Focused()) zavo->SetActiveControl(nullptr);
}

}  // namespace zavo

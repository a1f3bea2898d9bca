#include "app/mainview.h"

#include <QWidget>

#include "app/fullshow.h"
#include "base/streams.h"
#include "toolkit/layout.h"

// The layouts and the icon live in this library's resources, which a static library must register.
static void InitAppResources() { Q_INIT_RESOURCE(app); }

namespace zavo {

Tzavo* zavo = nullptr;

namespace mainview {
TMemoryStream* workstream = nullptr;
bool loaded = false;
std::string curfile;
}  // namespace mainview

using namespace mainview;

Tzavo::Tzavo(TApplication* app) : TForm(app) {
    zavo = this;
    InitAppResources();
    LoadLayout(LayoutResource("mainview.layout"), Handlers());
}

THandlerTable Tzavo::Handlers() {
    using namespace std::placeholders;
    THandlerTable t;
    t.Add("FormShow", TNotifyEvent([this](TObject* s) { FormShow(s); }));
    t.Add("FormCreate", TNotifyEvent([this](TObject* s) { FormCreate(s); }));
    t.Add("savingClick", TNotifyEvent([this](TObject* s) { savingClick(s); }));
    t.Add("FormDestroy", TNotifyEvent([this](TObject* s) { FormDestroy(s); }));
    t.Add("presson", TNotifyEvent([this](TObject* s) { presson(s); }));
    t.Add("FormClick", TNotifyEvent([this](TObject* s) { FormClick(s); }));
    t.Add("pressudClick", TUDClickEvent([this](TObject* s, TUDBtnType b) { pressudClick(s, b); }));
    t.Add("pressKeyDown", TKeyEvent([this](TObject* s, uint16_t& k, TShiftState sh) { pressKeyDown(s, k, sh); }));
    t.Add("loadingClick", TNotifyEvent([this](TObject* s) { loadingClick(s); }));
    t.Add("FormResize", TNotifyEvent([this](TObject* s) { FormResize(s); }));
    t.Add("exhScroll", TScrollEvent([this](TObject* s, TScrollCode c, int& p) { exhScroll(s, c, p); }));
    t.Add("exvScroll", TScrollEvent([this](TObject* s, TScrollCode c, int& p) { exvScroll(s, c, p); }));
    t.Add("newhScroll", TScrollEvent([this](TObject* s, TScrollCode c, int& p) { newhScroll(s, c, p); }));
    t.Add("newvScroll", TScrollEvent([this](TObject* s, TScrollCode c, int& p) { newvScroll(s, c, p); }));
    t.Add("FormKeyPress", TKeyPressEvent([this](TObject* s, char& k) { FormKeyPress(s, k); }));
    t.Add("previewClick", TNotifyEvent([this](TObject* s) { previewClick(s); }));
    return t;
}

void Tzavo::Loaded() {
    loading = Get<TButton>("loading");
    saving = Get<TButton>("saving");
    ex = Get<TImage>("ex");
    new_ = Get<TImage>("new");
    newview = Get<TScrollBox>("newview");
    exview = Get<TScrollBox>("exview");
    SaveDlg = Get<TSaveDialog>("SaveDlg");
    OpenPic = Get<TOpenPictureDialog>("OpenPic");
    press = Get<TEdit>("press");
    pressud = Get<TUpDown>("pressud");
    exsize = Get<TLabel>("exsize");
    savesize = Get<TLabel>("savesize");
    Label1 = Get<TLabel>("Label1");
    Label2 = Get<TLabel>("Label2");
    Label3 = Get<TLabel>("Label3");
    exh = Get<TScrollBar>("exh");
    exv = Get<TScrollBar>("exv");
    newh = Get<TScrollBar>("newh");
    newv = Get<TScrollBar>("newv");
    preview = Get<TButton>("preview");
    exdel = Get<TCheckBox>("exdel");
}

void Tzavo::FormShow(TObject*) {
    // Files dropped from the desktop are taken from now on.
    Widget()->setAcceptDrops(true);
}

void Tzavo::FormCreate(TObject*) {
    workstream = new TMemoryStream();
    loaded = false;
}

void Tzavo::FormDestroy(TObject*) {
    delete workstream;
    workstream = nullptr;
}

void Tzavo::FormClick(TObject*) { SetActiveControl(nullptr); }

void Tzavo::FormResize(TObject*) {
    int w = ClientWidth();
    int h = ClientHeight();
    savesize->SetLeft(w - 64 - savesize->Width());
    saving->SetLeft(w - 148);
    exdel->SetLeft(saving->Left() - 80);
    press->SetLeft((w - 32) / 2);
    pressud->SetLeft(press->Left() + press->Width());
    Label3->SetLeft(press->Left() - 24);
    exview->SetHeight(h - exview->Top());
    newview->SetHeight(h - newview->Top());
    exview->SetWidth(w / 2);
    newview->SetLeft(exview->Width());
    newview->SetWidth(w - exview->Width());
}

void Tzavo::presson(TObject*) {}
void Tzavo::pressudClick(TObject*, TUDBtnType) {}
void Tzavo::pressKeyDown(TObject*, uint16_t&, TShiftState) {}
void Tzavo::loadingClick(TObject*) {}
void Tzavo::savingClick(TObject*) {}
void Tzavo::exhScroll(TObject*, TScrollCode, int&) {}
void Tzavo::exvScroll(TObject*, TScrollCode, int&) {}
void Tzavo::newhScroll(TObject*, TScrollCode, int&) {}
void Tzavo::newvScroll(TObject*, TScrollCode, int&) {}
void Tzavo::FormKeyPress(TObject*, char&) {}
void Tzavo::previewClick(TObject*) {}

}  // namespace zavo

#include "app/fullshow.h"

#include <algorithm>

#include "app/mainview.h"
#include "app/zoomview.h"
#include "codec/canvas.h"
#include "codec/jpegimage.h"
#include "codec/picture.h"
#include "platform/screen.h"
#include "platform/taskbar.h"
#include "toolkit/canvasimage.h"
#include "toolkit/layout.h"

namespace zavo {

Tfull* full = nullptr;

namespace fullshow {
bool shownew = false;
bool blink = false;
int32_t imgx = 0, imgy = 0;
int32_t capx = 0;
int32_t capy = 0;
platform::ZoomScale scale;
}  // namespace fullshow

using namespace fullshow;

namespace {

void ShowTaskBar(platform::ShowCommand command) {
    if (platform::TaskBar* bar = platform::FindTaskBar()) bar->ShowWindow(command);
}

}  // namespace

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
    SetFullScreen(true);
    if (zavo) SetOwnerForm(zavo);
}

Tfull::~Tfull() {
    // Closing brings the task bar back; a program that ends with the preview open must as well.
    if (Showing()) ShowTaskBar(platform::ShowCommand::ShowNA);
    if (full == this) full = nullptr;
}

void Tfull::Loaded() { Timer = Get<TTimer>("Timer"); }

void Tfull::FormCreate(TObject*) {
    SetClientWidth(platform::ScreenWidth());
    SetClientHeight(platform::ScreenHeight());
}

void Tfull::FormShow(TObject*) {
    ShowTaskBar(platform::ShowCommand::ShowNoActivate);
    ShowTaskBar(platform::ShowCommand::Hide);
    // Both pictures have the size of the compressed one. Division truncates toward zero.
    int32_t width = mainview::newjpeg ? mainview::newjpeg->Width() : 0;
    int32_t height = mainview::newjpeg ? mainview::newjpeg->Height() : 0;
    imgx = (ClientWidth() - width) / 2;
    imgy = (ClientHeight() - height) / 2;
    shownew = true;
    capx = imgx - 52;
    if (capx < 0) capx = imgx;
    capy = imgy;
    scale = {};
    // Zoomed, the picture shows the panes' centre at the screen's, and the caption stays on the
    // screen at the top left of what the picture covers.
    if (zavo && zavo->Zoom().Level() != TZoomLevel::Actual && width > 0 && height > 0) {
        scale = zavo->Zoom().PreviewScale(ClientWidth(), ClientHeight());
        zavo->Zoom().PreviewOrigin(ClientWidth(), ClientHeight(), imgx, imgy);
        capx = std::max(imgx, 0);
        capy = std::max(imgy, 0);
    }
    Canvas().Font().SetSize(12);
    Canvas().Font().SetStyle(static_cast<TFontStyles>(TFontStyle::Bold));
}

void Tfull::FormClose(TObject*, TCloseAction&) { ShowTaskBar(platform::ShowCommand::ShowNA); }

void Tfull::FormClick(TObject*) { Close(); }

void Tfull::FormKeyPress(TObject*, char& key) {
    if (key != ' ') {
        Close();
        return;
    }
    blink = false;
    shownew = !shownew;
    wideshow();
}

void Tfull::TimerTimer(TObject*) {
    // Once a second the comparison window's buttons give the focus back to the window itself, so
    // that Space reaches the preview; the quality edit keeps it while the user types.
    if (zavo && !zavo->press->Focused()) zavo->SetActiveControl(nullptr);
    if (blink) {
        shownew = !shownew;
        // Hidden, nothing would show; the next opening paints anyway.
        if (Showing()) wideshow();
    }
}

void Tfull::wideshow() {
    TCanvas& canvas = Canvas();
    canvas.Brush().SetStyle(TBrushStyle::Solid);
    canvas.Brush().SetColor(clBlack);
    canvas.FillRect(Rect(0, 0, ClientWidth(), ClientHeight()));
    canvas.Brush().SetStyle(TBrushStyle::Clear);
    if (!zavo) return;
    // Only the part on the screen is decoded and drawn, at 1:1 with the pixels a whole decode gives.
    DrawZoomedPicture(*this, *(shownew ? zavo->new_ : zavo->ex), scale, imgx, imgy);
    canvas.Font().SetColor(shownew ? clRed : clGreen);
    canvas.TextOut(capx, capy, shownew ? "使用後" : "使用前");
}

}  // namespace zavo

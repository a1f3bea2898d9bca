#include "app/mainview.h"

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

#include "app/fullshow.h"
#include "app/lossview.h"
#include "app/qualitytip.h"
#include "app/zoomview.h"
#include "base/numbertext.h"
#include "base/pathtext.h"
#include "base/replacingfile.h"
#include "base/streams.h"
#include "codec/bitmap.h"
#include "codec/canvas.h"
#include "codec/jpegimage.h"
#include "codec/picture.h"
#include "codec/precompute.h"
#include "platform/files.h"
#include "platform/memory.h"
#include "toolkit/keys.h"
#include "toolkit/layout.h"

namespace zavo {

Tzavo* zavo = nullptr;

namespace mainview {
TJPEGImage* srcjpeg = nullptr;
TJPEGImage* newjpeg = nullptr;
TMemoryStream* workstream = nullptr;
TBitmap* workbmp = nullptr;
TPicture* srcpic = nullptr;
bool loaded = false;
std::string curfile;
std::string shownfile;
std::string heldfile;
}  // namespace mainview

using namespace mainview;

namespace {

// The qualities the up-down reaches from quality in one click, then in two, and so on, the step
// up before the step down.
std::vector<uint8_t> UpDownReach(int quality, const TUpDown& updown) {
    std::vector<uint8_t> reach;
    int lo = std::clamp(updown.Min(), 1, 100), hi = std::clamp(updown.Max(), lo, 100);
    if (updown.Increment() <= 0) return reach;
    for (int k = 1;; ++k) {
        int up = std::min(quality + k * updown.Increment(), hi);
        int down = std::max(quality - k * updown.Increment(), lo);
        for (int q : {up, down})
            if (q != quality && std::find(reach.begin(), reach.end(), q) == reach.end())
                reach.push_back(static_cast<uint8_t>(q));
        if (up == hi && down == lo) return reach;
    }
}

}  // namespace

Tzavo::Tzavo(TApplication* app) : TForm(app) {
    zavo = this;
    OnDropFiles = [this](const std::vector<std::string>& paths) { WMDropFiles(paths); };
    LoadLayout(LayoutResource("mainview.layout"), Handlers());
}

Tzavo::~Tzavo() = default;

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
    new_->SetDecodeOnDemand(true);
    zoom_ = std::make_unique<TZoomView>(*this);
    loss_ = std::make_unique<TLossView>(*this);
    for (TScrollBox* pane : {exview, newview}) {
        pane->OnMouseWheel = [this](TObject* s, TShiftState shift, int notches, int x, int y) {
            zoom_->Wheel(static_cast<TScrollBox*>(s), shift, notches, x, y);
        };
        pane->OnContextPopup = [this](TObject* s, int x, int y) {
            zoom_->ContextPopup(static_cast<TScrollBox*>(s), x, y);
        };
    }
    OnShortcut = [this](uint16_t key, TShiftState shift) {
        return zoom_->Shortcut(key, shift) || loss_->Shortcut(key, shift);
    };
}

void Tzavo::SetPrecompute(std::unique_ptr<TPrecompute> precompute) { precompute_ = std::move(precompute); }

TMenuGroups Tzavo::PaneMenu() { return {zoom_->MenuEntries(), loss_->MenuEntries(), MetadataMenuEntries()}; }

void Tzavo::FormShow(TObject*) {
    // Files dropped from the desktop are taken from now on.
    SetAcceptDrops(true);
}

void Tzavo::FormCreate(TObject*) {
    srcjpeg = new TJPEGImage();
    newjpeg = new TJPEGImage();
    workstream = new TMemoryStream();
    workbmp = new TBitmap();
    srcpic = new TPicture();
    loaded = false;
    shownfile.clear();
    heldfile.clear();
    metadatachoice = {};
    srcmetadata.reset();
    metadatanote.clear();
    precompute_ = std::make_unique<TPrecompute>(std::clamp(std::thread::hardware_concurrency(), 1u, 2u));
}

void Tzavo::FormDestroy(TObject*) {
    precompute_.reset();
    delete srcjpeg;
    srcjpeg = nullptr;
    delete newjpeg;
    newjpeg = nullptr;
    delete workstream;
    workstream = nullptr;
    delete workbmp;
    workbmp = nullptr;
    delete srcpic;
    srcpic = nullptr;
}

void Tzavo::loadingClick(TObject*) {
    if (!OpenPic->Execute()) return;
    curfile = OpenPic->FileName();
    fileload();
}

void Tzavo::WMDropFiles(const std::vector<std::string>& paths) {
    // The whole first name is taken, however long. Qt releases the drop itself once this returns,
    // also when the load fails; only a load that succeeded brings the window to the front.
    curfile = paths.front();
    fileload();
    BringToFront();
}

void Tzavo::fileload() {
    loaded = true;
    srcpic->LoadPictureFile(curfile);
    // Every picture comes in at 1:1.
    zoom_->SetLevelAtCentre(TZoomLevel::Actual);
    if (int64_t size = platform::FileSize(curfile); size >= 0) exsize->SetCaption(SizeText(size));
    workbmp->SetHeight(srcpic->Height());
    workbmp->SetWidth(srcpic->Width());
    // Not cleared first: where the graphic leaves pixels untouched, the previous picture shows.
    workbmp->Canvas().DrawGraphic(0, 0, srcpic->Graphic());
    ex->Picture().AsBitmap()->AssignFrom(workbmp);
    shownfile.clear();
    precompute_->Cancel();
    srcjpeg->AssignFrom(workbmp);
    TakeSourceMetadata();
    shownfile = curfile;
    new_->SetHeight(srcpic->Height());
    new_->SetWidth(srcpic->Width());
    // Nothing draws the source again: neither a JPEG's decoded copy of its pixels nor a bitmap's own
    // pixels need stay beside the working bitmap while the recompressions run. What the load freed
    // is asked for again by the next load at the earliest, so it goes back to the system.
    if (auto* jpeg = dynamic_cast<TJPEGImage*>(srcpic->Graphic())) jpeg->FreeDecoded();
    else if (dynamic_cast<TBitmap*>(srcpic->Graphic()) != nullptr) srcpic->AssignFrom(nullptr);
    platform::ReleaseSparePictureMemory();
    barset();
    presson(press);
}

void Tzavo::presson(TObject*) {
    if (!loaded) return;
    // The map shown belongs to the bytes about to be replaced, also when making the new ones fails.
    loss_->BytesChanged();
    int32_t quality = StrToInt(press->Text());
    // The object holds one byte; outside 1..100 the nearest end counts, not the low bits.
    srcjpeg->SetQuality(static_cast<unsigned>(std::clamp<int32_t>(quality, 1, 100)));
    // The transfer stream is empty after every recompression, also one that failed.
    struct EmptyAtEnd {
        ~EmptyAtEnd() { workstream->Clear(); }
    } emptyAtEnd;
    // Bytes compressed ahead from this very bitmap at this quality are the bytes Compress makes.
    std::shared_ptr<const TDecodedPart> shownPart;
    if (!precompute_->Use(*srcjpeg, &shownPart)) srcjpeg->Compress();
    srcjpeg->SaveStream(*workstream);
    savesize->SetCaption(SizeText(workstream->Size()));
    workstream->SetPosition(0);
    // Until newjpeg holds the new bytes whole, no file is the one they were made from.
    heldfile.clear();
    newjpeg->LoadStream(*workstream);
    heldfile = shownfile;
    new_->Picture().AssignFrom(newjpeg);
    new_->SetDecodedPart(std::move(shownPart));
    RefreshQualityTip(savesize, *srcjpeg, *newjpeg, shownfile, metadatanote,
                      [this](std::shared_ptr<const TLossMap> map) { loss_->SetMap(std::move(map)); });
    // The part of the picture the right pane shows now is decoded ahead with each quality.
    TRect view = Rect(-new_->Left(), -new_->Top(), -new_->Left() + newview->Width(), -new_->Top() + newview->Height());
    precompute_->Schedule(*srcjpeg, UpDownReach(srcjpeg->Quality(), *pressud), view);
}

void Tzavo::pressKeyDown(TObject*, uint16_t& key, TShiftState) {
    if (key != VK_RETURN) return;
    presson(press);
    SetActiveControl(nullptr);
}

void Tzavo::pressudClick(TObject*, TUDBtnType) { presson(press); }

void Tzavo::savingClick(TObject*) {
    if (SaveDlg->Execute()) {
        if (!HasExtension(SaveDlg->FileName())) SaveDlg->SetFileName(SaveDlg->FileName() + ".jpg");
        const std::string target = SaveDlg->FileName();
        // Decided before writing: once written, the target is a new file even when it replaced the
        // source. Only the file whose picture made the bytes written may go.
        const std::string source = heldfile;
        bool trash = exdel->Checked() && !source.empty() && !platform::SameFile(target, source);
        TReplacingFileStream out(target);
        newjpeg->SaveStream(out);
        out.Commit();
        // Checked again now: a name that differs from the target's may still reach the file just
        // written (another case on a card, a link made meanwhile).
        if (trash && platform::IsExistingFile(source) && !out.IsWrittenFile(source)) platform::MoveToTrash(source);
    }
    SetActiveControl(nullptr);
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
    if (zoom_) zoom_->PanesResized();
    barset();
}

void Tzavo::barset() {
    // Both panes must be equally wide: an odd width grows by one pixel, and the resize this causes
    // lays the panes out again and runs barset to its end before this call goes on. A window the
    // window system keeps at an odd width (maximised on such a screen) is laid out as it is.
    if (ClientWidth() % 2 != 0 && !WidthKeptBySystem(ClientWidth())) {
        SetClientWidth(ClientWidth() + 1);
    }
    bool horizontal = ex->Width() > exview->Width() - 4;
    bool vertical = ex->Height() > exview->Height() - 4;
    int hthick = horizontal ? exh->Height() : 0;
    int vthick = vertical ? exv->Width() : 0;

    if (horizontal) {
        exh->SetVisible(true);
        newh->SetVisible(true);
        exh->SetLeft(exview->Left() + 2);
        newh->SetLeft(newview->Left() + 2);
        exh->SetTop(exview->Top() + exview->Height() - hthick - 2);
        newh->SetTop(exh->Top());
        exh->SetWidth(exview->Width() - 4);
        newh->SetWidth(exh->Width());
        exh->SetMax(ex->Width() + vthick - exview->Width() + 23);
        newh->SetMax(exh->Max());
        int gap = (exview->Width() - 4) - (ex->Left() + ex->Width());
        if (ex->Left() < 0 && gap > 0) {
            exview->ShiftContent(gap, 0);
            newview->ShiftContent(gap, 0);
        }
    } else {
        exh->SetVisible(false);
        newh->SetVisible(false);
        exh->SetPosition(0);
        newh->SetPosition(0);
        ex->SetLeft(0);
        new_->SetLeft(0);
    }

    if (vertical) {
        exv->SetVisible(true);
        newv->SetVisible(true);
        exv->SetTop(exview->Top() + 2);
        newv->SetTop(exv->Top());
        exv->SetLeft(exview->Left() + exview->Width() - vthick - 2);
        newv->SetLeft(newview->Left() + newview->Width() - vthick - 2);
        exv->SetHeight(exview->Height() - hthick - 4);
        newv->SetHeight(exv->Height());
        exv->SetMax(ex->Height() + hthick - exview->Height() + 23);
        newv->SetMax(exv->Max());
        int gap = (exview->Height() - 4) - (ex->Top() + ex->Height());
        if (ex->Top() < 0 && gap > 0) {
            exview->ShiftContent(0, gap);
            newview->ShiftContent(0, gap);
        }
    } else {
        exv->SetVisible(false);
        newv->SetVisible(false);
        exv->SetPosition(0);
        newv->SetPosition(0);
        ex->SetTop(0);
        new_->SetTop(0);
    }
}

void Tzavo::ScrollBoth(TScrollBar* bar, int scrollPos, Axis axis, TScrollBox* firstView, TImage* firstImage,
                       TScrollBox* secondView, TImage* secondImage, TScrollBar* twin) {
    // With a page size of 20 the thumb stops at Max - 19; a proposal beyond it moves nothing.
    if (scrollPos > bar->Max() - 19) return;
    if (axis == Axis::Horizontal) {
        firstView->ShiftContent(-scrollPos - firstImage->Left(), 0);
        secondView->ShiftContent(-scrollPos - secondImage->Left(), 0);
    } else {
        firstView->ShiftContent(0, -scrollPos - firstImage->Top());
        secondView->ShiftContent(0, -scrollPos - secondImage->Top());
    }
    twin->SetPosition(scrollPos);
}

void Tzavo::exhScroll(TObject*, TScrollCode, int& scrollPos) {
    ScrollBoth(exh, scrollPos, Axis::Horizontal, exview, ex, newview, new_, newh);
}

void Tzavo::exvScroll(TObject*, TScrollCode, int& scrollPos) {
    ScrollBoth(exv, scrollPos, Axis::Vertical, exview, ex, newview, new_, newv);
}

void Tzavo::newhScroll(TObject*, TScrollCode, int& scrollPos) {
    ScrollBoth(newh, scrollPos, Axis::Horizontal, newview, new_, exview, ex, exh);
}

void Tzavo::newvScroll(TObject*, TScrollCode, int& scrollPos) {
    ScrollBoth(newv, scrollPos, Axis::Vertical, newview, new_, exview, ex, exv);
}

void Tzavo::FormKeyPress(TObject*, char& key) {
    if (key != ' ' || !full) return;
    full->Show();
    fullshow::blink = false;
    full->wideshow();
}

void Tzavo::previewClick(TObject*) {
    if (!full) return;
    full->Show();
    full->wideshow();
    // Off and on again: the first flip comes a whole second after the click.
    full->Timer->SetEnabled(false);
    full->Timer->SetEnabled(true);
    fullshow::blink = true;
}

}  // namespace zavo

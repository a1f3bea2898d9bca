#include "app/zoomview.h"

#include <algorithm>
#include <cmath>

#include "app/fullshow.h"
#include "app/mainview.h"
#include "codec/picture.h"
#include "toolkit/keys.h"

namespace zavo {

TZoomView::TZoomView(Tzavo& window) : window_(window) {}

int TZoomView::PictureWidth() const { return window_.ex->Picture().Width(); }
int TZoomView::PictureHeight() const { return window_.ex->Picture().Height(); }
int TZoomView::InnerWidth() const { return window_.exview->Width() - 4; }
int TZoomView::InnerHeight() const { return window_.exview->Height() - 4; }

platform::ZoomScale TZoomView::Scale() const {
    return LevelScale(level_, PictureWidth(), PictureHeight(), InnerWidth(), InnerHeight());
}

void TZoomView::SetLevelAtCentre(TZoomLevel level) {
    // A picture smaller than the panes, as at fit, does not reach their centre: the point kept
    // is the middle of what they show of it.
    int x = 0, y = 0;
    ShownCentre(x, y);
    ChangeLevel(level, x, y, true);
}

void TZoomView::SetLevel(TZoomLevel level, int x, int y) { ChangeLevel(level, x, y, false); }

void TZoomView::ChangeLevel(TZoomLevel level, int x, int y, bool toCentre) {
    int width = PictureWidth(), height = PictureHeight();
    if (width < 1 || height < 1 || !LevelAllowed(level, width, height, InnerWidth(), InnerHeight())) return;
    if (level == level_ && window_.ex->Zoom() == Scale()) return;
    platform::ZoomScale shown = window_.ex->Zoom();
    double px = platform::ToPicture(x - window_.ex->Left(), width, shown);
    double py = platform::ToPicture(y - window_.ex->Top(), height, shown);
    level_ = level;
    Apply(Scale(), px, py, toCentre, x, y);
}

void TZoomView::CentreOn(double px, double py) {
    if (PictureWidth() < 1 || PictureHeight() < 1) return;
    if (Scale().Reduces()) level_ = TZoomLevel::Actual;
    Apply(Scale(), px, py, true);
}

TZoomLevel TZoomView::Stepped(int steps) const {
    return SteppedLevel(level_, steps, PictureWidth(), PictureHeight(), InnerWidth(), InnerHeight());
}

void TZoomView::Step(int steps, int x, int y) { SetLevel(Stepped(steps), x, y); }

void TZoomView::Apply(platform::ZoomScale scale, double px, double py, bool toCentre, int x, int y) {
    Tzavo& w = window_;
    SizeImages(scale);
    w.barset();
    // The bars of the new level decide where the centre of the panes lies.
    if (toCentre) VisibleCentre(x, y);
    // The offsets an accepted scroll could give: 0 up to where the far edge meets the inner edge.
    auto offset = [](TScrollBar* bar, double wanted) {
        if (!bar->Visible()) return 0;
        return static_cast<int>(std::clamp<double>(std::lround(wanted), 0, std::max(bar->Max() - 19, 0)));
    };
    int scrollX = offset(w.exh, platform::ToShown(px, PictureWidth(), scale) - x);
    int scrollY = offset(w.exv, platform::ToShown(py, PictureHeight(), scale) - y);
    w.exview->ShiftContent(-scrollX - w.ex->Left(), -scrollY - w.ex->Top());
    w.newview->ShiftContent(-scrollX - w.new_->Left(), -scrollY - w.new_->Top());
    if (w.exh->Visible()) {
        w.exh->SetPosition(scrollX);
        w.newh->SetPosition(scrollX);
    }
    if (w.exv->Visible()) {
        w.exv->SetPosition(scrollY);
        w.newv->SetPosition(scrollY);
    }
}

void TZoomView::PanesResized() {
    if (level_ != TZoomLevel::Fit || PictureWidth() < 1 || PictureHeight() < 1) return;
    // The whole picture fits, so the bars go and the pictures sit at the panes' corner.
    SizeImages(Scale());
}

void TZoomView::SizeImages(platform::ZoomScale scale) {
    auto shownWidth = static_cast<int>(platform::ShownLength(PictureWidth(), scale));
    auto shownHeight = static_cast<int>(platform::ShownLength(PictureHeight(), scale));
    // The other reduced levels, and the preview at fit, come from the pass over the picture that
    // makes the first reduction shown, so that stepping to them or opening the preview needs none.
    std::vector<platform::ZoomScale> ahead;
    for (TZoomLevel level : {TZoomLevel::Fit, TZoomLevel::Eighth, TZoomLevel::Quarter})
        ahead.push_back(LevelScale(level, PictureWidth(), PictureHeight(), InnerWidth(), InnerHeight()));
    if (full != nullptr)
        ahead.push_back(
            LevelScale(TZoomLevel::Fit, PictureWidth(), PictureHeight(), full->ClientWidth(), full->ClientHeight()));
    for (TImage* image : {window_.ex, window_.new_}) {
        image->SetReductionsAhead(ahead);
        image->SetZoom(scale);
        image->SetBounds(image->Left(), image->Top(), shownWidth, shownHeight);
    }
}

int TZoomView::VisibleWidth() const {
    return InnerWidth() - (window_.exv->Visible() ? window_.exv->Width() : 0);
}
int TZoomView::VisibleHeight() const {
    return InnerHeight() - (window_.exh->Visible() ? window_.exh->Height() : 0);
}

void TZoomView::VisibleCentre(int& x, int& y) const {
    x = VisibleWidth() / 2;
    y = VisibleHeight() / 2;
}

void TZoomView::ShownCentre(int& x, int& y) const {
    // In each direction the middle of where the picture and the visible area overlap.
    auto middle = [](int start, int length, int visible) {
        int from = std::max(start, 0), to = std::min(start + length, visible);
        return from < to ? (from + to) / 2 : visible / 2;
    };
    x = middle(window_.ex->Left(), window_.ex->Width(), VisibleWidth());
    y = middle(window_.ex->Top(), window_.ex->Height(), VisibleHeight());
}

bool TZoomView::Shortcut(uint16_t key, TShiftState shift) {
    if (key == VK_APPS && (shift & (ssCtrl | ssAlt)) == 0) {
        ContextPopup(window_.exview, InnerWidth() / 2, InnerHeight() / 2);
        return true;
    }
    if ((shift & ssCtrl) == 0 || (shift & ssAlt) != 0) return false;
    switch (key) {
        case VK_OEM_PLUS:
        case VK_ADD: SetLevelAtCentre(Stepped(1)); return true;
        case VK_OEM_MINUS:
        case VK_SUBTRACT: SetLevelAtCentre(Stepped(-1)); return true;
        case '0': SetLevelAtCentre(TZoomLevel::Actual); return true;
        case '9': SetLevelAtCentre(TZoomLevel::Fit); return true;
        default: return false;
    }
}

void TZoomView::Wheel(TScrollBox* pane, TShiftState shift, int notches, int x, int y) {
    if (shift & ssCtrl) {
        Step(notches, x, y);
        return;
    }
    // The bars of the pane turned over scroll both panes, as they do when turned over the bar.
    bool left = pane == window_.exview;
    TScrollBar* bar = (shift & ssShift) ? (left ? window_.exh : window_.newh) : (left ? window_.exv : window_.newv);
    if (bar->Visible()) bar->Wheel(notches);
}

void TZoomView::ContextPopup(TScrollBox* pane, int x, int y) { PopupMenu(pane, x, y, window_.PaneMenu()); }

std::vector<TMenuEntry> TZoomView::MenuEntries() {
    std::vector<TMenuEntry> entries;
    bool loaded = PictureWidth() >= 1 && PictureHeight() >= 1;
    for (TZoomLevel level : kZoomLevels) {
        TMenuEntry entry;
        entry.caption = LevelCaption(level);
        entry.checked = level == level_;
        entry.enabled = loaded && LevelAllowed(level, PictureWidth(), PictureHeight(), InnerWidth(), InnerHeight());
        entry.onClick = [this, level] { SetLevelAtCentre(level); };
        entries.push_back(std::move(entry));
    }
    return entries;
}

platform::ZoomScale TZoomView::PreviewScale(int screenWidth, int screenHeight) const {
    if (level_ == TZoomLevel::Fit) return LevelScale(level_, PictureWidth(), PictureHeight(), screenWidth, screenHeight);
    return window_.ex->Zoom();
}

void TZoomView::PreviewOrigin(int screenWidth, int screenHeight, int& x, int& y) const {
    platform::ZoomScale scale = PreviewScale(screenWidth, screenHeight);
    if (level_ == TZoomLevel::Fit) {
        x = static_cast<int>((screenWidth - platform::ShownLength(PictureWidth(), scale)) / 2);
        y = static_cast<int>((screenHeight - platform::ShownLength(PictureHeight(), scale)) / 2);
        return;
    }
    int centreX = 0, centreY = 0;
    ShownCentre(centreX, centreY);
    x = screenWidth / 2 - (centreX - window_.ex->Left());
    y = screenHeight / 2 - (centreY - window_.ex->Top());
}

}  // namespace zavo

#include "app/lossview.h"

#include "app/mainview.h"
#include "app/zoomview.h"
#include "toolkit/keys.h"

namespace zavo {

TLossView::TLossView(Tzavo& window) : window_(window) {}

void TLossView::BytesChanged() {
    map_.reset();
    tour_.clear();
    at_ = 0;
    Tint();
}

void TLossView::SetMap(std::shared_ptr<const TLossMap> map) {
    map_ = std::move(map);
    Tint();
}

void TLossView::SetShown(bool shown) {
    shown_ = shown;
    Tint();
}

void TLossView::Tint() {
    if (!shown_ || !map_) {
        window_.new_->SetTint({});
        return;
    }
    window_.new_->SetTint([map = map_](platform::ZoomScale scale, int left, int top, uint8_t* first, ptrdiff_t stride,
                                       int width, int height) {
        PaintLoss(*map, scale, left, top, first, stride, width, height);
    });
}

bool TLossView::Next() {
    if (!map_) return false;
    if (at_ + 1 < tour_.size()) {
        Go(tour_[++at_]);
        return true;
    }
    // A pane's width of the picture as the tour shows it: at 1:1 or enlarged.
    platform::ZoomScale scale = window_.Zoom().Scale();
    double paneWidth = window_.exview->Width() - 4;
    double distance = scale.Reduces() ? paneWidth : paneWidth * scale.den / scale.num;
    std::optional<TLossSpot> spot = WorstSpotAwayFrom(*map_, tour_, distance);
    if (!spot) return false;
    tour_.push_back(*spot);
    at_ = tour_.size() - 1;
    Go(*spot);
    return true;
}

bool TLossView::Back() {
    if (!map_ || at_ == 0 || at_ >= tour_.size()) return false;
    Go(tour_[--at_]);
    return true;
}

void TLossView::Go(const TLossSpot& spot) { window_.Zoom().CentreOn(spot.x, spot.y); }

bool TLossView::Shortcut(uint16_t key, TShiftState shift) {
    const TShiftState modifiers = shift & (ssCtrl | ssAlt | ssShift);
    if (key == 'D' && modifiers == ssCtrl) {
        // Taken even before a picture is loaded, like the window's other Ctrl keys.
        if (mainview::loaded) SetShown(!shown_);
        return true;
    }
    if (key != VK_F3) return false;
    if (modifiers == 0) Next();
    else if (modifiers == ssShift) Back();
    else return false;
    return true;
}

std::vector<TMenuEntry> TLossView::MenuEntries() {
    TMenuEntry view;
    view.caption = "劣化マップ";
    view.shortcut = "Ctrl+D";
    view.checked = shown_;
    view.enabled = mainview::loaded;
    view.onClick = [this] { SetShown(!shown_); };
    TMenuEntry worst;
    worst.caption = "最も劣化した場所へ";
    worst.shortcut = "F3";
    worst.enabled = map_ != nullptr;
    worst.onClick = [this] { Next(); };
    return {std::move(view), std::move(worst)};
}

}  // namespace zavo

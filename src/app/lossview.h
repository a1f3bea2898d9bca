// Where the compression loses, shown on the comparison window: the right pane's loss view (the
// result in grey under the colour of the loss map) and a tour of the worst spots that scrolls both
// panes there. The map is the one the size hint's figures come from, for the bytes shown; until it
// is measured the pane shows the plain result and the tour waits.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "codec/lossmap.h"
#include "toolkit/events.h"
#include "toolkit/popupmenu.h"

namespace zavo {

class Tzavo;

class TLossView {
public:
    explicit TLossView(Tzavo& window);

    // Other bytes are shown (another quality or picture): their map is not known yet, and the tour
    // starts again.
    void BytesChanged();
    // The map of the bytes shown, once measured.
    void SetMap(std::shared_ptr<const TLossMap> map);
    const TLossMap* Map() const { return map_.get(); }

    // Whether the right pane shows the loss view; it stays on across qualities and pictures.
    bool Shown() const { return shown_; }
    void SetShown(bool shown);

    // Scrolls both panes to centre the next worst spot at least a pane's width away from every spot
    // the tour showed (at 1:1 when the panes show the picture reduced); once the tour has come back,
    // to the spot it showed next. False when the map is not known yet or no spot is left.
    bool Next();
    // Back to the spot the tour showed before the current one.
    bool Back();

    // Ctrl + D, F3 and Shift + F3.
    bool Shortcut(uint16_t key, TShiftState shift);
    // The loss view's entries of the panes' menu.
    std::vector<TMenuEntry> MenuEntries();

private:
    void Go(const TLossSpot& spot);
    void Tint();

    Tzavo& window_;
    std::shared_ptr<const TLossMap> map_;
    bool shown_ = false;
    // The spots in the order the tour found them, and which of them the panes show (none yet at
    // tour_.size()).
    std::vector<TLossSpot> tour_;
    size_t at_ = 0;
};

}  // namespace zavo

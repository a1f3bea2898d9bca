// A pop-up menu built from a description the window gives: entries with their text, tick and
// state, separators between groups, and what each entry does. It takes the keyboard only while it
// is open: no control of the window loses the focus to it.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zavo {

class TControl;

struct TMenuEntry {
    std::string caption;  // empty: a separator line
    std::string shortcut;  // the key that does the same, shown beside the caption
    bool checked = false;
    bool enabled = true;
    std::function<void()> onClick;
};

// Several groups of entries, shown with separators between them.
using TMenuGroups = std::vector<std::vector<TMenuEntry>>;

// Opens the menu at (x, y) in the control's client area and returns at once; the chosen entry's
// action runs on the user-interface thread once the menu has closed, and an error escaping it goes
// to the error box.
void PopupMenu(TControl* over, int x, int y, const TMenuGroups& groups);

}  // namespace zavo

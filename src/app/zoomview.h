// The comparison window's zoom: both panes show the pictures at one level, scroll together in
// screen pixels of the zoomed picture, and open the preview at the same level and centre. Reached
// by Ctrl + wheel or keys over the window and by the panes' menu; a picture loads at 1:1.
#pragma once

#include <cstdint>
#include <vector>

#include "app/zoomlevels.h"
#include "toolkit/events.h"
#include "toolkit/popupmenu.h"

namespace zavo {

class Tzavo;
class TImage;
class TScrollBox;

class TZoomView {
public:
    explicit TZoomView(Tzavo& window);

    TZoomLevel Level() const { return level_; }
    // The scale both panes show.
    platform::ZoomScale Scale() const;
    // Changes the level, keeping the picture point shown at (x, y) of the panes' inner area there
    // as far as the scroll range allows. Nothing changes before a picture is loaded.
    void SetLevel(TZoomLevel level, int x, int y);
    // The same around the middle of what the panes show of the picture, brought to their centre.
    void SetLevelAtCentre(TZoomLevel level);
    // Puts the picture point (px, py) at the centre of what the panes show, as far as the scroll
    // range allows, at 1:1 when the level reduces the picture.
    void CentreOn(double px, double py);
    // Steps the level in (positive) or out.
    void Step(int steps, int x, int y);
    // At fit the scale follows the panes' size; run before the bars are laid out again.
    void PanesResized();

    // The window's input: Ctrl + keys and the Menu key; the wheel and the menu over a pane.
    bool Shortcut(uint16_t key, TShiftState shift);
    void Wheel(TScrollBox* pane, TShiftState shift, int notches, int x, int y);
    void ContextPopup(TScrollBox* pane, int x, int y);
    // The zoom's entries of the panes' menu.
    std::vector<TMenuEntry> MenuEntries();

    // The preview on a screen of width x height: its scale, and where the picture's top-left corner
    // lies so that the point the panes centre on is at the screen's (at fit, the picture centred).
    platform::ZoomScale PreviewScale(int screenWidth, int screenHeight) const;
    void PreviewOrigin(int screenWidth, int screenHeight, int& x, int& y) const;

private:
    int PictureWidth() const;
    int PictureHeight() const;
    int InnerWidth() const;
    int InnerHeight() const;
    TZoomLevel Stepped(int steps) const;
    void SizeImages(platform::ZoomScale scale);
    // What a pane shows beside its bars, and the middle of that.
    int VisibleWidth() const;
    int VisibleHeight() const;
    void VisibleCentre(int& x, int& y) const;
    // The middle of the part of the panes the picture covers.
    void ShownCentre(int& x, int& y) const;
    // Changes the level, bringing the picture point shown at (x, y) to the panes' centre or
    // keeping it at (x, y).
    void ChangeLevel(TZoomLevel level, int x, int y, bool toCentre);
    // Sizes both images for the scale and puts the picture point (px, py) at the panes' centre, or
    // at (x, y).
    void Apply(platform::ZoomScale scale, double px, double py, bool toCentre, int x = 0, int y = 0);

    Tzavo& window_;
    TZoomLevel level_ = TZoomLevel::Actual;
};

}  // namespace zavo

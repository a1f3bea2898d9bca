// The full-screen before/after preview.
#pragma once

#include <cstdint>

#include "platform/zoomscaling.h"
#include "toolkit/form.h"
#include "toolkit/timer.h"

namespace zavo {

class Tfull : public TForm {
public:
    explicit Tfull(TApplication* app);
    ~Tfull() override;

    TTimer* Timer = nullptr;

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    void FormClick(TObject* sender);
    void FormKeyPress(TObject* sender, char& key);
    void TimerTimer(TObject* sender);
    // Paints the whole window from the state below.
    void wideshow();

protected:
    void Loaded() override;
};

extern Tfull* full;

namespace fullshow {
// The picture after compression is the one shown (else the one before).
extern bool shownew;
// Every tick flips the picture; also set by the comparison window's handlers that open the preview.
extern bool blink;
// The picture's top-left corner in the window.
extern int32_t imgx, imgy;
// The caption's left edge; its top is imgy.
extern int32_t capx;
// The caption's top: imgy at 1:1, else kept on the screen.
extern int32_t capy;
// The scale the picture is shown at, the panes' one (at fit, fitted to the screen).
extern platform::ZoomScale scale;
}  // namespace fullshow

}  // namespace zavo

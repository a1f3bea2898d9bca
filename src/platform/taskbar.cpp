#include "platform/taskbar.h"

namespace zavo::platform {

namespace {

// Desktop panels give way to a window in the full-screen state by themselves: the window manager
// stacks such a window above every panel and brings the panels back when it goes. Showing and
// hiding the panels therefore needs no call of its own here.
class PanelTaskBar : public TaskBar {
public:
    void ShowWindow(ShowCommand) override {}
};

PanelTaskBar gDesktopTaskBar;
bool gReplaced = false;
TaskBar* gReplacement = nullptr;

}  // namespace

TaskBar* FindTaskBar() { return gReplaced ? gReplacement : &gDesktopTaskBar; }

void ReplaceTaskBar(TaskBar* bar) {
    gReplaced = true;
    gReplacement = bar;
}

void RestoreTaskBar() {
    gReplaced = false;
    gReplacement = nullptr;
}

}  // namespace zavo::platform

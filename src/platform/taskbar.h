// The desktop's task bar, which the full-screen preview keeps out of sight while it is shown.
#pragma once

namespace zavo::platform {

// The show commands the preview gives the task bar, with their system values.
enum class ShowCommand { Hide = 0, ShowNoActivate = 4, ShowNA = 8 };

class TaskBar {
public:
    virtual ~TaskBar() = default;
    virtual void ShowWindow(ShowCommand command) = 0;
};

// The desktop's task bar, or null when the desktop has none.
TaskBar* FindTaskBar();

// Tests put a recorder in the desktop's place, or nothing for a desktop without a task bar;
// RestoreTaskBar brings the desktop's own back.
void ReplaceTaskBar(TaskBar* bar);
void RestoreTaskBar();

}  // namespace zavo::platform

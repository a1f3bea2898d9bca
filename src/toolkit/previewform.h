// The full-size preview of the open dialog's picture: a tool window showing the picture at its own
// size when it fits, scaled down with its proportions kept when it does not.
#pragma once

#include <QSize>

class QWidget;

namespace zavo {

class TPicture;

// The window's new client size for a picture: client + picture - panel client + 10 in each
// direction, at most three quarters of the monitor; unchanged for a picture without width.
QSize PreviewFormClientSize(const QSize& client, const QSize& picture, const QSize& panelClient,
                            const QSize& monitor);

// The client size of a new window before the picture sizes it.
inline constexpr QSize kNewWindowClientSize{320, 240};

// Shows a copy of the picture (none: an empty window) modally; Esc closes it. Tests reach the
// window through QApplication::activeModalWidget(), named "PreviewForm".
void ShowPreviewForm(TPicture* picture, QWidget* parent);

}  // namespace zavo

#include "toolkit/popupmenu.h"

#include <QAction>
#include <QMenu>
#include <QTimer>

#include "toolkit/control.h"
#include "toolkit/form.h"

namespace zavo {

void PopupMenu(TControl* over, int x, int y, const TMenuGroups& groups) {
    QWidget* anchor = over->ClientWidget();
    auto* menu = new QMenu(anchor);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setFont(anchor->font());
    TForm* form = over->Form();
    bool first = true;
    for (const auto& group : groups) {
        if (group.empty()) continue;
        if (!first) menu->addSeparator();
        first = false;
        for (const TMenuEntry& entry : group) {
            // After a tab the menu shows the key's name only: the window handles the key itself.
            std::string text = entry.shortcut.empty() ? entry.caption : entry.caption + "\t" + entry.shortcut;
            QAction* action = menu->addAction(QString::fromStdString(text));
            action->setCheckable(entry.checked);
            action->setChecked(entry.checked);
            action->setEnabled(entry.enabled);
            if (!entry.onClick) continue;
            // Run after the menu has gone, so that the action sees the window as the user does.
            QObject::connect(action, &QAction::triggered, anchor, [form, run = entry.onClick] {
                QTimer::singleShot(0, form->Widget(), [form, run] { form->Invoke(run); });
            });
        }
    }
    menu->popup(anchor->mapToGlobal(QPoint(x, y)));
}

}  // namespace zavo

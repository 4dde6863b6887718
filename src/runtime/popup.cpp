// SPDX-License-Identifier: MIT
#include "popup.h"

#include <QAction>
#include <QCursor>
#include <QMenu>

namespace Popup
{

Hook<QAction*(QMenu& menu)>& Picker()
{
    static Hook<QAction*(QMenu & menu)> hook;
    return hook;
}

void Open(QMenu& menu)
{
    Open(menu, QCursor::pos());
}

void Open(QMenu& menu, const QPoint& globalPos)
{
    if (!Picker()) {
        // exec() emits the chosen action's triggered() itself.
        menu.exec(globalPos);
        return;
    }
    QAction* chosen = Picker()(menu);
    // A person can only choose what the menu shows.
    if (chosen && chosen->isVisible() && chosen->isEnabled())
        chosen->trigger();
}

} // namespace Popup

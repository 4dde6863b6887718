// SPDX-License-Identifier: MIT
#include "popup.h"

#include <QAction>
#include <QCursor>
#include <QMenu>

namespace Popup
{

namespace
{
Picker& picker()
{
    static Picker p;
    return p;
}
} // namespace

void Open(QMenu& menu)
{
    Open(menu, QCursor::pos());
}

void Open(QMenu& menu, const QPoint& globalPos)
{
    if (!picker()) {
        // exec() emits the chosen action's triggered() itself.
        menu.exec(globalPos);
        return;
    }
    QAction* chosen = picker()(menu);
    // A person can only choose what the menu shows.
    if (chosen && chosen->isVisible() && chosen->isEnabled())
        chosen->trigger();
}

Picker SetPicker(Picker p)
{
    Picker previous = std::move(picker());
    picker() = std::move(p);
    return previous;
}

} // namespace Popup

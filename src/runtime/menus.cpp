// SPDX-License-Identifier: MIT
#include "menus.h"

#include "errors.h"
#include "keys.h"

#include <QMenu>

QAction* AddMenuCommand(QMenu* menu, const char* name, const QString& caption,
                        std::function<void()> handler)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    QObject::connect(action, &QAction::triggered, menu,
                     [what = WithoutAccessKeys(caption), handler = std::move(handler)] {
                         Guard(what, handler);
                     });
    return action;
}

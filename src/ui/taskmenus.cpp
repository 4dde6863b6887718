// SPDX-License-Identifier: MIT
#include "taskmenus.h"

#include "runtime/menus.h"

#include <QMenu>

QMenu* AddProcrastinateMenu(QMenu* popUp, const std::function<void(int days)>& procrastinate)
{
    QMenu* submenu = popUp->addMenu(QStringLiteral("&Procrastinate"));
    submenu->setObjectName(QStringLiteral("mnuProcrastinate"));
    submenu->menuAction()->setObjectName(QStringLiteral("mnuProcrastinate"));
    for (int days = 1; days <= 7; ++days) {
        const QString caption =
            days == 1 ? QStringLiteral("&1 Day") : QStringLiteral("&%1 Days").arg(days);
        AddMenuCommand(submenu, qPrintable(QStringLiteral("mnuPro%1").arg(days)), caption,
                       [procrastinate, days] { procrastinate(days); });
    }
    return submenu;
}

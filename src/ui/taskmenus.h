// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QObject>
#include <functional>

class QAction;
class QMenu;

// The "Procrastinate" submenu of the task menus: "1 Day" to "7 Days" (mnuPro1 ... mnuPro7),
// each handing its number of days to procrastinate.
QMenu* AddProcrastinateMenu(QMenu* popUp, const std::function<void(int days)>& procrastinate);

// The "Repeat" submenu that ends both task menus, after a separator: "Never", "Every Day",
// "Every Week", "Every Month", "Every Year" (mnuRepeatNever ... mnuRepeatYearly), and one more
// item (mnuRepeatOther) for a rule made elsewhere: in words, or "Other", disabled, when it
// cannot be reckoned. Choosing an item writes the task's rule and then runs `reload`.
// It belongs to popUp.
class RepeatMenu : public QObject
{
public:
    RepeatMenu(QMenu* popUp, std::function<qint32()> task, std::function<void()> reload);

    // The check on the task's own rule, before the menu opens. Throws adodb::DbError.
    void Prepare(qint32 taskId);
    void SetVisible(bool visible);

    QAction* Separator;
    QMenu* Menu;
    QList<QAction*> Presets; // Never, Every Day, Every Week, Every Month, Every Year
    QAction* Other;
};

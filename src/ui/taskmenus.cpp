// SPDX-License-Identifier: MIT
#include "taskmenus.h"

#include "repeat/rule.h"
#include "runtime/menus.h"
#include "store/appfunctions.h"
#include "store/repeats.h"

#include <QActionGroup>
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

RepeatMenu::RepeatMenu(QMenu* popUp, std::function<qint32()> task, std::function<void()> reload)
    : QObject(popUp)
{
    Separator = popUp->addSeparator();
    Separator->setObjectName(QStringLiteral("mnuRepeatBar"));
    Menu = popUp->addMenu(QStringLiteral("&Repeat"));
    Menu->setObjectName(QStringLiteral("mnuRepeat"));
    Menu->menuAction()->setObjectName(QStringLiteral("mnuRepeat"));
    auto* group = new QActionGroup(Menu);
    const struct {
        const char* name;
        const char* caption;
        Repeat::Preset preset;
    } presets[] = {
        {"mnuRepeatNever", "&Never", Repeat::Preset::Never},
        {"mnuRepeatDaily", "Every &Day", Repeat::Preset::Daily},
        {"mnuRepeatWeekly", "Every &Week", Repeat::Preset::Weekly},
        {"mnuRepeatMonthly", "Every &Month", Repeat::Preset::Monthly},
        {"mnuRepeatYearly", "Every &Year", Repeat::Preset::Yearly},
    };
    for (const auto& p : presets) {
        QAction* item = AddMenuCommand(
            Menu, p.name, QLatin1String(p.caption), [task, reload, preset = p.preset] {
                const qint32 id = task();
                SetTaskRepeat(id, Repeat::PresetRule(preset, GetTaskDate(id)));
                reload();
            });
        item->setCheckable(true);
        group->addAction(item);
        Presets.append(item);
    }
    // The task's own rule stays as it is.
    Other = AddMenuCommand(Menu, "mnuRepeatOther", QStringLiteral("&Other"), reload);
    Other->setCheckable(true);
    group->addAction(Other);
}

void RepeatMenu::Prepare(qint32 taskId)
{
    const std::optional<TaskRepeat> repeat = GetTaskRepeat(taskId);
    const QString rule = repeat ? repeat->rrule : QString();
    const std::optional<Repeat::Preset> preset = Repeat::PresetOf(rule);
    for (QAction* item : Presets)
        item->setChecked(preset && Presets.indexOf(item) == int(*preset));
    Other->setVisible(!preset);
    Other->setChecked(!preset);
    const QString words = Repeat::Describe(rule);
    Other->setEnabled(!words.isEmpty());
    Other->setText(words.isEmpty() ? QStringLiteral("&Other") : words);
}

void RepeatMenu::SetVisible(bool visible)
{
    Separator->setVisible(visible);
    Menu->menuAction()->setVisible(visible);
}

// SPDX-License-Identifier: MIT
#pragma once

#include "controls/datepicker.h"
#include "runtime/forms.h"
#include "runtime/keys.h"
#include "runtime/popup.h"
#include "support/qtprint.h"
#include "support/tempdb.h"
#include "ui/main/frmmain.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>

// The main window loaded on a fresh database, with the modal and pop-up seams reset after
// each test. Tasks are added first, then Open() loads the window as ShowMainScreen would.
class MainWindowTest : public ::testing::Test
{
protected:
    TempDb db{TempDb::Connect::Closed};
    frmMain* main = nullptr;

    void Open()
    {
        Forms::Show<frmMain>();
        main = &Forms::Instance<frmMain>();
    }

    void TearDown() override
    {
        for (Form* form : Forms::Loaded())
            Forms::Unload(*form);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QStringList Titles() const
    {
        QStringList titles;
        for (int i = 0; i < main->tvwTasks->topLevelItemCount(); ++i)
            titles << main->tvwTasks->topLevelItem(i)->text(0);
        return titles;
    }

    QString SelectedTitle() const
    {
        const auto selected = main->tvwTasks->selectedItems();
        return selected.size() == 1 ? selected.first()->text(0) : QString();
    }

    // A press in the list as the mouse makes it, at the middle of row `row` (or below all
    // rows when row is -1).
    void Press(int row, Qt::MouseButton button = Qt::LeftButton)
    {
        QWidget* viewport = main->tvwTasks->viewport();
        QPoint at(20, viewport->height() - 5);
        if (row >= 0)
            at = main->tvwTasks->visualItemRect(main->tvwTasks->topLevelItem(row)).center();
        QTest::mousePress(viewport, button, {}, at);
        QTest::mouseRelease(viewport, button, {}, at);
    }

    // The menus that `act` opened, each dismissed at once.
    QStringList MenusOpenedBy(const std::function<void()>& act)
    {
        QStringList opened;
        const ScopedHook picker(Popup::Picker(), [&](QMenu& menu) -> QAction* {
            opened << menu.objectName();
            return nullptr;
        });
        act();
        return opened;
    }

    // Opens the task menu on a row and picks the item named `item` (nothing for "").
    // Returns the names of the items that were visible when the menu opened.
    QStringList RightClickAndPick(int row, const QString& item = {})
    {
        QStringList shown;
        const ScopedHook picker(Popup::Picker(), [&](QMenu& menu) -> QAction* {
            QAction* chosen = nullptr;
            for (QAction* action : menu.actions()) {
                if (action->isVisible())
                    shown << action->objectName();
                if (!item.isEmpty() && action->objectName() == item)
                    chosen = action;
                if (action->menu() && !item.isEmpty())
                    for (QAction* sub : action->menu()->actions())
                        if (sub->objectName() == item)
                            chosen = sub;
            }
            return chosen;
        });
        Press(row, Qt::RightButton);
        return shown;
    }
};

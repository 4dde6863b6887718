// SPDX-License-Identifier: MIT
// The main window and its dialogs from the keyboard, and as a screen reader sees them.
#include "mainwindow.h"
#include "ui/main/frmnewduedate.h"
#include "ui/main/frmnewtask.h"
#include "ui/taskrows.h"

#include <QAccessible>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>

namespace
{
const QDate today = TempDb::Today;

QString AccessibleName(QObject* object)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    return iface ? iface->text(QAccessible::Name) : QStringLiteral("<none>");
}

QAccessible::Role AccessibleRole(QObject* object)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    return iface ? iface->role() : QAccessible::NoRole;
}

// The names a screen reader gives the list's rows, in order.
QStringList RowNames(QAbstractItemView* list)
{
    QStringList names;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(list);
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* child = iface->child(i);
        if (child->role() == QAccessible::TreeItem || child->role() == QAccessible::Cell)
            names << child->text(QAccessible::Name);
    }
    return names;
}

class KeyboardTest : public MainWindowTest
{
protected:
    void Key(QWidget* to, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(to, key, mods);
    }
};
} // namespace

TEST(TaskRowText, SaysTheStatusTheIconShows)
{
    EXPECT_EQ(TaskRowText("Pay rent", "INCOMPLETE"), "Pay rent, open");
    EXPECT_EQ(TaskRowText("Pay rent", "complete"), "Pay rent, complete");
    EXPECT_EQ(TaskRowText("Pay rent", "SPECIAL"), "Pay rent, special");
    EXPECT_EQ(TaskRowText("Pay rent", "Waiting"), "Pay rent, Waiting");
}

TEST(AccessKeys, AreRemovedFromShownCaptions)
{
    EXPECT_EQ(WithoutAccessKeys("&File"), "File");
    EXPECT_EQ(WithoutAccessKeys("3 &Past Due"), "3 Past Due");
    EXPECT_EQ(WithoutAccessKeys("Salt && Pepper"), "Salt & Pepper");
}

TEST_F(KeyboardTest, ScreenReadersHearEveryControlAndEachRowsStatus)
{
    db.AddTask(1, "Pay rent", "", today);
    db.AddTask(2, "Call mum", "", today, TaskStatus::COMPLETE);
    db.AddTask(3, "Taxes", "", today, TaskStatus::SPECIAL);
    db.AddTask(4, "Old", "", today.addDays(-2));
    db.AddTask(5, "Older", "", today.addDays(-3));
    Open();
    EXPECT_EQ(AccessibleRole(main), QAccessible::Window);
    EXPECT_EQ(AccessibleName(main->DTPicker1), "Date");
    EXPECT_EQ(AccessibleName(main->txtTitle), "Title");
    EXPECT_EQ(AccessibleName(main->txtDescription), "Description");
    EXPECT_EQ(AccessibleName(main->cmdPrev), "Previous Day");
    EXPECT_EQ(AccessibleName(main->cmdToday), "Today");
    EXPECT_EQ(AccessibleName(main->cmdNext), "Next Day");
    EXPECT_EQ(AccessibleName(main->tvwTasks), "Tasks");
    EXPECT_EQ(AccessibleName(main->cmdPastDue), "2 tasks past due");
    EXPECT_EQ(AccessibleName(main->cmdAddNew), "Add New");
    EXPECT_EQ(RowNames(main->tvwTasks),
              QStringList({"Pay rent, open", "Call mum, complete", "Taxes, special"}));
}

TEST_F(KeyboardTest, DialogsAreDialogsWithNamedInputs)
{
    Open();
    frmNewTask& task = Forms::Instance<frmNewTask>();
    EXPECT_EQ(AccessibleRole(&task), QAccessible::Dialog);
    EXPECT_EQ(AccessibleName(task.DTPicker1), "Due");
    EXPECT_EQ(AccessibleName(task.txtTitle), "Title");
    EXPECT_EQ(AccessibleName(task.txtDescription), "Description");
    EXPECT_EQ(AccessibleName(task.chkSpecial), "Mark As Special");
    EXPECT_EQ(AccessibleName(task.cmdSave), "Save");
    frmNewDueDate& due = Forms::Instance<frmNewDueDate>();
    EXPECT_EQ(AccessibleRole(&due), QAccessible::Dialog);
    EXPECT_EQ(AccessibleName(due.DTPicker1), "New Due Date");
}

TEST_F(KeyboardTest, MenuKeyPressesTheFocusedRowAndOpensTheTaskMenu)
{
    db.AddTask(1, "One", "", today);
    db.AddTask(2, "Two", "", today);
    Open();
    main->tvwTasks->setFocus();
    Key(main->tvwTasks, Qt::Key_Down);
    // Arrows move the selection only: the details stay with the first task, drawn apart.
    EXPECT_EQ(SelectedTitle(), "Two");
    EXPECT_EQ(main->CurrentTaskID, 1);
    EXPECT_TRUE(main->tvwTasks->topLevelItem(0)->font(0).bold());
    EXPECT_FALSE(main->tvwTasks->topLevelItem(1)->font(0).bold());

    QStringList shown;
    const ScopedHook picker(Popup::Picker(), [&](QMenu& menu) -> QAction* {
        shown << menu.objectName();
        return menu.findChild<QAction*>("mnuMarkComplete");
    });
    Key(main->tvwTasks, Qt::Key_Menu);
    EXPECT_EQ(shown, QStringList({"mnuPopUp"}));
    EXPECT_EQ(db.Scalar("SELECT TASK_STATUS FROM TASKS WHERE TASK_ID = 2").toString(), "COMPLETE");
    EXPECT_EQ(main->LastMouseX, 0); // no mouse press happened

    main->tvwTasks->setCurrentItem(main->tvwTasks->topLevelItem(1));
    Key(main->tvwTasks, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(shown, QStringList({"mnuPopUp", "mnuPopUp"}));
}

TEST_F(KeyboardTest, ReturnOrSpaceOnARowShowsItsDetailsWithoutAMenu)
{
    db.AddTask(1, "One", "", today);
    db.AddTask(2, "Two", "", today);
    Open();
    main->tvwTasks->setFocus();
    EXPECT_TRUE(MenusOpenedBy([&] {
                    Key(main->tvwTasks, Qt::Key_Down);
                    Key(main->tvwTasks, Qt::Key_Return);
                }).isEmpty());
    EXPECT_EQ(main->CurrentTaskID, 2);
    EXPECT_EQ(main->txtTitle->text(), "Two");
    EXPECT_TRUE(main->tvwTasks->topLevelItem(1)->font(0).bold());
    Key(main->tvwTasks, Qt::Key_Up);
    Key(main->tvwTasks, Qt::Key_Space);
    EXPECT_EQ(main->CurrentTaskID, 1);
}

TEST_F(KeyboardTest, MenuKeyOnAnEmptyDayOffersAddNew)
{
    Open();
    main->tvwTasks->setFocus();
    EXPECT_EQ(MenusOpenedBy([&] { Key(main->tvwTasks, Qt::Key_Menu); }),
              QStringList({"mnuNewTaskPopUp"}));
}

TEST_F(KeyboardTest, ATypedDateIsShownOnReturnAndNotBefore)
{
    db.AddTask(1, "Tomorrow's", "", today.addDays(1));
    Open();
    main->DTPicker1->setFocus();
    main->DTPicker1->SetValue(today.addDays(1)); // as the arrow keys step it
    EXPECT_TRUE(Titles().isEmpty());
    Key(main->DTPicker1, Qt::Key_Return);
    EXPECT_EQ(Titles(), QStringList({"Tomorrow's"}));
}

TEST_F(KeyboardTest, TheDateBoxIsOneTabStopAndF4OrAltDownDropsTheCalendar)
{
    Open();
    main->DTPicker1->setFocus();
    Key(main->DTPicker1, Qt::Key_Tab);
    EXPECT_EQ(main->focusWidget(), main->txtTitle);

    QWidget* calendar = main->DTPicker1->calendarWidget()->window();
    for (auto [key, mods] : {std::pair{Qt::Key_F4, Qt::KeyboardModifiers(Qt::NoModifier)},
                             std::pair{Qt::Key_Down, Qt::KeyboardModifiers(Qt::AltModifier)}}) {
        main->DTPicker1->setFocus();
        Key(main->DTPicker1, key, mods);
        EXPECT_TRUE(calendar->isVisible()) << key;
        calendar->hide();
    }
}

TEST_F(KeyboardTest, F10OpensTheFileMenu)
{
    Open();
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main));
    main->txtTitle->setFocus();
    Key(main->txtTitle, Qt::Key_F10);
    QAction* active = main->MenuBar()->activeAction();
    ASSERT_NE(active, nullptr);
    EXPECT_EQ(WithoutAccessKeys(active->text()), "File");
    active->menu()->hide();
}

TEST_F(KeyboardTest, EscapeClosesTheDialogWithoutSavingAndReturnPressesSave)
{
    Open();
    int opened = 0;
    const ScopedHook driver(Forms::ModalDriver(), [&](Form& form) {
        auto& dialog = static_cast<frmNewTask&>(form);
        ++opened;
        dialog.txtTitle->setText(opened == 1 ? "Dropped" : "Kept");
        if (opened == 1) {
            Key(dialog.txtTitle, Qt::Key_Escape);
            return;
        }
        dialog.txtDescription->setFocus();
        Key(dialog.txtDescription, Qt::Key_Return); // a new line, not a save
        EXPECT_TRUE(dialog.IsLoaded());
        EXPECT_EQ(dialog.txtDescription->toPlainText(), "\n");
        dialog.chkSpecial->setFocus();
        Key(dialog.chkSpecial, Qt::Key_Space);
        Key(dialog.chkSpecial, Qt::Key_Return);
    });
    main->cmdAddNew->click();
    EXPECT_EQ(db.Scalar("SELECT COUNT(*) FROM TASKS").toInt(), 0);
    main->cmdAddNew->click();
    EXPECT_EQ(db.Scalar("SELECT TASK_STATUS FROM TASKS WHERE TASK_TITLE = 'Kept'").toString(),
              "SPECIAL");
    EXPECT_EQ(Titles(), QStringList({"Kept"}));
}

TEST_F(KeyboardTest, TheFocusedButtonAnswersReturn)
{
    Open();
    const QDate shown = main->DTPicker1->Value();
    main->cmdNext->setFocus();
    Key(main->cmdNext, Qt::Key_Return);
    EXPECT_EQ(main->DTPicker1->Value(), shown.addDays(1));
    Key(main->cmdNext, Qt::Key_Space);
    EXPECT_EQ(main->DTPicker1->Value(), shown.addDays(2));
}

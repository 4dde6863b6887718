// SPDX-License-Identifier: MIT
// The new task and new due date dialogs, and Add New from the main window.
#include "mainwindow.h"
#include "ui/main/frmnewduedate.h"
#include "ui/main/frmnewtask.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace
{
const QDate today = TempDb::Today;

// Add New as the person does it: the dialog is filled by `fill` and then saved.
class AddNewTest : public MainWindowTest
{
protected:
    void AddNew(const std::function<void(frmNewTask&)>& fill)
    {
        const ScopedHook driver(Forms::ModalDriver(), [&](Form& form) {
            auto& dialog = static_cast<frmNewTask&>(form);
            fill(dialog);
        });
        main->cmdAddNew->click();
    }
};

void Save(frmNewTask& dialog, const QString& title, bool special = false)
{
    dialog.txtTitle->setText(title);
    dialog.txtDescription->setPlainText("notes for " + title);
    dialog.chkSpecial->setChecked(special);
    dialog.cmdSave->click();
}
} // namespace

TEST_F(AddNewTest, SavesNumberedTasksOnTheShownDayAndSelectsThem)
{
    db.AddTask(50, "Already there", "", today);
    Open();
    AddNew([](frmNewTask& d) {
        EXPECT_EQ(d.DTPicker1->Value(), today);
        EXPECT_EQ(gNewTaskID, 0);
        Save(d, "First");
    });
    AddNew([](frmNewTask& d) { Save(d, "Second", true); });
    EXPECT_EQ(db.Scalar("SELECT TASK_ID FROM TASKS WHERE TASK_TITLE = 'First'").toInt(), 1);
    EXPECT_EQ(db.Scalar("SELECT TASK_ID FROM TASKS WHERE TASK_TITLE = 'Second'").toInt(), 2);
    EXPECT_EQ(db.Scalar("SELECT TASK_STATUS FROM TASKS WHERE TASK_ID = 1").toString(),
              "INCOMPLETE");
    EXPECT_EQ(db.Scalar("SELECT TASK_STATUS FROM TASKS WHERE TASK_ID = 2").toString(), "SPECIAL");
    EXPECT_EQ(db.Scalar("SELECT DESCRIPTION FROM TASKS WHERE TASK_ID = 2").toString(),
              "notes for Second");
    EXPECT_EQ(Titles(), QStringList({"First", "Second", "Already there"}));
    EXPECT_EQ(SelectedTitle(), "Second");
    EXPECT_FALSE(IsFormLoaded("frmNewTask"));
}

TEST_F(AddNewTest, StartsOnTheShownDayAndATaskForAnotherDaySelectsTheFirst)
{
    db.AddTask(50, "May task", "", QDate(2026, 5, 20));
    db.AddTask(51, "Another May task", "", QDate(2026, 5, 20));
    Open();
    main->DTPicker1->SetText("5/20/2026");
    main->ShowTasks(51);
    AddNew([](frmNewTask& d) {
        EXPECT_EQ(d.DTPicker1->Value(), QDate(2026, 5, 20));
        d.DTPicker1->SetValue(QDate(2026, 5, 21));
        Save(d, "Next day");
    });
    EXPECT_EQ(SelectedTitle(), "May task");
    EXPECT_EQ(db.Scalar("SELECT TASK_DATE FROM TASKS WHERE TASK_ID = 1").toString(), "2026-05-21");
}

TEST_F(AddNewTest, RefusedSavesKeepTheDialogOpenAndConsumeNoIdentifier)
{
    Open();
    AddNew([&](frmNewTask& d) {
        d.DTPicker1->SetEditText("not a date");
        d.cmdSave->click(); // date checked before the title
        d.DTPicker1->SetValue(today);
        d.cmdSave->click();
        EXPECT_TRUE(IsFormLoaded("frmNewTask"));
        d.txtTitle->setText("   "); // blanks are a title
        d.cmdSave->click();
    });
    EXPECT_EQ(db.msgBox.prompts, QStringList({"Invalid Date", "Please Enter A Title"}));
    EXPECT_EQ(db.Scalar("SELECT VALUE FROM sysIDS WHERE CODE = 'TASK'").toInt(), 1);
    EXPECT_EQ(db.Scalar("SELECT TASK_TITLE FROM TASKS WHERE TASK_ID = 1").toString(), "   ");
}

TEST_F(AddNewTest, TheCloseBoxSavesNothingAndDoesNotReload)
{
    db.AddTask(1, "One", "", today);
    db.AddTask(2, "Two", "", today);
    Open();
    main->ShowTasks(2);
    db.AddTask(3, "Added meanwhile", "", today);
    AddNew([](frmNewTask& d) {
        d.txtTitle->setText("Never saved");
        d.close();
    });
    EXPECT_EQ(gNewTaskID, 0);
    EXPECT_EQ(Titles().size(), 2); // not reloaded
    EXPECT_EQ(db.Scalar("SELECT COUNT(*) FROM TASKS").toInt(), 3);
    EXPECT_TRUE(db.Scalar("SELECT VALUE FROM sysIDS").isNull());
}

TEST_F(AddNewTest, OpensWithTheFocusInTheTitle)
{
    Open();
    AddNew([](frmNewTask& d) {
        QApplication::setActiveWindow(&d);
        EXPECT_EQ(QApplication::focusWidget(), d.txtTitle);
        d.close();
    });
}

TEST_F(MainWindowTest, NewDueDateStartsOnTheTasksDateAndSavesMonthFirst)
{
    db.AddTask(7, "Pay rent", "", QDate(2026, 3, 3));
    Open();
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); // writes day first
    auto& dialog = Forms::Instance<frmNewDueDate>();
    dialog.SetTaskID(7);
    const ScopedHook driver(Forms::ModalDriver(), [](Form& form) {
        auto& d = static_cast<frmNewDueDate&>(form);
        EXPECT_EQ(d.DTPicker1->Value(), QDate(2026, 3, 3));
        d.DTPicker1->SetValue(QDate(2026, 3, 5));
        d.cmdSave->click();
    });
    Forms::ShowModal(dialog, main);
    QLocale::setDefault(saved);
    EXPECT_EQ(db.Scalar("SELECT TASK_DATE FROM TASKS WHERE TASK_ID = 7").toString(), "2026-03-05");
    EXPECT_FALSE(IsFormLoaded("frmNewDueDate"));
}

TEST_F(MainWindowTest, NewDueDateRefusesNoDateAndItsCloseBoxChangesNothing)
{
    db.AddTask(7, "Pay rent", "", QDate(2026, 3, 3));
    Open();
    const ScopedHook refusedThenClosed(Forms::ModalDriver(), [](Form& form) {
        auto& d = static_cast<frmNewDueDate&>(form);
        d.DTPicker1->SetEditText("");
        d.cmdSave->click();
        EXPECT_TRUE(IsFormLoaded("frmNewDueDate"));
        d.DTPicker1->SetValue(QDate(2030, 1, 1));
        d.close();
    });
    auto& dialog = Forms::Instance<frmNewDueDate>();
    dialog.SetTaskID(7);
    Forms::ShowModal(dialog, main);
    EXPECT_EQ(db.msgBox.prompts, QStringList{"Invalid Date"});
    EXPECT_EQ(db.Scalar("SELECT TASK_DATE FROM TASKS WHERE TASK_ID = 7").toString(), "2026-03-03");

    const ScopedHook closed(Forms::ModalDriver(), [](Form& form) {
        EXPECT_EQ(static_cast<frmNewDueDate&>(form).DTPicker1->Value(), TempDb::Today);
        form.close();
    });
    Forms::Instance<frmNewDueDate>().SetTaskID(404); // no such task: starts on today
    Forms::ShowModal(Forms::Instance<frmNewDueDate>(), main);
}

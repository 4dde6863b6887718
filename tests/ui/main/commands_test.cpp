// SPDX-License-Identifier: MIT
// Pressing tasks in the list, the two context menus and every task command.
#include "mainwindow.h"
#include "platform/app.h"
#include "platform/clock.h"
#include "store/repeats.h"
#include "ui/main/frmnewduedate.h"
#include "ui/taskmenus.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

namespace
{
const QDate today = TempDb::Today;

QDate DueDate(const TempDb& db, int id)
{
    return QDate::fromString(
        db.Scalar(QString("SELECT TASK_DATE FROM TASKS WHERE TASK_ID = %1").arg(id)).toString(),
        Qt::ISODate);
}

class CommandsTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        db.AddTask(1, "One", "first", today);
        db.AddTask(2, "Two", "second", today);
        db.AddTask(3, "Three", "third", today);
    }
};
} // namespace

TEST_F(CommandsTest, APressOnATaskMakesItCurrentWithoutAMenu)
{
    Open();
    EXPECT_TRUE(MenusOpenedBy([&] { Press(2); }).isEmpty());
    EXPECT_EQ(main->CurrentTaskID, 3);
    EXPECT_EQ(main->txtTitle->text(), "Three");
    EXPECT_EQ(SelectedTitle(), "Three");
    EXPECT_GT(main->LastMouseY, 0);
    EXPECT_EQ(main->LastMouseY % 15, 0); // pixels to twips, whole numbers
}

TEST_F(CommandsTest, TheTaskMenuOffersWhatTheStatusAllows)
{
    const QStringList dateCommands = {"mnuDueToday",   "mnuDueTomorrow", "mnuProcrastinate",
                                      "mnuNewDueDate", "mnuRepeatBar",   "mnuRepeat"};
    db.Exec("UPDATE TASKS SET TASK_STATUS = 'COMPLETE' WHERE TASK_ID = 1;"
            "UPDATE TASKS SET TASK_STATUS = 'special' WHERE TASK_ID = 2");
    Open();
    EXPECT_EQ(RightClickAndPick(0), QStringList({"mnuMarkIncomplete", "mnuDeleteTask", "mnuA"}));
    EXPECT_EQ(RightClickAndPick(1),
              QStringList({"mnuMarkComplete", "mnuMarkNotSpecial", "mnuDeleteTask", "mnuA"}) +
                  dateCommands);
    EXPECT_EQ(RightClickAndPick(2),
              QStringList({"mnuMarkComplete", "mnuMarkSpecial", "mnuDeleteTask", "mnuA"}) +
                  dateCommands);
    EXPECT_EQ(main->CurrentTaskID, 3);
}

TEST_F(CommandsTest, ARightPressOnEmptySpaceOffersAddNewAndKeepsTheDetails)
{
    Open();
    Press(1);
    EXPECT_EQ(MenusOpenedBy([&] { Press(-1, Qt::RightButton); }), QStringList{"mnuNewTaskPopUp"});
    EXPECT_EQ(main->CurrentTaskID, 2);
    EXPECT_EQ(main->txtTitle->text(), "Two");
}

TEST_F(CommandsTest, ADoubleClickOpensTheMenuOfTheTaskUnderThePointer)
{
    Open();
    Press(1);
    const QPoint at = main->tvwTasks->visualItemRect(main->tvwTasks->topLevelItem(1)).center();
    EXPECT_EQ(MenusOpenedBy(
                  [&] { QTest::mouseDClick(main->tvwTasks->viewport(), Qt::LeftButton, {}, at); }),
              QStringList{"mnuPopUp"});
    EXPECT_EQ(main->CurrentTaskID, 2);
}

TEST_F(CommandsTest, StatusCommandsReselectAsTheirReloadSays)
{
    Open();
    RightClickAndPick(1, "mnuMarkSpecial");
    EXPECT_EQ(db.Scalar("SELECT TASK_STATUS FROM TASKS WHERE TASK_ID = 2").toString(), "SPECIAL");
    EXPECT_EQ(SelectedTitle(), "Two");

    RightClickAndPick(1, "mnuMarkNotSpecial");
    EXPECT_EQ(db.Scalar("SELECT TASK_STATUS FROM TASKS WHERE TASK_ID = 2").toString(),
              "INCOMPLETE");
    EXPECT_EQ(SelectedTitle(), "Two");

    RightClickAndPick(1, "mnuMarkComplete");
    EXPECT_EQ(db.Scalar("SELECT TASK_STATUS FROM TASKS WHERE TASK_ID = 2").toString(), "COMPLETE");
    EXPECT_EQ(SelectedTitle(), "One");
    EXPECT_EQ(main->CurrentTaskID, 1);

    RightClickAndPick(1, "mnuMarkIncomplete");
    EXPECT_EQ(db.Scalar("SELECT TASK_STATUS FROM TASKS WHERE TASK_ID = 2").toString(),
              "INCOMPLETE");
    EXPECT_EQ(SelectedTitle(), "Two");
}

TEST_F(CommandsTest, DeleteAsksWithTheEditedTitleAndNoChangesNothing)
{
    Open();
    Press(1);
    main->txtTitle->setText("Two, edited");
    db.msgBox.Answer(MsgBoxResult::No);
    main->mnuDeleteTask->trigger(); // a right-click would reload the stored title first
    EXPECT_EQ(db.msgBox.prompts, QStringList{"Delete Two, edited?"});
    EXPECT_EQ(Titles().size(), 3);
    EXPECT_EQ(main->txtTitle->text(), "Two, edited"); // not even reloaded

    db.msgBox.Answer(MsgBoxResult::Yes);
    RightClickAndPick(1, "mnuDeleteTask");
    EXPECT_EQ(db.msgBox.prompts.last(), "Delete Two?");
    EXPECT_EQ(Titles(), QStringList({"One", "Three"}));
    EXPECT_EQ(SelectedTitle(), "One");
}

TEST_F(CommandsTest, DueTodayAndTomorrowMoveTasksOffTheShownDay)
{
    db.AddTask(4, "Friday", "", today.addDays(1));
    db.AddTask(5, "Friday too", "", today.addDays(1));
    Open();
    RightClickAndPick(1, "mnuDueToday"); // already today: stays selected
    EXPECT_EQ(SelectedTitle(), "Two");

    RightClickAndPick(1, "mnuDueTomorrow");
    EXPECT_EQ(DueDate(db, 2), today.addDays(1));
    EXPECT_EQ(Titles(), QStringList({"One", "Three"}));
    EXPECT_EQ(SelectedTitle(), "One");

    main->cmdNext->click();
    RightClickAndPick(1, "mnuDueToday");
    EXPECT_EQ(DueDate(db, 4), today);
    EXPECT_FALSE(Titles().contains("Friday"));
    EXPECT_EQ(main->CurrentTaskID, 2); // the first task left on Friday
}

TEST_F(CommandsTest, ProcrastinatingCountsFromTheTasksOwnDate)
{
    db.AddTask(8, "Late by one", "", today.addDays(-3));
    db.AddTask(9, "Late by three", "", today.addDays(-3));
    Open();
    main->DTPicker1->SetText(FormatDateMDY(today.addDays(-3)));
    main->ShowTasks(0);
    EXPECT_EQ(WithoutAccessKeys(main->cmdPastDue->text()), "2 Past Due");
    RightClickAndPick(0, "mnuPro1");
    EXPECT_EQ(DueDate(db, 8), today.addDays(-2)); // still two days overdue
    EXPECT_EQ(SelectedTitle(), "Late by three");
    RightClickAndPick(0, "mnuPro3");
    EXPECT_EQ(DueDate(db, 9), today);
    EXPECT_EQ(WithoutAccessKeys(main->cmdPastDue->text()), "1 Past Due");
    EXPECT_EQ(main->tvwTasks->topLevelItemCount(), 0);
}

TEST_F(CommandsTest, ChooseDueDateOpensBesideTheWindowAndReloadsAfterwards)
{
    Open();
    Press(1);
    QPoint dialogAt;
    qint32 dialogTask = 0;
    const ScopedHook driver(Forms::ModalDriver(), [&](Form& form) {
        auto& dialog = static_cast<frmNewDueDate&>(form);
        dialogAt = dialog.frameGeometry().topLeft();
        dialogTask = dialog.TaskID();
        dialog.close(); // the close box: nothing saved
    });
    db.AddTask(4, "Added meanwhile", "", today);
    RightClickAndPick(1, "mnuNewDueDate");
    EXPECT_EQ(dialogTask, 2);
    EXPECT_EQ(dialogAt, main->frameGeometry().topLeft() + QPoint(33, 33));
    EXPECT_EQ(DueDate(db, 2), today);
    EXPECT_EQ(Titles().size(), 4);
    EXPECT_EQ(SelectedTitle(), "Two");
}

TEST_F(CommandsTest, AFailingCommandReportsAndLeavesTheWindowUsable)
{
    Open();
    db.Exec("DROP TABLE TASKS; CREATE TABLE TASKS (TASK_ID INTEGER PRIMARY KEY)");
    RightClickAndPick(0, "mnuPro2");
    ASSERT_FALSE(db.msgBox.prompts.isEmpty());
    EXPECT_TRUE(db.msgBox.prompts.first().contains("failed")) << db.msgBox.prompts.first();
    EXPECT_TRUE(IsFormLoaded("frmMain"));
}

TEST_F(CommandsTest, AutoStartOptionsAsksThenMakesOrRemovesTheEntry)
{
    QTemporaryDir config;
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    const QString entry = config.path() + "/autostart/Dueboard.desktop";
    Open();
    QAction* command = main->findChild<QAction*>("mnuAutoStart");

    db.msgBox.Answer(MsgBoxResult::Yes);
    command->trigger();
    EXPECT_TRUE(QFile::exists(entry));
    db.msgBox.Answer(MsgBoxResult::No);
    command->trigger();
    EXPECT_FALSE(QFile::exists(entry));
    db.msgBox.Answer(MsgBoxResult::No);
    command->trigger();
    EXPECT_EQ(db.msgBox.prompts,
              QStringList({"Would you like Dueboard to start automatically when Windows starts?",
                           "Auto-Start Enabled",
                           "Would you like Dueboard to start automatically when Windows starts?",
                           "Auto-Start Disabled",
                           "Would you like Dueboard to start automatically when Windows starts?",
                           "Auto-Start Disabled"}));
    if (saved.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", saved);
}

// A failure is never reported as success: the person reads why, and nothing was written.
TEST_F(CommandsTest, AutoStartThatCannotWorkSaysWhyInsteadOfEnabled)
{
    QTemporaryDir config;
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    Open();
    App::SetPath(db.Dir() + "/100%");

    db.msgBox.Answer(MsgBoxResult::Yes);
    main->findChild<QAction*>("mnuAutoStart")->trigger();
    ASSERT_EQ(db.msgBox.prompts.size(), 2);
    EXPECT_TRUE(
        db.msgBox.prompts[1].startsWith("Auto-Start Options failed:\rCannot make the log-on entry"))
        << qPrintable(db.msgBox.prompts[1]);
    EXPECT_TRUE(db.msgBox.prompts[1].contains(db.Dir() + "/100%/dueboard"))
        << qPrintable(db.msgBox.prompts[1]);
    EXPECT_FALSE(QFileInfo::exists(config.path() + "/autostart"));
    App::SetPath(db.Dir());
    if (saved.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", saved);
}

// The task's own rule is checked; a rule made elsewhere shows in words, or as "Other", checked
// and disabled, when it cannot be reckoned; the row says how it repeats.
TEST_F(CommandsTest, TheRepeatMenuShowsTheTasksRuleAndTheRowSaysIt)
{
    db.Exec("INSERT INTO TASK_REPEATS (TASK_ID, RRULE) VALUES "
            "(1, 'FREQ=MONTHLY;BYMONTHDAY=31,-1;BYSETPOS=1'), "
            "(2, 'FREQ=WEEKLY;INTERVAL=2;BYDAY=MO'), (3, 'FREQ=WEEKLY;BYHOUR=9')");
    Open();
    const struct {
        int row;
        int checked; // the preset checked, -1 for the extra item
        QString other;
        bool otherEnabled;
        QString tip;
    } cases[] = {
        {0, 3, "", false, "Repeats every month on the 31st or the month's last day"},
        {1, -1, "Every 2 weeks on Monday", true, "Repeats every 2 weeks on Monday"},
        {2, -1, "&Other", false, "Repeats by a rule of its own"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        RightClickAndPick(c.row);
        RepeatMenu& repeat = *main->mnuRepeat;
        for (int i = 0; i < repeat.Presets.size(); ++i)
            EXPECT_EQ(repeat.Presets[i]->isChecked(), i == c.checked) << i;
        EXPECT_EQ(repeat.Other->isVisible(), c.checked < 0);
        if (c.checked < 0) {
            EXPECT_TRUE(repeat.Other->isChecked());
            EXPECT_EQ(repeat.Other->text(), c.other);
            EXPECT_EQ(repeat.Other->isEnabled(), c.otherEnabled);
        }
        EXPECT_EQ(main->tvwTasks->topLevelItem(c.row)->toolTip(0), c.tip);
    }
    EXPECT_EQ(main->tvwTasks->topLevelItem(1)->data(0, Qt::AccessibleTextRole).toString(),
              "Two, open, repeats every 2 weeks on Monday");

    RightClickAndPick(0, "mnuRepeatNever");
    EXPECT_FALSE(GetTaskRepeat(1));
    EXPECT_EQ(main->tvwTasks->topLevelItem(0)->toolTip(0), "");
    RightClickAndPick(1, "mnuRepeatYearly");
    EXPECT_EQ(GetTaskRepeat(2)->rrule, "FREQ=YEARLY");
    EXPECT_EQ(SelectedTitle(), "Two") << "the window reloads as the date commands do";
}

// "Mark Complete" on a repeating task completes it and brings the next one on its day.
TEST_F(CommandsTest, MarkCompleteOnARepeatingTaskMakesTheNextOne)
{
    db.Exec("INSERT INTO sysIDS VALUES ('TASK', 3)");
    Open();
    RightClickAndPick(1, "mnuRepeatWeekly");
    EXPECT_EQ(GetTaskRepeat(2)->rrule, "FREQ=WEEKLY");
    RightClickAndPick(1, "mnuMarkComplete");
    EXPECT_EQ(GetTaskStatus(2), "COMPLETE");
    EXPECT_EQ(GetTaskStatus(4), "INCOMPLETE");
    EXPECT_EQ(GetTaskDate(4), GetTaskDate(2).addDays(7));
    EXPECT_EQ(GetTaskRepeat(4)->rrule, "FREQ=WEEKLY");
    EXPECT_EQ(RightClickAndPick(1), QStringList({"mnuMarkIncomplete", "mnuDeleteTask", "mnuA"}))
        << "a completed task offers no Repeat";
}

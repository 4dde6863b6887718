// SPDX-License-Identifier: MIT
// Repeating tasks in the store: completing one makes the next in one transaction, the side
// table comes and goes with its tasks.
#include "store/repeats.h"
#include "support/qtprint.h"
#include "support/tempdb.h"

#include <gtest/gtest.h>

namespace
{

struct CompleteCase {
    const char* what;
    QString rule;
    QDate due;
    QString status;
    QDate next; // invalid: no new task
    QString movedRule;
};

class CompleteTaskTest : public ::testing::TestWithParam<CompleteCase>
{
protected:
    TempDb db;
};

TEST_P(CompleteTaskTest, CompletesAndMakesTheNextOne)
{
    const CompleteCase& c = GetParam();
    db.Exec("INSERT INTO sysIDS VALUES ('TASK', 7)");
    db.AddTask(7, "Pay rent", "to the landlord", c.due, c.status);
    if (!c.rule.isEmpty())
        SetTaskRepeat(7, c.rule);

    ASSERT_TRUE(CompleteTask(7)) << c.what << db.msgBox.prompts.join(";").replace(QChar(13), " ");
    EXPECT_TRUE(db.msgBox.prompts.isEmpty()) << c.what;
    EXPECT_EQ(GetTaskStatus(7), "COMPLETE") << c.what;
    EXPECT_EQ(GetTaskDate(7), c.due) << c.what << ": the completed one stays on its day";
    if (!c.next.isValid()) {
        EXPECT_EQ(db.Scalar("SELECT count(*) FROM TASKS").toInt(), 1) << c.what;
        return;
    }
    EXPECT_EQ(db.Scalar("SELECT TASK_TITLE || '|' || DESCRIPTION || '|' || TASK_DATE || '|' || "
                        "TASK_STATUS FROM TASKS WHERE TASK_ID = 8")
                  .toString(),
              "Pay rent|to the landlord|" + c.next.toString(Qt::ISODate) + "|" + c.status)
        << c.what;
    EXPECT_FALSE(GetTaskRepeat(7)) << c.what << ": the rule moved on";
    const auto moved = GetTaskRepeat(8);
    ASSERT_TRUE(moved) << c.what;
    EXPECT_EQ(moved->rrule, c.movedRule) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CompleteTaskTest,
    ::testing::Values(
        CompleteCase{
            "weekly", "FREQ=WEEKLY", {2026, 3, 5}, "INCOMPLETE", {2026, 3, 12}, "FREQ=WEEKLY"},
        CompleteCase{"special stays special",
                     "FREQ=DAILY",
                     {2026, 3, 5},
                     "SPECIAL",
                     {2026, 3, 6},
                     "FREQ=DAILY"},
        CompleteCase{"31st into April",
                     "FREQ=MONTHLY;BYMONTHDAY=31,-1;BYSETPOS=1",
                     {2026, 3, 31},
                     "INCOMPLETE",
                     {2026, 4, 30},
                     "FREQ=MONTHLY;BYMONTHDAY=31,-1;BYSETPOS=1"},
        CompleteCase{"a month late, daily: one task today",
                     "FREQ=DAILY",
                     {2026, 2, 3},
                     "INCOMPLETE",
                     {2026, 3, 5},
                     "FREQ=DAILY"},
        CompleteCase{"COUNT counted down",
                     "FREQ=MONTHLY;COUNT=4",
                     {2026, 3, 5},
                     "INCOMPLETE",
                     {2026, 4, 5},
                     "FREQ=MONTHLY;COUNT=3"},
        CompleteCase{
            "the last of COUNT", "FREQ=MONTHLY;COUNT=1", {2026, 3, 5}, "INCOMPLETE", {}, {}},
        CompleteCase{
            "past UNTIL", "FREQ=WEEKLY;UNTIL=20260310", {2026, 3, 5}, "INCOMPLETE", {}, {}},
        CompleteCase{"a rule that cannot be reckoned",
                     "FREQ=WEEKLY;BYHOUR=9",
                     {2026, 3, 5},
                     "INCOMPLETE",
                     {},
                     {}},
        CompleteCase{"no rule", "", {2026, 3, 5}, "INCOMPLETE", {}, {}}));

TEST_F(TempDbTest, ASkippedDayIsPassedOver)
{
    db.Exec("INSERT INTO sysIDS VALUES ('TASK', 1)");
    db.AddTask(1, "Bins", "", TempDb::Today);
    SetTaskRepeat(1, "FREQ=WEEKLY");
    db.Exec("UPDATE TASK_REPEATS SET EXDATE = '20260312' WHERE TASK_ID = 1");
    ASSERT_TRUE(CompleteTask(1));
    EXPECT_EQ(db.Scalar("SELECT TASK_DATE FROM TASKS WHERE TASK_ID = 1").toString(), "2026-03-05");
    EXPECT_EQ(db.Scalar("SELECT TASK_DATE FROM TASKS WHERE TASK_ID <> 1").toString(), "2026-03-19");
}

// A failure anywhere in the transaction leaves the task open, makes nothing, keeps the rule
// where it was and issues no identifier: the new task's row taken meanwhile by another tool,
// and a write refused at the last step.
TEST(CompleteTask, ThatFailsHalfWayChangesNothing)
{
    const char* const failures[] = {
        "INSERT INTO TASKS VALUES (2, 'written by another tool', '', '2026-01-01', 'COMPLETE')",
        "CREATE TRIGGER FAIL BEFORE UPDATE ON TASK_REPEATS BEGIN SELECT RAISE(ABORT, 'disk "
        "full'); END",
    };
    for (const char* failure : failures) {
        TempDb db;
        db.Exec("INSERT INTO sysIDS VALUES ('TASK', 1)");
        db.AddTask(1, "Pay rent", "", TempDb::Today);
        SetTaskRepeat(1, "FREQ=MONTHLY;COUNT=3");
        db.Exec(failure);
        const int tasks = db.Scalar("SELECT count(*) FROM TASKS").toInt();
        EXPECT_FALSE(CompleteTask(1)) << failure;
        ASSERT_EQ(db.msgBox.prompts.size(), 1) << failure;
        EXPECT_TRUE(db.msgBox.prompts[0].startsWith("ERROR:\r")) << failure;
        EXPECT_EQ(GetTaskStatus(1), "INCOMPLETE") << failure;
        EXPECT_EQ(db.Scalar("SELECT count(*) FROM TASKS").toInt(), tasks) << failure;
        EXPECT_EQ(db.Scalar("SELECT VALUE FROM sysIDS").toInt(), 1) << failure;
        ASSERT_TRUE(GetTaskRepeat(1)) << failure;
        EXPECT_EQ(GetTaskRepeat(1)->rrule, "FREQ=MONTHLY;COUNT=3") << failure;
    }
}

TEST_F(TempDbTest, DeletingATaskDeletesItsRepeat)
{
    db.AddTask(1, "a", "", TempDb::Today);
    db.AddTask(2, "b", "", TempDb::Today);
    SetTaskRepeat(1, "FREQ=DAILY");
    SetTaskRepeat(2, "FREQ=WEEKLY");
    ActiveConnection().Execute(Sql::DeleteTask(1));
    EXPECT_EQ(db.Scalar("SELECT group_concat(TASK_ID) FROM TASK_REPEATS").toString(), "2");
    SetTaskRepeat(2, "");
    EXPECT_EQ(db.Scalar("SELECT count(*) FROM TASK_REPEATS").toInt(), 0) << "Never ends it";
}

// A database made before repeating tasks: nothing repeats, and the first rule chosen makes
// the table and its trigger.
TEST_F(TempDbTest, AnOlderDatabaseGainsTheTableWithItsFirstRule)
{
    db.Exec("DROP TRIGGER TASK_REPEATS_GONE; DROP TABLE TASK_REPEATS");
    db.AddTask(1, "a", "", TempDb::Today);
    EXPECT_FALSE(GetTaskRepeat(1));
    EXPECT_TRUE(GetDayRepeats(TempDb::Today).isEmpty());
    ASSERT_TRUE(CompleteTask(1));
    SetTaskRepeat(1, "");
    EXPECT_TRUE(db.Scalar("SELECT name FROM sqlite_master WHERE name = 'TASK_REPEATS'").isNull())
        << "choosing Never makes no table";
    SetTaskRepeat(1, "FREQ=YEARLY");
    EXPECT_EQ(GetTaskRepeat(1)->rrule, "FREQ=YEARLY");
    EXPECT_EQ(GetDayRepeats(TempDb::Today).value(1), "FREQ=YEARLY");
    ActiveConnection().Execute(Sql::DeleteTask(1));
    EXPECT_EQ(db.Scalar("SELECT count(*) FROM TASK_REPEATS").toInt(), 0);
}

} // namespace

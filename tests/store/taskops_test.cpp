// SPDX-License-Identifier: MIT
// The task operations on a real database file.
#include "store/appfunctions.h"
#include "support/tempdb.h"

#include <gtest/gtest.h>

namespace
{

const QDate Yesterday = TempDb::Today.addDays(-1);

TEST_F(TempDbTest, GetNextIDCreatesTheCounterThenCounts)
{
    EXPECT_EQ(GetNextID("TASK"), 1);
    EXPECT_EQ(db.Scalar("SELECT VALUE FROM sysIDS WHERE CODE = 'TASK'").toInt(), 1);
    EXPECT_EQ(GetNextID("TASK"), 2);
    EXPECT_EQ(db.Scalar("SELECT VALUE FROM sysIDS WHERE CODE = 'TASK'").toInt(), 2);
    EXPECT_EQ(GetNextID("OTHER"), 1);
    EXPECT_EQ(db.Scalar("SELECT count(*) FROM sysIDS").toInt(), 2);
}

TEST_F(TempDbTest, GetNextIDAtTheLimitOverflowsAndWritesNothing)
{
    db.Exec("INSERT INTO sysIDS VALUES ('TASK', 2147483646)");
    EXPECT_EQ(GetNextID("TASK"), 2147483647);
    try {
        GetNextID("TASK");
        ADD_FAILURE() << "issued an identifier beyond the 32-bit range";
    } catch (const adodb::DbError& e) {
        EXPECT_TRUE(e.Description().startsWith(db.File() + ": Overflow")) << e.what();
    }
    EXPECT_EQ(db.Scalar("SELECT VALUE FROM sysIDS").toLongLong(), 2147483647);
}

TEST_F(TempDbTest, StatusIsReadAndSet)
{
    db.AddTask(1, "a", "", TempDb::Today);
    EXPECT_EQ(GetTaskStatus(1), "INCOMPLETE");
    EXPECT_TRUE(SetTaskStatus(1, TaskStatus::SPECIAL));
    EXPECT_EQ(GetTaskStatus(1), "SPECIAL");
    EXPECT_TRUE(SetTaskStatus(2, TaskStatus::COMPLETE)) << "no such task is no error";
    EXPECT_EQ(GetTaskStatus(2), "");
    EXPECT_TRUE(db.msgBox.prompts.isEmpty());
}

TEST_F(TempDbTest, DateIsReadAndSetFromDateText)
{
    db.AddTask(1, "a", "", QDate(2026, 1, 15));
    EXPECT_EQ(GetTaskDate(1), QDate(2026, 1, 15));
    EXPECT_TRUE(SetTaskDate(1, "12/1/2026"));
    EXPECT_EQ(GetTaskDate(1), QDate(2026, 12, 1));
    EXPECT_EQ(db.Scalar("SELECT TASK_DATE FROM TASKS").toString(), "2026-12-01");
    EXPECT_EQ(GetTaskDate(99), TempDb::Today) << "a missing task reads as due today";
    EXPECT_TRUE(db.msgBox.prompts.isEmpty());
}

TEST_F(TempDbTest, FailedSettersShowTheErrorAndChangeNothing)
{
    db.AddTask(1, "a", "", QDate(2026, 1, 15));
    EXPECT_FALSE(SetTaskDate(1, "not a date"));
    EXPECT_FALSE(SetTaskDate(1, "1/1/2026# , TASK_TITLE = 'x"));
    ASSERT_EQ(db.msgBox.prompts.size(), 2);
    EXPECT_EQ(db.msgBox.prompts[0],
              "ERROR:\r" + db.File() + ": \"not a date\" is not a date; the task keeps its date");
    EXPECT_EQ(GetTaskDate(1), QDate(2026, 1, 15));
    EXPECT_EQ(db.Scalar("SELECT TASK_TITLE FROM TASKS").toString(), "a");

    gConnection->Close();
    EXPECT_FALSE(SetTaskStatus(1, TaskStatus::COMPLETE));
    EXPECT_FALSE(SetTaskDate(1, "3/5/2026"));
    ASSERT_EQ(db.msgBox.prompts.size(), 4);
    EXPECT_TRUE(db.msgBox.prompts[2].startsWith("ERROR:\r")) << qPrintable(db.msgBox.prompts[2]);
    EXPECT_TRUE(db.msgBox.prompts[2].contains("not open"));
    EXPECT_EQ(db.Scalar("SELECT TASK_STATUS FROM TASKS").toString(), "INCOMPLETE");
}

TEST_F(TempDbTest, PastDueCountsOpenTasksStrictlyBeforeToday)
{
    EXPECT_EQ(CountPastDueTasks(), 0);
    db.AddTask(1, "today", "", TempDb::Today);
    db.AddTask(2, "tomorrow", "", TempDb::Today.addDays(1));
    db.AddTask(3, "done long ago", "", QDate(2019, 6, 1), "COMPLETE");
    EXPECT_EQ(CountPastDueTasks(), 0);
    db.AddTask(4, "special", "", Yesterday, "SPECIAL");
    db.AddTask(5, "last year", "", QDate(2025, 12, 31));
    db.AddTask(6, "done yesterday", "", Yesterday, "COMPLETE");
    EXPECT_EQ(CountPastDueTasks(), 2);
}

TEST_F(TempDbTest, ProcrastinateMovesFromTheStoredDate)
{
    db.AddTask(1, "feb", "", QDate(2026, 2, 28));
    db.AddTask(2, "late", "", TempDb::Today.addDays(-10));
    db.AddTask(3, "year end", "", QDate(2026, 12, 30));
    ProcrastinateTask(1, 7);
    ProcrastinateTask(2, 1);
    ProcrastinateTask(3, 3);
    ProcrastinateTask(99, 1);
    EXPECT_EQ(GetTaskDate(1), QDate(2026, 3, 7));
    EXPECT_EQ(GetTaskDate(2), TempDb::Today.addDays(-9));
    EXPECT_EQ(GetTaskDate(3), QDate(2027, 1, 2));
    EXPECT_EQ(CountPastDueTasks(), 1);
    EXPECT_EQ(db.Scalar("SELECT count(*) FROM TASKS").toInt(), 3);
}

TEST_F(TempDbTest, ProcrastinateLeavesATaskWithoutADateAlone)
{
    db.DropDateChecks();
    db.AddTask(1, "undated", "", QDate());
    ProcrastinateTask(1, 1);
    EXPECT_TRUE(db.Scalar("SELECT TASK_DATE FROM TASKS").isNull());
}

TEST(TaskOperations, FailWithoutAConnection)
{
    TempDb db(TempDb::Connect::Closed);
    EXPECT_THROW(GetNextID("TASK"), adodb::DbError);
    EXPECT_THROW(CountPastDueTasks(), adodb::DbError);
    EXPECT_THROW(ProcrastinateTask(1, 1), adodb::DbError);
    EXPECT_FALSE(SetTaskStatus(1, TaskStatus::COMPLETE));
    EXPECT_EQ(db.msgBox.prompts.size(), 1);
}

} // namespace

// SPDX-License-Identifier: MIT
// What a new day holds, read with or without the main window's connection, and its text.
#include "reminders/duetasks.h"
#include "support/qtprint.h"
#include "support/tempdb.h"

#include <QFile>
#include <gtest/gtest.h>

namespace
{

const QDate today = TempDb::Today;

void AddDay(const TempDb& db)
{
    db.AddTask(1, "Today's first", "", today);
    db.AddTask(2, "Done today", "", today, TaskStatus::COMPLETE);
    db.AddTask(3, "Today's special", "", today, TaskStatus::SPECIAL);
    db.AddTask(4, "Late", "", today.addDays(-1));
    db.AddTask(5, "Latest  of\nall", "", today.addDays(-9));
    db.AddTask(6, "Done late", "", today.addDays(-2), TaskStatus::COMPLETE);
    db.AddTask(7, "Tomorrow's", "", today.addDays(1));
}

// While the main window is unloaded the program holds no connection: the count opens one for
// reading and lets it go. A file the program may not write is still read.
TEST(DueTasks, WithoutTheMainWindowAReadOnlyConnectionOfItsOwn)
{
    TempDb db(TempDb::Connect::Closed);
    AddDay(db);
    QFile::setPermissions(db.File(), QFile::ReadOwner);
    const DueTasks due = ReadDueTasks(today);
    EXPECT_EQ(due.today, 2);
    EXPECT_EQ(due.pastDue, 2);
    EXPECT_EQ(due.titles, QStringList({"Today's first", "Today's special", "Latest of all"}));
    EXPECT_TRUE(due.Any());
    EXPECT_EQ(gConnection, nullptr);
}

TEST_F(TempDbTest, DueTasksReadThroughTheMainWindowsConnection)
{
    AddDay(db);
    const DueTasks due = ReadDueTasks(today.addDays(1));
    EXPECT_EQ(due.today, 1);
    EXPECT_EQ(due.pastDue, 4);
    EXPECT_EQ(due.titles, QStringList({"Tomorrow's", "Latest of all", "Late"}));
    ASSERT_NE(gConnection, nullptr);
    EXPECT_TRUE(gConnection->IsOpen());
}

TEST(DueTasks, NothingDueIsNothing)
{
    TempDb db(TempDb::Connect::Closed);
    db.AddTask(1, "Done", "", today, TaskStatus::COMPLETE);
    db.AddTask(2, "Later", "", today.addDays(3));
    const DueTasks due = ReadDueTasks(today);
    EXPECT_FALSE(due.Any());
    EXPECT_TRUE(due.titles.isEmpty());
}

TEST(DueTasks, AMissingDatabaseIsAnErrorNamingIt)
{
    TempDb db(TempDb::Connect::Closed);
    QFile::remove(db.File());
    try {
        ReadDueTasks(today);
        ADD_FAILURE() << "read a missing file";
    } catch (const adodb::DbError& e) {
        EXPECT_TRUE(e.Description().startsWith(db.File())) << e.what();
    }
    EXPECT_FALSE(QFile::exists(db.File()));
}

TEST(DueTasks, TheBodyCountsThenNamesAndIsEscapedForMarkup)
{
    const DueTasks due{1, 2, {"Pay <rent> & \"fees\"", "Call", "File"}};
    EXPECT_EQ(NotificationBody(due, false),
              "1 task due today, 2 past due\nPay <rent> & \"fees\"\nCall\nFile");
    EXPECT_EQ(NotificationBody(due, true), "1 task due today, 2 past due\n"
                                           "Pay &lt;rent&gt; &amp; &quot;fees&quot;\nCall\nFile");
    EXPECT_EQ(NotificationBody({0, 3, {"Late"}}, true), "0 tasks due today, 3 past due\nLate");
}

} // namespace

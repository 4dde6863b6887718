// SPDX-License-Identifier: MIT
// dueboard-sync export and import, run as the person runs them.
#include "support/tempdb.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

struct ToolRun {
    int status;
    QString out;
    QString err;
};

ToolRun syncTool(const TempDb& db, const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(DUEBOARD_SYNC), QStringList{"--database", db.File()} + args);
    p.waitForFinished(30000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

void writeFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

class FilesTest : public ::testing::Test
{
protected:
    TempDb here{TempDb::Connect::Closed};
    TempDb there{TempDb::Connect::Closed};
    QTemporaryDir dir;
    QString ics(const char* name) const { return dir.filePath(QLatin1String(name)); }
};

TEST_F(FilesTest, ExportedTasksImportOnceWithIdentifiersFromTheCounter)
{
    here.AddTask(1, "Buy milk", "2 litres", QDate(2026, 3, 5));
    here.AddTask(2, "Pay rent", "", QDate(2026, 3, 1), TaskStatus::SPECIAL);
    here.AddTask(3, "Filed", "", QDate(2026, 3, 2), TaskStatus::COMPLETE);
    ToolRun r = syncTool(here, {"export", ics("out.ics")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Exported 3 tasks")) << r.out.toStdString();

    there.Exec("INSERT INTO sysIDS VALUES ('TASK', 41)");
    r = syncTool(there, {"import", ics("out.ics")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("3 added")) << r.out.toStdString();
    r = syncTool(there, {"import", ics("out.ics")});
    EXPECT_TRUE(r.out.contains("0 added, 0 changed, 3 unchanged")) << r.out.toStdString();
    EXPECT_EQ(there.Scalar("SELECT count(*) FROM TASKS").toInt(), 3);
    EXPECT_EQ(there.Scalar("SELECT VALUE FROM sysIDS").toInt(), 44);
    EXPECT_EQ(there.Scalar("SELECT TASK_STATUS FROM TASKS WHERE TASK_TITLE = 'Pay rent'"),
              "SPECIAL");
    EXPECT_EQ(there.Scalar("SELECT TASK_DATE || TASK_STATUS FROM TASKS WHERE TASK_ID = 42 + "
                           "(SELECT count(*) FROM TASKS WHERE TASK_TITLE < 'Buy milk')"),
              "2026-03-05INCOMPLETE");

    // The same tasks exported again from the other side are known by their UIDs.
    r = syncTool(there, {"export", ics("back.ics")});
    r = syncTool(here, {"import", ics("back.ics")});
    EXPECT_TRUE(r.out.contains("0 added")) << r.out.toStdString();
    EXPECT_EQ(here.Scalar("SELECT count(*) FROM TASKS").toInt(), 3);
}

TEST_F(FilesTest, AChangedFileChangesTheTaskAndAnUnreadableToDoIsSkipped)
{
    writeFile(ics("a.ics"), "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Phone//EN\r\n"
                            "BEGIN:VTODO\r\nUID:a1\r\nSUMMARY:Water plants\r\n"
                            "DUE;VALUE=DATE:20260305\r\nX-PHONE-ONLY:keep me\r\nEND:VTODO\r\n"
                            "BEGIN:VTODO\r\nUID:a2\r\nSUMMARY:Someday\r\nEND:VTODO\r\n"
                            "BEGIN:VTODO\r\nUID:a3\r\nDUE:soon\r\nEND:VTODO\r\n"
                            "END:VCALENDAR\r\n");
    ToolRun r = syncTool(here, {"import", ics("a.ics")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("skipped the to-do a3")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("2 added")) << r.out.toStdString();
    // A to-do with no due date is placed on the day it arrives.
    EXPECT_EQ(here.Scalar("SELECT TASK_DATE FROM TASKS WHERE TASK_TITLE = 'Someday'"),
              QDate::currentDate().toString(Qt::ISODate));

    writeFile(ics("b.ics"), "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Phone//EN\r\n"
                            "BEGIN:VTODO\r\nUID:a1\r\nSUMMARY:Water the plants\r\n"
                            "DUE;VALUE=DATE:20260305\r\nSTATUS:COMPLETED\r\n"
                            "X-PHONE-ONLY:keep me\r\nEND:VTODO\r\nEND:VCALENDAR\r\n");
    r = syncTool(here, {"import", ics("b.ics")});
    EXPECT_TRUE(r.out.contains("0 added, 1 changed")) << r.out.toStdString();
    EXPECT_EQ(here.Scalar("SELECT TASK_TITLE || '/' || TASK_STATUS FROM TASKS WHERE TASK_DATE = "
                          "'2026-03-05'"),
              "Water the plants/COMPLETE");

    // Written back out: the other program's property is still there, and the undated to-do
    // still has no due date.
    r = syncTool(here, {"export", ics("c.ics")});
    QFile out(ics("c.ics"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    const QByteArray text = out.readAll();
    EXPECT_TRUE(text.contains("X-PHONE-ONLY:keep me")) << text.constData();
    EXPECT_EQ(text.count("DUE"), 1) << text.constData();
}

TEST_F(FilesTest, NotADueboardDatabaseIsRefusedAndNothingIsWritten)
{
    writeFile(ics("x.ics"), "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n");
    writeFile(here.File(), "random bytes, not a database at all, long enough to be read......."
                           ".....................................................");
    const ToolRun r = syncTool(here, {"import", ics("x.ics")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(here.File())) << r.err.toStdString();
    EXPECT_EQ(syncTool(here, {"import"}).status, 2);
}

TEST_F(FilesTest, PlainHttpToAnotherMachineIsRefusedBeforeAnyPasswordIsAskedFor)
{
    const ToolRun r = syncTool(here, {"setup", "http://dav.example.org/ann/tasks/", "ann"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("unencrypted")) << r.err.toStdString();
    EXPECT_TRUE(syncTool(here, {"setup", "ftp://127.0.0.1/tasks/", "ann"}).err.contains("https"));
    EXPECT_EQ(here.Scalar("SELECT count(*) FROM SYNC_STATE").toInt(), 0);
}

} // namespace

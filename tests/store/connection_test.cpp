// SPDX-License-Identifier: MIT
// The connection and recordsets: what they refuse to open, and what they read and write.
#include "store/adodb.h"
#include "store/appfunctions.h"
#include "store/dbformat.h"
#include "support/tempdb.h"

#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>
#include <sqlite3.h>

using adodb::Connection;
using adodb::DbError;
using adodb::Recordset;

namespace
{

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Opening fails with an error naming the file and the cause, and leaves the file as it was.
void expectRefused(const TempDb& db, const char* cause)
{
    const QByteArray before = readAll(db.File());
    Connection c;
    try {
        c.Open(ConnectionString());
        ADD_FAILURE() << "opened a file it should refuse (" << cause << ")";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.Description().startsWith(db.File())) << e.what();
        EXPECT_TRUE(e.Description().contains(cause, Qt::CaseInsensitive)) << e.what();
    }
    EXPECT_FALSE(c.IsOpen());
    EXPECT_EQ(readAll(db.File()), before);
}

QByteArray jetHeader(const char* format)
{
    QByteArray bytes("\x00\x01\x00\x00", 4);
    bytes += format;
    bytes.resize(4096, '\0');
    return bytes;
}

TEST(ConnectionOpen, RefusesFilesThatAreNotOurs)
{
    TempDb db(TempDb::Connect::Closed);
    const QByteArray ours = readAll(db.File());

    writeAll(db.File(), jetHeader("Standard Jet DB"));
    expectRefused(db, "Microsoft Access (Jet)");
    writeAll(db.File(), jetHeader("Standard ACE DB"));
    expectRefused(db, "Microsoft Access (Jet)");
    QByteArray noise(8192, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919 + 13) % 251);
    writeAll(db.File(), noise);
    expectRefused(db, "not a database file");
    writeAll(db.File(), {});
    expectRefused(db, "not a database file");

    writeAll(db.File(), ours);
    db.Exec("PRAGMA application_id = 0");
    expectRefused(db, "not a Dueboard database");
    db.Exec(QStringLiteral("PRAGMA application_id = %1; DROP TABLE sysIDS")
                .arg(DbFormat::ApplicationId));
    expectRefused(db, "no table sysIDS");
}

TEST(ConnectionOpen, RefusesMissingAndReadOnlyFiles)
{
    TempDb db(TempDb::Connect::Closed);
    QFile::setPermissions(db.File(), QFile::ReadOwner | QFile::ReadGroup);
    expectRefused(db, "read-only");
    QFile::remove(db.File());
    Connection c;
    try {
        c.Open(ConnectionString());
        ADD_FAILURE() << "opened a missing file";
    } catch (const DbError& e) {
        EXPECT_EQ(e.Description(), db.File() + ": the database file does not exist");
    }
    EXPECT_FALSE(QFile::exists(db.File())) << "the store must never create the database";
}

// SQLite writes its journal files beside the database, so a folder that takes no new files
// leaves even a writable database unwritable; the message says where and why.
TEST(ConnectionOpen, RefusesAReadOnlyFolderNamingItAndTheCause)
{
    TempDb db(TempDb::Connect::Closed);
    QFile::setPermissions(db.Dir(), QFile::ReadOwner | QFile::ExeOwner);
    Connection c;
    try {
        c.Open(ConnectionString());
        ADD_FAILURE() << "opened a database in a read-only folder";
    } catch (const DbError& e) {
        EXPECT_EQ(e.Description(),
                  db.File() + ": the folder " + db.Dir() +
                      " is read-only, and the database needs to create its journal files "
                      "(Dueboard.mdb-wal, Dueboard.mdb-shm) beside it");
    }
    EXPECT_FALSE(c.IsOpen());
    QFile::setPermissions(db.Dir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_NO_THROW(c.Open(ConnectionString()));
}

// Reading needs no leave to write, and a connection for reading writes nothing.
TEST(ConnectionOpen, ReadModeReadsAReadOnlyFileAndWritesNothing)
{
    TempDb db(TempDb::Connect::Closed);
    db.AddTask(1, "a", "", TempDb::Today);
    QFile::setPermissions(db.File(), QFile::ReadOwner);
    Connection c;
    c.Mode = adodb::adModeRead;
    ASSERT_NO_THROW(c.Open(ConnectionString()));
    Recordset rs;
    rs.Open(Sql::SelectTask(1), c);
    EXPECT_EQ(rs.Fields("TASK_TITLE").Value().toString(), "a");
    rs.Close();
    try {
        c.Execute(Sql::DeleteTask(1));
        ADD_FAILURE() << "a connection for reading wrote";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.Description().contains("readonly")) << e.what();
    }
    c.Close();
    QFile::setPermissions(db.File(), QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(db.Scalar("SELECT count(*) FROM TASKS").toInt(), 1);
}

TEST_F(TempDbTest, ReopeningWorksOnTheNewConnectionAndWritesAreDurable)
{
    db.AddTask(1, "a", "", TempDb::Today);
    gConnection->Close();
    EXPECT_THROW(GetTaskStatus(1), DbError);
    gConnection = std::make_unique<Connection>();
    gConnection->Open(ConnectionString());
    EXPECT_EQ(GetTaskStatus(1), "INCOMPLETE");

    Recordset rs;
    rs.Open("PRAGMA synchronous", *gConnection);
    EXPECT_EQ(rs.Fields("synchronous").Value().toInt(), 2) << "FULL";
    EXPECT_EQ(db.Scalar("PRAGMA journal_mode").toString(), "wal");
}

TEST_F(TempDbTest, LockedFileWaitsThenFailsClearlyAndChangesNothing)
{
    db.AddTask(1, "a", "", TempDb::Today);
    adodb::SetBusyTimeout(300);
    gConnection = std::make_unique<Connection>();
    gConnection->Open(ConnectionString());
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(db.File()).constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

    QElapsedTimer waited;
    waited.start();
    EXPECT_FALSE(SetTaskStatus(1, "COMPLETE"));
    EXPECT_GE(waited.elapsed(), 250);
    EXPECT_THROW(GetNextID("TASK"), DbError);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    adodb::SetBusyTimeout(3000);

    ASSERT_EQ(db.msgBox.prompts.size(), 1);
    EXPECT_EQ(db.msgBox.prompts[0],
              "ERROR:\r" + db.File() + ": database is locked (another program is using the file)");
    EXPECT_EQ(GetTaskStatus(1), "INCOMPLETE");
    EXPECT_TRUE(db.Scalar("SELECT count(*) FROM sysIDS").toInt() == 0);
}

TEST_F(TempDbTest, DateComparisonsAreCalendarComparisons)
{
    db.AddTask(1, "new year's eve", "", QDate(2025, 12, 31), "SPECIAL");
    db.AddTask(2, "february", "", QDate(2026, 2, 1));
    db.AddTask(3, "january", "", QDate(2026, 1, 10));
    db.AddTask(4, "today", "", TempDb::Today);
    db.AddTask(5, "done", "", QDate(2020, 1, 1), "COMPLETE");

    Recordset rs;
    rs.CursorLocation = adodb::adUseClient;
    rs.Open(Sql::SelectPastDue(TempDb::Today), *gConnection);
    QList<int> ids;
    for (; !rs.Eof(); rs.MoveNext()) {
        ids << rs.Fields("TASK_ID").Value().toInt();
        EXPECT_EQ(rs.Fields("TASK_DATE").Value().typeId(), QMetaType::QDate);
    }
    EXPECT_EQ(ids, QList<int>({1, 3, 2}));
    rs.Close();

    rs.Open(Sql::SelectDay(QDate(2026, 1, 10)), *gConnection);
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs.Fields("task_title").Value().toString(), "january");
    EXPECT_EQ(rs.Fields("TASK_DATE").Value().toDate(), QDate(2026, 1, 10));
    rs.MoveNext();
    EXPECT_TRUE(rs.Eof());
}

// Fields not yet read when the recordset reads ahead (here an Update with nothing to write,
// which reads the whole result first) keep their values.
TEST_F(TempDbTest, FieldsReadAfterTheRecordsetReadAheadKeepTheirValues)
{
    db.AddTask(1, "first", "one", QDate(2026, 1, 1));
    db.AddTask(2, "second", "two", QDate(2026, 1, 2), "SPECIAL");

    Recordset rs;
    rs.Open(Sql::SelectPastDue(TempDb::Today), *gConnection);
    EXPECT_EQ(rs.Fields("TASK_ID").Value().toInt(), 1);
    rs.Update();
    EXPECT_EQ(rs.Fields("TASK_TITLE").Value().toString(), "first");
    EXPECT_EQ(rs.Fields("DESCRIPTION").Value().toString(), "one");
    rs.MoveNext();
    EXPECT_EQ(rs.Fields("TASK_TITLE").Value().toString(), "second");
    EXPECT_EQ(rs.Fields("TASK_DATE").Value().toDate(), QDate(2026, 1, 2));
    EXPECT_EQ(rs.Fields("TASK_STATUS").Value().toString(), "SPECIAL");
    rs.MoveNext();
    EXPECT_TRUE(rs.Eof());
}

TEST_F(TempDbTest, TextRoundTripsUnchanged)
{
    const QString texts[] = {
        "it's \"quoted\" #3/5/2026# -- not a comment; DROP TABLE TASKS",
        "line one\nline two\r\n\ttabbed",
        QString::fromUtf8("日本語 עברית العربية 🎉👍🏽 Ünïcödé"),
        QString(1 << 20, QChar(u'é')),
    };
    for (const QString& text : texts) {
        Recordset rs;
        rs.Open(Sql::SelectTask(9), *gConnection);
        if (rs.Eof()) {
            rs.AddNew();
            rs.Fields("TASK_ID") = 9;
            rs.Fields("TASK_DATE") = TempDb::Today;
            rs.Fields("TASK_STATUS") = TaskStatus::INCOMPLETE;
        }
        rs.Fields("TASK_TITLE") = text;
        rs.Fields("DESCRIPTION") = text;
        rs.Update();
        rs.Close();

        rs.Open(Sql::SelectTask(9), *gConnection);
        EXPECT_EQ(rs.Fields("TASK_TITLE").Value().toString(), text);
        EXPECT_EQ(rs.Fields("DESCRIPTION").Value().toString(), text);
        EXPECT_EQ(db.Scalar("SELECT DESCRIPTION FROM TASKS WHERE TASK_ID = 9").toString(), text);
    }
    EXPECT_EQ(db.Scalar("SELECT count(*) FROM TASKS").toInt(), 1);
}

TEST_F(TempDbTest, RecordsetWritesDatesFromDatesOrDateText)
{
    db.AddTask(1, "a", "", TempDb::Today);
    Recordset rs;
    rs.Open(Sql::SelectTask(1), *gConnection);
    rs.Fields("TASK_DATE") = "3/7/2026";
    rs.Update();
    EXPECT_EQ(rs.Fields("TASK_DATE").Value().toDate(), QDate(2026, 3, 7));
    EXPECT_EQ(db.Scalar("SELECT TASK_DATE FROM TASKS").toString(), "2026-03-07");
    EXPECT_THROW(rs.Fields("TASK_DATE") = "7.3.2026", DbError);
    rs.Fields("TASK_DATE") = QDate(2027, 1, 31);
    rs.Update();
    EXPECT_EQ(db.Scalar("SELECT TASK_DATE FROM TASKS").toString(), "2027-01-31");
}

TEST_F(TempDbTest, RecordsetMisuseIsAnErrorNotACrash)
{
    db.AddTask(1, "a", "", TempDb::Today);
    Recordset rs;
    rs.Open(Sql::SelectStatus(1), *gConnection);
    EXPECT_THROW(rs.Fields("TASK_STATUS") = "COMPLETE", DbError) << "not a SELECT *";
    EXPECT_THROW(rs.Fields("NO_SUCH_COLUMN"), DbError);
    rs.MoveNext();
    EXPECT_THROW(rs.Fields("TASK_STATUS").Value(), DbError);
    EXPECT_THROW(rs.MoveNext(), DbError);
    rs.Close();

    rs.Open(Sql::SelectTask(1), *gConnection);
    db.Exec("DELETE FROM TASKS");
    rs.Fields("TASK_TITLE") = "b";
    EXPECT_THROW(rs.Update(), DbError) << "the row was deleted meanwhile";
    EXPECT_EQ(db.Scalar("SELECT count(*) FROM TASKS").toInt(), 0);

    gConnection.reset();
    EXPECT_THROW(rs.Update(), DbError);
    EXPECT_THROW(rs.AddNew(), DbError);
}

TEST_F(TempDbTest, ExecuteRunsOneStatementOnly)
{
    db.AddTask(1, "a", "", TempDb::Today);
    EXPECT_THROW(gConnection->Execute(Sql::DeleteTask(1) + "; DROP TABLE TASKS"), DbError);
    EXPECT_THROW(gConnection->Execute(" SELEKT * FROM TASKS"), DbError);
    EXPECT_EQ(db.Scalar("SELECT count(*) FROM TASKS").toInt(), 1);
    gConnection->Execute(Sql::DeleteTask(1));
    EXPECT_EQ(db.Scalar("SELECT count(*) FROM TASKS").toInt(), 0);
}

} // namespace

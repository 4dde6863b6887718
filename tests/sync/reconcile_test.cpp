// SPDX-License-Identifier: MIT
// What a sync does with one task and its to-do, in the tool's own process: one row per fault
// found when sync was tried as a phone, a hostile file and an interrupted run would try it.
#include "store/adodb.h"
#include "store/appfunctions.h"
#include "support/tempdb.h"
#include "sync/files.h"
#include "sync/reconcile.h"
#include "zone.h"

#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <thread>

namespace
{

QByteArray todo(const QByteArray& uid, const QByteArray& lines,
                const QByteArray& modified = "20260301T120000Z", const QByteArray& extra = {})
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Phone//EN\r\n" + extra +
           "BEGIN:VTODO\r\nUID:" + uid +
           "\r\nDTSTAMP:20260301T120000Z\r\nLAST-MODIFIED:" + modified + "\r\n" + lines +
           "END:VTODO\r\nEND:VCALENDAR\r\n";
}

// A second connection to the file, as the running program has.
class Program
{
public:
    explicit Program(const QString& file) { sqlite3_open(file.toUtf8().constData(), &m_db); }
    ~Program() { sqlite3_close(m_db); }
    void Exec(const char* sql) { ASSERT_EQ(sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr), 0); }

private:
    sqlite3* m_db = nullptr;
};

class Sync
{
public:
    Sync() { open(); }
    void open()
    {
        db.reset();
        db = std::make_unique<SyncDb>(file.File());
    }
    Reconcile::Inbound Apply(const QByteArray& calendar, const QString& href = "/c/a.ics",
                             const QString& etag = "\"1\"")
    {
        const Ical::ReadResult r = Ical::ReadTodo(calendar);
        EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
        return Reconcile::Apply(*db, r.todo, {href, etag, true}, TempDb::Today,
                                [this] { return ++m_id; });
    }
    // The one task, as the program reads it.
    Ical::Fields Task() { return db->Task(m_id).value(); }
    SyncDb::Item Item() { return db->ItemOf(m_id).value(); }
    qint32 Id() const { return m_id; }

    TempDb file{TempDb::Connect::Closed};
    std::unique_ptr<SyncDb> db;

private:
    qint32 m_id = 0;
};

struct Row {
    const char* name;
    std::function<void()> check;
};

class SyncFaultTest : public ::testing::TestWithParam<Row>
{
protected:
    TestZone zone;
};

TEST_P(SyncFaultTest, Holds)
{
    GetParam().check();
}

const Row rows[] = {
    {"Item06_AnEditMadeWhileTheRunMergesIsKept",
     [] {
         Sync s;
         s.Apply(todo("u1", "SUMMARY:Rent\r\nDUE;VALUE=DATE:20260305\r\n"));
         // The program moves the due date while the run merges the phone's new title.
         Program program(s.file.File());
         program.Exec("BEGIN IMMEDIATE");
         program.Exec("UPDATE TASKS SET TASK_DATE = '2026-03-09'");
         std::thread run([&] {
             s.Apply(todo("u1", "SUMMARY:Pay rent\r\nDUE;VALUE=DATE:20260305\r\n"), "/c/a.ics",
                     "\"2\"");
         });
         std::this_thread::sleep_for(std::chrono::milliseconds(300));
         program.Exec("COMMIT");
         run.join();
         EXPECT_EQ(s.Task().due, QDate(2026, 3, 9));
         EXPECT_EQ(s.Task().title, "Pay rent");
     }},
    {"Item06_AnEditMadeWhileTheRunAppliesAServerDeletionBeatsIt",
     [] {
         Sync s;
         s.Apply(todo("u1", "SUMMARY:Rent\r\nDUE;VALUE=DATE:20260305\r\n"));
         const SyncDb::Item listed = s.Item();
         Program program(s.file.File());
         program.Exec("BEGIN IMMEDIATE");
         program.Exec("UPDATE TASKS SET TASK_TITLE = 'Rent, edited'");
         bool deleted = true;
         std::thread run([&] { deleted = Reconcile::GoneThere(*s.db, listed); });
         std::this_thread::sleep_for(std::chrono::milliseconds(300));
         program.Exec("COMMIT");
         run.join();
         EXPECT_FALSE(deleted);
         EXPECT_EQ(s.Task().title, "Rent, edited");
         EXPECT_TRUE(s.Item().href.isEmpty()) << "sent again as new";
     }},
    {"Item07_AReadThatFailsIsNoMissingTask",
     [] {
         Sync s;
         s.Apply(todo("u1", "SUMMARY:Rent\r\n"));
         // Statements that cannot be prepared, as a locked or busy database also refuses them.
         s.file.Exec("ALTER TABLE TASKS RENAME TO TASKS_AWAY; "
                     "ALTER TABLE SYNC_ITEMS RENAME TO SYNC_ITEMS_AWAY");
         EXPECT_THROW(s.db->Task(s.Id()), adodb::DbError);
         EXPECT_THROW(s.db->ItemByUid("u1"), adodb::DbError);
     }},
    {"Item09_EachFieldTakesItsOwnLaterChangeAndTheTimeOfTheChangeIsSent",
     [] {
         Sync s;
         s.Apply(todo("u1", "SUMMARY:Title\r\nDESCRIPTION:Notes\r\n"));
         s.file.Exec("UPDATE TASKS SET TASK_TITLE = 'title here'");
         s.file.Exec("UPDATE TASKS SET DESCRIPTION = 'notes here'");
         const QString titleAt = s.file.Scalar("SELECT TITLE_AT FROM SYNC_ITEMS").toString();
         EXPECT_EQ(titleAt.size(), 24) << "to the millisecond: " << titleAt.toStdString();
         // The title changed here at 11:00, the notes at 13:00; the phone changed both at 12:00.
         s.file.Exec("UPDATE SYNC_ITEMS SET TITLE_AT = '2026-03-01T11:00:00.250Z', "
                     "DESCRIPTION_AT = '2026-03-01T13:00:00.000Z'");
         EXPECT_TRUE(
             Reconcile::Outbound(s.Item(), s.Task()).contains("LAST-MODIFIED:20260301T130000Z"));
         const Reconcile::Inbound in = s.Apply(
             todo("u1", "SUMMARY:title there\r\nDESCRIPTION:notes there\r\n", "20260301T120000Z"),
             "/c/a.ics", "\"2\"");
         EXPECT_EQ(s.Task().title, "title there");
         EXPECT_EQ(s.Task().description, "notes here");
         EXPECT_EQ(in.replaced.size(), 2);
         // At the same second the server's text stays, and that is said.
         s.Apply(todo("u1", "SUMMARY:at noon\r\nDESCRIPTION:notes there\r\n", "20260301T120000Z"),
                 "/c/a.ics", "\"3\"");
         s.file.Exec("UPDATE TASKS SET TASK_TITLE = 'also at noon'");
         s.file.Exec("UPDATE SYNC_ITEMS SET TITLE_AT = '2026-03-01T12:00:10.900Z'");
         const Reconcile::Inbound tie = s.Apply(
             todo("u1", "SUMMARY:noon there\r\nDESCRIPTION:notes there\r\n", "20260301T120010Z"),
             "/c/a.ics", "\"4\"");
         EXPECT_EQ(s.Task().title, "noon there");
         ASSERT_EQ(tie.replaced.size(), 1);
         EXPECT_TRUE(tie.replaced[0].contains("same second")) << tie.replaced[0].toStdString();
     }},
    {"Item09_ASetUpOfAnEarlierVersionMovesOnWithoutASetup",
     [] {
         Sync s;
         s.Apply(todo("u1", "SUMMARY:Title\r\nDESCRIPTION:Notes\r\n"));
         s.db.reset();
         // As an earlier version left it: one change time to the second, no columns for more.
         s.file.Exec("DROP TRIGGER SYNC_TASK_CHANGED; DROP INDEX SYNC_ITEMS_CHANGED;"
                     "CREATE TABLE OLD AS SELECT TASK_ID, UID, HREF, ETAG, SYNCED, PLACED, "
                     "CHANGED FROM SYNC_ITEMS; DROP TABLE SYNC_ITEMS; "
                     "ALTER TABLE OLD RENAME TO SYNC_ITEMS;"
                     "UPDATE TASKS SET DESCRIPTION = 'edited'; "
                     "UPDATE SYNC_ITEMS SET CHANGED = '2026-03-01T12:30:00Z'");
         s.open();
         const SyncDb::Item item = s.Item();
         EXPECT_EQ(item.sent.description, "Notes");
         EXPECT_EQ(item.changed.description, QDateTime(QDate(2026, 3, 1), QTime(12, 30), Qt::UTC));
         EXPECT_FALSE(item.changed.title.isValid());
         s.file.Exec("UPDATE TASKS SET TASK_TITLE = 'new'");
         EXPECT_TRUE(s.Item().changed.title.isValid()) << "the new trigger is there";
     }},
    {"Item10_ChangedOccurrencesOfARecurringToDoAreWrittenBackAsTheyCame",
     [] {
         const QByteArray occurrence = "BEGIN:VTODO\r\nUID:r1\r\nRECURRENCE-ID:20260310T090000Z\r\n"
                                       "SUMMARY:Bins, late this week\r\nEND:VTODO\r\n";
         const QByteArray calendar =
             todo("r1", "SUMMARY:Bins\r\nDTSTART:20260303T090000Z\r\nRRULE:FREQ=WEEKLY\r\n")
                 .replace("END:VCALENDAR", occurrence + "END:VCALENDAR");
         const Ical::ReadResult r = Ical::ReadTodo(calendar);
         Ical::Fields after = r.todo.fields;
         after.title = "Put the bins out";
         const QByteArray text = Ical::WriteTodo(r.todo.text, "r1", r.todo.fields, after);
         EXPECT_TRUE(text.contains("SUMMARY:Put the bins out")) << text.constData();
         EXPECT_TRUE(text.contains("RECURRENCE-ID:20260310T090000Z"));
         EXPECT_TRUE(text.contains("SUMMARY:Bins\\, late this week"));
     }},
    {"Item11_AToDoThatCannotBeTakenIsNamedAndTheOthersAreImported",
     [] {
         Sync s;
         const QByteArray file =
             "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n"
             "BEGIN:VTODO\r\nUID:a\r\nSUMMARY:Fine\r\nDUE;VALUE=DATE:20261207\r\nEND:VTODO\r\n"
             "BEGIN:VTODO\r\nUID:dur\r\nDURATION:PT1H\r\nEND:VTODO\r\n"
             "BEGIN:VTODO\r\nUID:far\r\nDUE:99991231T230000Z\r\nEND:VTODO\r\n"
             "BEGIN:VTODO\r\nUID:b\r\nSUMMARY:Fine too\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
         int id = 0;
         const Files::ImportSummary sum =
             Files::Import(*s.db, file, TempDb::Today, [&] { return ++id; });
         EXPECT_EQ(sum.added, 2);
         ASSERT_EQ(sum.messages.size(), 2);
         EXPECT_TRUE(sum.messages[0].contains("dur")) << sum.messages[0].toStdString();
         EXPECT_TRUE(sum.messages[1].contains("far")) << sum.messages[1].toStdString();
     }},
    {"Item12_AZoneThatChangesEveryHourMinuteOrSecondIsReadAsTheTimeItNames",
     [] {
         for (const char* freq : {"HOURLY", "MINUTELY", "SECONDLY", "DAILY;BYHOUR=0,6,12,18"}) {
             const QByteArray zone = "BEGIN:VTIMEZONE\r\nTZID:Bomb\r\nBEGIN:STANDARD\r\n"
                                     "TZOFFSETFROM:+0100\r\nTZOFFSETTO:+0100\r\n"
                                     "DTSTART:16010101T000000\r\nRRULE:FREQ=" +
                                     QByteArray(freq) + "\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";
             const Ical::ReadResult r = Ical::ReadTodo(
                 todo("bomb", "DUE;TZID=Bomb:20261207T120000\r\n", "20260301T120000Z", zone));
             EXPECT_EQ(r.todo.fields.due, QDate(2026, 12, 7)) << freq;
         }
     }},
    {"Item13_ControlCharactersAreWrittenAsTheirPicturesAndKeptHere",
     [] {
         Sync s;
         s.Apply(todo("u1", "SUMMARY:Bell\r\n"));
         const QString bell = QStringLiteral("Bell\x07 one\r\ntwo") + QChar(0) + "three";
         s.file.Exec("UPDATE TASKS SET TASK_TITLE = 'Bell' || char(7) || ' one' || char(13) || "
                     "char(10) || 'two' || char(0) || 'three'");
         const QByteArray text = Reconcile::Outbound(s.Item(), s.Task());
         for (char c : text)
             EXPECT_TRUE(uchar(c) >= 0x20 || c == '\r' || c == '\n') << int(c);
         EXPECT_TRUE(text.contains("SUMMARY:Bell\xe2\x90\x87 one\\ntwo\xe2\x90\x80three"))
             << text.constData();
         // The server's echo of it changes nothing here.
         SyncDb::Item item = s.Item();
         item.synced = text;
         item.sent = s.Task();
         s.db->SaveItem(item);
         s.Apply(text, "/c/a.ics", "\"2\"");
         EXPECT_EQ(s.Task().title.size(), bell.size());
         EXPECT_EQ(s.Task().title.left(5), bell.left(5));
         // One already on a server is read, not refused.
         EXPECT_EQ(Ical::ReadTodo(todo("u2", "SUMMARY:raw\x07 bell\r\n")).todo.fields.title,
                   "raw\x07 bell");
     }},
    {"Item14_AFieldNobodyChangedKeepsItsBytesAndItsForm",
     [] {
         Sync s;
         TestZone::Set("UTC");
         s.Apply(todo("u1", "SUMMARY:Old\r\nDESCRIPTION:x\r\nDUE:20260305T233000Z\r\n"));
         // Bytes another tool wrote, not UTF-8.
         s.file.Exec("UPDATE TASKS SET DESCRIPTION = CAST(X'4361666520ff' AS TEXT)");
         SyncDb::Item item = s.Item();
         item.sent = s.Task();
         item.changed = {};
         s.db->SaveItem(item);
         // In another zone the date-time falls on another day: not an edit here.
         TestZone::Set("Pacific/Auckland");
         EXPECT_EQ(s.Task(), s.Item().sent);
         EXPECT_TRUE(Reconcile::Outbound(s.Item(), s.Task()).contains("DUE:20260305T233000Z"));
         // The phone renames it: the description's bytes stay.
         s.Apply(todo("u1", "SUMMARY:New\r\nDESCRIPTION:x\r\nDUE:20260305T233000Z\r\n"), "/c/a.ics",
                 "\"2\"");
         EXPECT_EQ(s.Task().title, "New");
         EXPECT_EQ(s.file.Scalar("SELECT hex(DESCRIPTION) FROM TASKS").toString(), "4361666520FF");
     }},
    {"Item18_AFileTaskGetsOnlyTheZonesItUsesAndOneUidIsTakenOnce",
     [] {
         Sync s;
         QByteArray head = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Big//EN\r\n";
         for (int i = 0; i < 500; ++i)
             head +=
                 "X-CALENDAR-NOTE-" + QByteArray::number(i) + ":" + QByteArray(80, 'n') + "\r\n";
         head += "BEGIN:VTIMEZONE\r\nTZID:Used\r\nBEGIN:STANDARD\r\nDTSTART:19700101T000000\r\n"
                 "TZOFFSETFROM:+0100\r\nTZOFFSETTO:+0100\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n"
                 "BEGIN:VTIMEZONE\r\nTZID:Unused\r\nBEGIN:STANDARD\r\nDTSTART:19700101T000000\r\n"
                 "TZOFFSETFROM:+0200\r\nTZOFFSETTO:+0200\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";
         QByteArray body;
         for (int i = 0; i < 50; ++i)
             body += "BEGIN:VTODO\r\nUID:t" + QByteArray::number(i) +
                     "\r\nDUE;TZID=Used:20261207T120000\r\nEND:VTODO\r\n";
         body += "BEGIN:VTODO\r\nUID:t0\r\nSUMMARY:second t0\r\nEND:VTODO\r\n";
         int id = 0;
         const Files::ImportSummary sum = Files::Import(*s.db, head + body + "END:VCALENDAR\r\n",
                                                        TempDb::Today, [&] { return ++id; });
         EXPECT_EQ(sum.added, 50);
         ASSERT_EQ(sum.messages.size(), 1);
         EXPECT_TRUE(sum.messages[0].contains("t0")) << sum.messages[0].toStdString();
         const QByteArray synced =
             s.file.Scalar("SELECT SYNCED FROM SYNC_ITEMS LIMIT 1").toByteArray();
         EXPECT_LT(synced.size(), 1000) << synced.constData();
         EXPECT_TRUE(synced.contains("TZID:Used"));
         EXPECT_FALSE(synced.contains("Unused"));
     }},
};

INSTANTIATE_TEST_SUITE_P(Rows, SyncFaultTest, ::testing::ValuesIn(rows),
                         [](const ::testing::TestParamInfo<Row>& info) {
                             return std::string(info.param.name);
                         });

} // namespace

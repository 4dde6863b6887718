// SPDX-License-Identifier: MIT
// Tasks as iCalendar to-dos, and what other programs put on them.
#include "store/appfunctions.h"
#include "sync/ical.h"
#include "sync/merge.h"
#include "zone.h"

#include <QTimeZone>
#include <gtest/gtest.h>

namespace
{

QByteArray calendar(const QByteArray& todoLines, const QByteArray& extra = {})
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Phone//EN\r\n" + extra +
           "BEGIN:VTODO\r\nUID:u1\r\nDTSTAMP:20260301T120000Z\r\n" + todoLines +
           "END:VTODO\r\nEND:VCALENDAR\r\n";
}

Ical::Fields read(const QByteArray& todoLines, const QByteArray& extra = {})
{
    const Ical::ReadResult r = Ical::ReadTodo(calendar(todoLines, extra));
    EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
    return r.todo.fields;
}

// Writes `after` over the to-do as read, and reads the result back.
QByteArray rewrite(const QByteArray& todoLines, const Ical::Fields& after)
{
    const QByteArray base = calendar(todoLines);
    return Ical::WriteTodo(base, "u1", Ical::ReadTodo(base).todo.fields, after);
}

// Date-times are read in a zone far from UTC, so a wrong conversion moves the day.
class IcalTest : public ::testing::Test
{
protected:
    TestZone zone;
};

TEST_F(IcalTest, ATaskBecomesAToDoAndBack)
{
    const Ical::Fields task{"Buy milk", "2 litres\nsemi-skimmed, \"fresh\"; cold",
                            QDate(2026, 3, 5), TaskStatus::INCOMPLETE};
    const QByteArray text = Ical::WriteTodo({}, "new@dueboard", {}, task);
    EXPECT_TRUE(text.contains("DUE;VALUE=DATE:20260305")) << text.constData();
    EXPECT_TRUE(text.contains("STATUS:NEEDS-ACTION"));
    const Ical::ReadResult back = Ical::ReadTodo(text);
    EXPECT_EQ(back.todo.uid, "new@dueboard");
    EXPECT_EQ(back.todo.fields, task);
}

TEST_F(IcalTest, StatusWordsAndPriorities)
{
    EXPECT_EQ(read("STATUS:NEEDS-ACTION\r\n").status, TaskStatus::INCOMPLETE);
    EXPECT_EQ(read("").status, TaskStatus::INCOMPLETE);
    EXPECT_EQ(read("STATUS:IN-PROCESS\r\n").status, TaskStatus::INCOMPLETE);
    EXPECT_EQ(read("STATUS:COMPLETED\r\n").status, TaskStatus::COMPLETE);
    EXPECT_EQ(read("COMPLETED:20260302T100000Z\r\n").status, TaskStatus::COMPLETE);
    EXPECT_EQ(read("STATUS:CANCELLED\r\nPRIORITY:1\r\n").status, TaskStatus::COMPLETE);
    EXPECT_EQ(read("PRIORITY:1\r\n").status, TaskStatus::SPECIAL);
    EXPECT_EQ(read("PRIORITY:4\r\n").status, TaskStatus::SPECIAL);
    EXPECT_EQ(read("PRIORITY:5\r\n").status, TaskStatus::INCOMPLETE);
    EXPECT_EQ(read("PRIORITY:0\r\n").status, TaskStatus::INCOMPLETE);
}

TEST_F(IcalTest, MarkingWritesTheStatusTheWayOtherProgramsReadIt)
{
    Ical::Fields f = read("PRIORITY:3\r\n");
    f.status = TaskStatus::COMPLETE;
    QByteArray text = rewrite("PRIORITY:3\r\n", f);
    EXPECT_TRUE(text.contains("STATUS:COMPLETED"));
    EXPECT_TRUE(text.contains("PERCENT-COMPLETE:100"));
    EXPECT_TRUE(text.contains("\r\nCOMPLETED:"));
    EXPECT_TRUE(text.contains("PRIORITY:3")) << "completing keeps the priority";

    f.status = TaskStatus::INCOMPLETE; // "Mark Not Special" removes a high priority
    text = rewrite("PRIORITY:3\r\n", f);
    EXPECT_FALSE(text.contains("PRIORITY"));
    EXPECT_TRUE(text.contains("STATUS:NEEDS-ACTION"));

    text = rewrite("PRIORITY:7\r\n", f); // a low priority is no "special" and stays
    EXPECT_TRUE(text.contains("PRIORITY:7"));

    f.status = TaskStatus::SPECIAL;
    text = rewrite("PRIORITY:7\r\n", f);
    EXPECT_TRUE(text.contains("PRIORITY:1"));
    EXPECT_EQ(Ical::ReadTodo(text).todo.fields.status, TaskStatus::SPECIAL);

    f.status = TaskStatus::INCOMPLETE;
    text = rewrite("STATUS:COMPLETED\r\nCOMPLETED:20260302T100000Z\r\nPERCENT-COMPLETE:100\r\n", f);
    EXPECT_FALSE(text.contains("COMPLETED")) << text.constData();
    EXPECT_FALSE(text.contains("PERCENT-COMPLETE"));
}

TEST_F(IcalTest, ACancelledToDoStaysCancelledUntilItsStatusChangesHere)
{
    const QByteArray lines = "STATUS:CANCELLED\r\nDUE;VALUE=DATE:20260305\r\n";
    Ical::Fields f = read(lines);
    f.title = "renamed";
    EXPECT_TRUE(rewrite(lines, f).contains("STATUS:CANCELLED"));
    f.status = TaskStatus::INCOMPLETE;
    EXPECT_TRUE(rewrite(lines, f).contains("STATUS:NEEDS-ACTION"));
}

TEST_F(IcalTest, WhatOtherProgramsPutOnAToDoSurvivesAWriteBack)
{
    const QByteArray lines = "SUMMARY:Call Ann\r\n"
                             "CATEGORIES:HOME,PHONE\r\n"
                             "X-PHONE-COLOUR;X-SHADE=dark:teal\r\n"
                             "DUE;VALUE=DATE:20260305\r\n"
                             "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Ring\r\n"
                             "TRIGGER:-PT15M\r\nEND:VALARM\r\n";
    Ical::Fields f = read(lines);
    f.title = "Call Ann back";
    f.due = QDate(2026, 3, 9);
    const QByteArray text = rewrite(lines, f);
    EXPECT_TRUE(text.contains("SUMMARY:Call Ann back")) << text.constData();
    // libical writes a list of categories as one property per category, which means the same.
    EXPECT_TRUE(text.contains("CATEGORIES:HOME")) << text.constData();
    EXPECT_TRUE(text.contains("CATEGORIES:PHONE"));
    EXPECT_TRUE(text.contains("X-PHONE-COLOUR;X-SHADE=dark:teal"));
    EXPECT_TRUE(text.contains("BEGIN:VALARM"));
    EXPECT_TRUE(text.contains("TRIGGER:-PT15M"));
    EXPECT_TRUE(text.contains("DUE;VALUE=DATE:20260309"));
    EXPECT_TRUE(text.contains("PRODID:-//Phone//EN"));
}

TEST_F(IcalTest, ADueDateTimeIsReadAsItsDayHere)
{
    // 23:30 UTC on the 5th is already the 6th in Auckland.
    EXPECT_EQ(read("DUE:20260305T233000Z\r\n").due, QDate(2026, 3, 6));
    // A floating time names its day wherever it is read.
    EXPECT_EQ(read("DUE:20260305T233000\r\n").due, QDate(2026, 3, 5));
    const QByteArray zone = "BEGIN:VTIMEZONE\r\nTZID:Fixed-Minus5\r\nBEGIN:STANDARD\r\n"
                            "DTSTART:19700101T000000\r\nTZOFFSETFROM:-0500\r\n"
                            "TZOFFSETTO:-0500\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";
    // 20:00 at -05:00 is 01:00 UTC on the 6th, 14:00 on the 6th in Auckland.
    EXPECT_EQ(read("DUE;TZID=Fixed-Minus5:20260305T200000\r\n", zone).due, QDate(2026, 3, 6));
}

TEST_F(IcalTest, AToDoWithNoDueDateGetsNoneUnlessItIsMoved)
{
    const QByteArray lines = "SUMMARY:Someday\r\n";
    EXPECT_FALSE(read(lines).due.isValid());
    Ical::Fields before = read(lines);
    before.due = QDate(2026, 3, 5); // placed on the day it arrived
    Ical::Fields after = before;
    after.title = "Someday soon";
    const QByteArray base = calendar(lines);
    EXPECT_FALSE(Ical::WriteTodo(base, "u1", before, after).contains("DUE"));
    after.due = QDate(2026, 3, 7);
    EXPECT_TRUE(Ical::WriteTodo(base, "u1", before, after).contains("DUE;VALUE=DATE:20260307"));
}

TEST_F(IcalTest, ADueDateBeforeTheStartMovesTheStartAndReplacesADuration)
{
    const QByteArray lines = "DTSTART:20260310T090000Z\r\nDURATION:P1D\r\n";
    Ical::Fields f = read(lines);
    f.due = QDate(2026, 3, 8);
    const QByteArray text = rewrite(lines, f);
    EXPECT_TRUE(text.contains("DTSTART;VALUE=DATE:20260308")) << text.constData();
    EXPECT_FALSE(text.contains("DURATION"));
}

TEST_F(IcalTest, UnreadableToDosAreSkippedWithAMessage)
{
    EXPECT_FALSE(Ical::ReadTodo("not a calendar").error.isEmpty());
    EXPECT_FALSE(Ical::ReadTodo("BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n").error.isEmpty());
    const QByteArray file = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n"
                            "BEGIN:VTODO\r\nUID:good1\r\nSUMMARY:One\r\nEND:VTODO\r\n"
                            "BEGIN:VTODO\r\nSUMMARY:No uid\r\nEND:VTODO\r\n"
                            "BEGIN:VTODO\r\nUID:bad\r\nDUE:tomorrowish\r\nEND:VTODO\r\n"
                            "BEGIN:VTODO\r\nUID:good2\r\nSUMMARY:Two\r\nEND:VTODO\r\n"
                            "END:VCALENDAR\r\n";
    QStringList errors;
    const QList<Ical::Todo> todos = Ical::ReadCalendarFile(file, &errors);
    ASSERT_EQ(todos.size(), 2);
    EXPECT_EQ(todos[0].uid, "good1");
    EXPECT_EQ(todos[1].uid, "good2");
    ASSERT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors[0].contains("no UID")) << errors[0].toStdString();
    EXPECT_TRUE(errors[1].contains("bad")) << errors[1].toStdString();
}

TEST(MergeTest, EditsOfDifferentFieldsAreBothKept)
{
    const Ical::Fields base{"Title", "Notes", QDate(2026, 3, 5), TaskStatus::INCOMPLETE};
    Ical::Fields here = base, there = base;
    here.description = "Notes, longer";
    there.status = TaskStatus::COMPLETE;
    there.due = QDate(2026, 3, 6);
    const Merge::Result r = Merge::ThreeWay({base, base, here, there, {}, {}});
    EXPECT_EQ(r.fields,
              (Ical::Fields{"Title", "Notes, longer", QDate(2026, 3, 6), TaskStatus::COMPLETE}));
    EXPECT_TRUE(r.replaced.isEmpty());
}

TEST(MergeTest, OnOneFieldTheLaterChangeWinsAndTheReplacedTextIsNamed)
{
    const Ical::Fields base{"Title", "Notes", QDate(2026, 3, 5), TaskStatus::INCOMPLETE};
    Ical::Fields here = base, there = base;
    here.description = "written here";
    there.description = "written on the phone";
    const QDateTime phone(QDate(2026, 3, 5), QTime(12, 0), Qt::UTC);
    Ical::Times later;
    later.description = phone.addSecs(1);
    Merge::Result r = Merge::ThreeWay({base, base, here, there, later, phone});
    EXPECT_EQ(r.fields.description, "written here");
    ASSERT_EQ(r.replaced.size(), 1);
    EXPECT_TRUE(r.replaced[0].contains("\"written on the phone\"")) << r.replaced[0].toStdString();
    Ical::Times earlier;
    earlier.description = phone.addSecs(-1);
    r = Merge::ThreeWay({base, base, here, there, earlier, phone});
    EXPECT_EQ(r.fields.description, "written on the phone");
    ASSERT_EQ(r.replaced.size(), 1);
    EXPECT_TRUE(r.replaced[0].contains("\"written here\""));
}

} // namespace

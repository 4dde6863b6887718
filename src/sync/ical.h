// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// A task as an iCalendar to-do. Only the fields below are ever changed on a to-do: everything
// else another program put on it (alarms, categories, its own properties) is written back as
// it was read.
namespace Ical
{

// What Dueboard keeps of a to-do. `due` is invalid when the to-do has no DUE.
struct Fields {
    QString title;
    QString description;
    QDate due;
    QString status; // a TaskStatus word
    bool operator==(const Fields&) const = default;
};

// When each field last changed here since both sides last agreed on it, to the millisecond;
// invalid where it has not changed.
struct Times {
    QDateTime title;
    QDateTime description;
    QDateTime due;
    QDateTime status;
    QDateTime Latest() const;
};

// Calls f(field, time) for each of the four fields, for code that treats them all alike.
template <typename F> void ForEachField(F&& f)
{
    f(&Fields::title, &Times::title);
    f(&Fields::description, &Times::description);
    f(&Fields::due, &Times::due);
    f(&Fields::status, &Times::status);
}

struct Todo {
    QString uid;
    Fields fields;
    QDateTime modified; // LAST-MODIFIED, else DTSTAMP; invalid when it has neither
    // A server's resource as it came; a file's to-do in a VCALENDAR of its own, with its
    // occurrences and the time zones they use.
    QByteArray text;
};

// One to-do from a calendar holding one (a CalDAV resource; a recurring to-do's changed
// occurrences come with it). A calendar that cannot be read, holds no to-do, or whose to-do
// has no UID, a value libical could not read, a due day outside the years 1 to 9999 or a
// DURATION without DTSTART gives an error naming the cause; nothing of it is used.
struct ReadResult {
    Todo todo;
    QString error; // empty when the to-do was read
};
ReadResult ReadTodo(const QByteArray& calendar);

// Every to-do of a calendar file, each in a calendar of its own with the zones it uses; the
// ones that cannot be read, and a second to-do with a UID already taken, are left out, with a
// message each in `errors`.
QList<Todo> ReadCalendarFile(const QByteArray& calendar, QStringList* errors);

// `base` (a calendar from ReadTodo, or empty for a new to-do with this uid) with the fields
// that differ between `before` and `after` written as `after` has them, and LAST-MODIFIED
// set to `modified` (the time of the change here; now when invalid). The rest of `base`, and
// every occurrence of a recurring to-do, is kept as it is. Control characters are written as
// their pictures: iCalendar holds none.
QByteArray WriteTodo(const QByteArray& base, const QString& uid, const Fields& before,
                     const Fields& after, const QDateTime& modified = {});

// The fields as a to-do written with them reads back (libical trims blanks at either end of a
// text; control characters are written as their pictures).
Fields AsWritten(const Fields& fields);

// One calendar holding the to-dos of several, each time zone once: for export.
QByteArray JoinCalendars(const QList<QByteArray>& calendars);

// A new, unique UID for a task first written as a to-do.
QString NewUid();

} // namespace Ical

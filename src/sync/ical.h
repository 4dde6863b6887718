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

struct Todo {
    QString uid;
    Fields fields;
    QDateTime modified; // LAST-MODIFIED, else DTSTAMP; invalid when it has neither
    QByteArray text;    // one VCALENDAR holding this to-do and the time zones it uses
};

// One to-do from a calendar holding one (a CalDAV resource). A calendar that cannot be read,
// holds no to-do, or whose to-do has no UID or a value libical could not read gives an error
// naming the cause; nothing of it is used.
struct ReadResult {
    Todo todo;
    QString error; // empty when the to-do was read
};
ReadResult ReadTodo(const QByteArray& calendar);

// Every to-do of a calendar file, each in a calendar of its own; the ones that cannot be read
// are left out, with a message each in `errors`.
QList<Todo> ReadCalendarFile(const QByteArray& calendar, QStringList* errors);

// `base` (a calendar from ReadTodo, or empty for a new to-do with this uid) with the fields
// that differ between `before` and `after` written as `after` has them; the rest of `base`
// is kept as it is.
QByteArray WriteTodo(const QByteArray& base, const QString& uid, const Fields& before,
                     const Fields& after);

// One calendar holding the to-dos of several, each time zone once: for export.
QByteArray JoinCalendars(const QList<QByteArray>& calendars);

// A new, unique UID for a task first written as a to-do.
QString NewUid();

} // namespace Ical

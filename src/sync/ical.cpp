// SPDX-License-Identifier: MIT
#include "ical.h"

#include "store/appfunctions.h"

#include <QSet>
#include <QUuid>
#include <libical/ical.h>
#include <memory>

namespace Ical
{

namespace
{

struct ComponentFree {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

Component parse(const QByteArray& text)
{
    return Component(icalparser_parse_string(text.constData()));
}

QByteArray serialize(icalcomponent* c)
{
    char* text = icalcomponent_as_ical_string_r(c);
    QByteArray result(text);
    free(text);
    return result;
}

QString text(const char* value)
{
    return value ? QString::fromUtf8(value) : QString();
}

QDateTime instant(icaltimetype t)
{
    if (icaltime_is_null_time(t))
        return {};
    if (t.is_date || (!t.zone && !icaltime_is_utc(t)))
        return QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second));
    return QDateTime::fromSecsSinceEpoch(
        qint64(icaltime_as_timet_with_zone(t, t.zone ? t.zone : icaltimezone_get_utc_timezone())));
}

// A date stays that date; a date-time is the day it falls on here (a floating one is the day
// it names).
QDate localDay(icaltimetype t)
{
    if (icaltime_is_null_time(t))
        return {};
    return instant(t).toLocalTime().date();
}

int priority(icalcomponent* todo)
{
    icalproperty* p = icalcomponent_get_first_property(todo, ICAL_PRIORITY_PROPERTY);
    return p ? icalproperty_get_priority(p) : 0;
}

bool highPriority(int value)
{
    return value >= 1 && value <= 4;
}

// COMPLETED (or a completion time) reads as done, and so does CANCELLED: nothing is left to
// do, so it must not count as overdue. Anything else (NEEDS-ACTION, IN-PROCESS, none) is
// open, special when the priority is high.
QString statusOf(icalcomponent* todo)
{
    const icalproperty_status status = icalcomponent_get_status(todo);
    if (status == ICAL_STATUS_COMPLETED || status == ICAL_STATUS_CANCELLED ||
        icalcomponent_get_first_property(todo, ICAL_COMPLETED_PROPERTY))
        return TaskStatus::COMPLETE;
    return highPriority(priority(todo)) ? TaskStatus::SPECIAL : TaskStatus::INCOMPLETE;
}

void removeAll(icalcomponent* c, icalproperty_kind kind)
{
    while (icalproperty* p = icalcomponent_get_first_property(c, kind)) {
        icalcomponent_remove_property(c, p);
        icalproperty_free(p);
    }
}

void replace(icalcomponent* c, icalproperty_kind kind, icalproperty* value)
{
    removeAll(c, kind);
    icalcomponent_add_property(c, value);
}

icaltimetype dateValue(const QDate& day)
{
    icaltimetype t = icaltime_null_date();
    t.year = day.year();
    t.month = day.month();
    t.day = day.day();
    return t;
}

icaltimetype nowUtc()
{
    return icaltime_current_time_with_zone(icaltimezone_get_utc_timezone());
}

void setText(icalcomponent* c, icalproperty_kind kind, const QString& value,
             icalproperty* (*make)(const char*))
{
    removeAll(c, kind);
    if (!value.isEmpty())
        icalcomponent_add_property(c, make(value.toUtf8().constData()));
}

// DUE as a date. DURATION cannot stand beside DUE, and a start must be a date no later than
// the due date, so a start that is not is moved to it.
void setDue(icalcomponent* c, const QDate& due)
{
    removeAll(c, ICAL_DUE_PROPERTY);
    removeAll(c, ICAL_DURATION_PROPERTY);
    if (!due.isValid())
        return;
    icalcomponent_add_property(c, icalproperty_new_due(dateValue(due)));
    if (icalproperty* start = icalcomponent_get_first_property(c, ICAL_DTSTART_PROPERTY)) {
        const icaltimetype t = icalproperty_get_dtstart(start);
        const QDate day = localDay(icalcomponent_get_dtstart(c));
        if (!t.is_date || !day.isValid() || day > due)
            replace(c, ICAL_DTSTART_PROPERTY,
                    icalproperty_new_dtstart(dateValue(day.isValid() ? std::min(day, due) : due)));
    }
}

void setStatus(icalcomponent* c, const QString& status)
{
    if (status == TaskStatus::COMPLETE) {
        icalcomponent_set_status(c, ICAL_STATUS_COMPLETED);
        if (!icalcomponent_get_first_property(c, ICAL_COMPLETED_PROPERTY))
            icalcomponent_add_property(c, icalproperty_new_completed(nowUtc()));
        replace(c, ICAL_PERCENTCOMPLETE_PROPERTY, icalproperty_new_percentcomplete(100));
        return;
    }
    icalcomponent_set_status(c, ICAL_STATUS_NEEDSACTION);
    removeAll(c, ICAL_COMPLETED_PROPERTY);
    icalproperty* percent = icalcomponent_get_first_property(c, ICAL_PERCENTCOMPLETE_PROPERTY);
    if (percent && icalproperty_get_percentcomplete(percent) >= 100)
        removeAll(c, ICAL_PERCENTCOMPLETE_PROPERTY);
    const bool high = highPriority(priority(c));
    if (status == TaskStatus::SPECIAL && !high)
        replace(c, ICAL_PRIORITY_PROPERTY, icalproperty_new_priority(1));
    else if (status != TaskStatus::SPECIAL && high)
        removeAll(c, ICAL_PRIORITY_PROPERTY);
}

Component newCalendar()
{
    Component cal(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
    icalcomponent_add_property(cal.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(cal.get(),
                               icalproperty_new_prodid("-//Dueboard//dueboard-sync//EN"));
    return cal;
}

QSet<QByteArray> zonesUsedBy(icalcomponent* todo)
{
    QSet<QByteArray> zones;
    for (icalproperty* p = icalcomponent_get_first_property(todo, ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(todo, ICAL_ANY_PROPERTY))
        if (icalparameter* tz = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER))
            zones.insert(QByteArray(icalparameter_get_tzid(tz)));
    return zones;
}

QByteArray tzid(icalcomponent* zone)
{
    icalproperty* p = icalcomponent_get_first_property(zone, ICAL_TZID_PROPERTY);
    return p ? QByteArray(icalproperty_get_tzid(p)) : QByteArray();
}

// The to-do in a calendar of its own, with the calendar's properties and the zones it uses.
QByteArray extract(icalcomponent* calendar, icalcomponent* todo)
{
    Component cal(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
    for (icalproperty* p = icalcomponent_get_first_property(calendar, ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(calendar, ICAL_ANY_PROPERTY))
        icalcomponent_add_property(cal.get(), icalproperty_new_clone(p));
    const QSet<QByteArray> used = zonesUsedBy(todo);
    for (icalcomponent* z = icalcomponent_get_first_component(calendar, ICAL_VTIMEZONE_COMPONENT);
         z; z = icalcomponent_get_next_component(calendar, ICAL_VTIMEZONE_COMPONENT))
        if (used.contains(tzid(z)))
            icalcomponent_add_component(cal.get(), icalcomponent_new_clone(z));
    icalcomponent_add_component(cal.get(), icalcomponent_new_clone(todo));
    return serialize(cal.get());
}

ReadResult readOne(icalcomponent* calendar, icalcomponent* todo)
{
    ReadResult r;
    const QString uid = text(icalcomponent_get_uid(todo));
    const QString name = uid.isEmpty() ? QStringLiteral("a to-do without UID")
                                       : QStringLiteral("the to-do %1").arg(uid);
    if (uid.isEmpty()) {
        r.error = QStringLiteral("skipped %1: it has no UID").arg(name);
        return r;
    }
    if (icalcomponent_count_errors(todo) > 0) {
        r.error = QStringLiteral("skipped %1: it holds a value that cannot be read").arg(name);
        return r;
    }
    r.todo.uid = uid;
    r.todo.fields.title = text(icalcomponent_get_summary(todo));
    r.todo.fields.description = text(icalcomponent_get_description(todo));
    r.todo.fields.due = localDay(icalcomponent_get_due(todo));
    r.todo.fields.status = statusOf(todo);
    icalproperty* modified = icalcomponent_get_first_property(todo, ICAL_LASTMODIFIED_PROPERTY);
    r.todo.modified = modified ? instant(icalproperty_get_lastmodified(modified))
                               : instant(icalcomponent_get_dtstamp(todo));
    r.todo.text = extract(calendar, todo);
    return r;
}

} // namespace

ReadResult ReadTodo(const QByteArray& calendar)
{
    Component cal = parse(calendar);
    icalcomponent* todo = cal && icalcomponent_isa(cal.get()) == ICAL_VCALENDAR_COMPONENT
                              ? icalcomponent_get_first_component(cal.get(), ICAL_VTODO_COMPONENT)
                              : nullptr;
    if (!todo)
        return {{}, QStringLiteral("skipped a resource that holds no readable to-do")};
    return readOne(cal.get(), todo);
}

QList<Todo> ReadCalendarFile(const QByteArray& calendar, QStringList* errors)
{
    QList<Todo> todos;
    Component cal = parse(calendar);
    if (!cal || icalcomponent_isa(cal.get()) != ICAL_VCALENDAR_COMPONENT) {
        errors->append(QStringLiteral("not an iCalendar file"));
        return todos;
    }
    // Reading one walks the calendar's zones, which moves libical's one cursor over its
    // components: the to-dos are listed first.
    QList<icalcomponent*> found;
    for (icalcomponent* todo = icalcomponent_get_first_component(cal.get(), ICAL_VTODO_COMPONENT);
         todo; todo = icalcomponent_get_next_component(cal.get(), ICAL_VTODO_COMPONENT))
        found << todo;
    for (icalcomponent* todo : found) {
        ReadResult r = readOne(cal.get(), todo);
        if (r.error.isEmpty())
            todos.append(std::move(r.todo));
        else
            errors->append(r.error);
    }
    return todos;
}

QByteArray WriteTodo(const QByteArray& base, const QString& uid, const Fields& before,
                     const Fields& after)
{
    Component cal = base.isEmpty() ? newCalendar() : parse(base);
    if (!cal)
        cal = newCalendar();
    icalcomponent* todo = icalcomponent_get_first_component(cal.get(), ICAL_VTODO_COMPONENT);
    const bool created = !todo;
    if (created) {
        todo = icalcomponent_new(ICAL_VTODO_COMPONENT);
        icalcomponent_add_component(cal.get(), todo);
        icalcomponent_set_uid(todo, uid.toUtf8().constData());
        icalcomponent_add_property(todo, icalproperty_new_created(nowUtc()));
    }
    if (created || before.title != after.title)
        setText(todo, ICAL_SUMMARY_PROPERTY, after.title, icalproperty_new_summary);
    if (created || before.description != after.description)
        setText(todo, ICAL_DESCRIPTION_PROPERTY, after.description, icalproperty_new_description);
    if (created || before.due != after.due)
        setDue(todo, after.due);
    if (created || before.status != after.status)
        setStatus(todo, after.status);
    icalcomponent_set_dtstamp(todo, nowUtc());
    replace(todo, ICAL_LASTMODIFIED_PROPERTY, icalproperty_new_lastmodified(nowUtc()));
    return serialize(cal.get());
}

QByteArray JoinCalendars(const QList<QByteArray>& calendars)
{
    Component joined = newCalendar();
    QSet<QByteArray> zones;
    for (const QByteArray& text : calendars) {
        Component cal = parse(text);
        if (!cal)
            continue;
        for (icalcomponent* z = icalcomponent_get_first_component(cal.get(), ICAL_ANY_COMPONENT); z;
             z = icalcomponent_get_next_component(cal.get(), ICAL_ANY_COMPONENT)) {
            const bool zone = icalcomponent_isa(z) == ICAL_VTIMEZONE_COMPONENT;
            if (zone && zones.contains(tzid(z)))
                continue;
            if (zone)
                zones.insert(tzid(z));
            icalcomponent_add_component(joined.get(), icalcomponent_new_clone(z));
        }
    }
    return serialize(joined.get());
}

QString NewUid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral("@dueboard");
}

} // namespace Ical

// SPDX-License-Identifier: MIT
#include "ical.h"

#include "store/appfunctions.h"

#include <QHash>
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

// A NUL would end the text for libical, and what follows it would be lost: it is read as the
// picture of a NUL, as every other control character is written.
Component parse(QByteArray text)
{
    text.replace('\0', "\xe2\x90\x80");
    return Component(icalparser_parse_string(text.constData()));
}

// iCalendar holds no control characters but the line breaks between its lines (a line break in
// a text is written as \n). The others are written as their pictures in the Control Pictures
// block (U+2400 and on, U+2421 for DEL): seen by every program, valid in every server's XML.
// libical writes a CR inside a text as nothing; a text here has its CR LF and CR written as a
// line break before it gets there.
QByteArray writable(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool lineEnd = (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ||
                             (c == '\n' && i > 0 && text[i - 1] == '\r');
        if ((c >= 0x20 && c != 0x7f) || c == '\t' || lineEnd) {
            out += char(c);
            continue;
        }
        const char16_t picture = c == 0x7f ? u'\u2421' : char16_t(0x2400 + c);
        out += QString(QChar(picture)).toUtf8();
    }
    return out;
}

QByteArray serialize(icalcomponent* c)
{
    char* text = icalcomponent_as_ical_string_r(c);
    QByteArray result(text);
    free(text);
    return writable(result);
}

// A text as it is written: CR LF and CR become the line break iCalendar has; other control
// characters become their pictures (in writable), and a NUL no longer ends the text early. The
// noncharacters U+FFFE and U+FFFF, which no XML may hold, become U+FFFD.
QByteArray textValue(const QString& value)
{
    QString text = value;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QChar(0), QChar(0x2400));
    text.replace(QChar(0xfffe), QChar::ReplacementCharacter);
    text.replace(QChar(0xffff), QChar::ReplacementCharacter);
    return text.toUtf8();
}

QString text(const char* value)
{
    return value ? QString::fromUtf8(value) : QString();
}

// libical works out a zone's offsets by listing each of its changes from the zone's first rule
// to a few years past the year asked for (and past this year). A rule repeating every hour,
// minute or second, which no real zone has, would list millions of them: such a zone is not
// used, and neither is one with more changes over those years than a real zone could have.
constexpr int maxZoneChanges = 20000;

bool zoneIsBounded(icaltimezone* zone, int year)
{
    icalcomponent* vtimezone = icaltimezone_get_component(zone);
    if (!vtimezone)
        return true; // one of libical's own
    const int until = std::max(year, QDate::currentDate().year()) + 6;
    int changes = 0;
    for (icalcomponent* part = icalcomponent_get_first_component(vtimezone, ICAL_ANY_COMPONENT);
         part; part = icalcomponent_get_next_component(vtimezone, ICAL_ANY_COMPONENT)) {
        changes += icalcomponent_count_properties(part, ICAL_RDATE_PROPERTY);
        icalproperty* start = icalcomponent_get_first_property(part, ICAL_DTSTART_PROPERTY);
        for (icalproperty* p = icalcomponent_get_first_property(part, ICAL_RRULE_PROPERTY);
             p && start; p = icalcomponent_get_next_property(part, ICAL_RRULE_PROPERTY)) {
            const icalrecurrencetype rule = icalproperty_get_rrule(p);
            if (rule.freq != ICAL_YEARLY_RECURRENCE && rule.freq != ICAL_MONTHLY_RECURRENCE &&
                rule.freq != ICAL_WEEKLY_RECURRENCE && rule.freq != ICAL_DAILY_RECURRENCE)
                return false;
            icalrecur_iterator* it = icalrecur_iterator_new(rule, icalproperty_get_dtstart(start));
            if (!it)
                continue;
            for (icaltimetype t = icalrecur_iterator_next(it);
                 !icaltime_is_null_time(t) && t.year <= until && changes <= maxZoneChanges;
                 t = icalrecur_iterator_next(it))
                ++changes;
            icalrecur_iterator_free(it);
        }
        if (changes > maxZoneChanges)
            return false;
    }
    return true;
}

// A time in a zone that is not used reads as the time it names, as a floating one does.
QDateTime instant(icaltimetype t)
{
    if (icaltime_is_null_time(t))
        return {};
    if (t.zone && !icaltime_is_utc(t) && !zoneIsBounded(const_cast<icaltimezone*>(t.zone), t.year))
        t.zone = nullptr;
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
        icalcomponent_add_property(c, make(textValue(value).constData()));
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

QByteArray tzid(icalcomponent* zone)
{
    icalproperty* p = icalcomponent_get_first_property(zone, ICAL_TZID_PROPERTY);
    return p ? QByteArray(icalproperty_get_tzid(p)) : QByteArray();
}

bool isOccurrence(icalcomponent* todo)
{
    return icalcomponent_get_first_property(todo, ICAL_RECURRENCEID_PROPERTY) != nullptr;
}

void addZonesUsedBy(icalcomponent* c, QSet<QByteArray>* zones)
{
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_ANY_PROPERTY))
        if (icalparameter* tz = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER))
            zones->insert(QByteArray(icalparameter_get_tzid(tz)));
    for (icalcomponent* sub = icalcomponent_get_first_component(c, ICAL_ANY_COMPONENT); sub;
         sub = icalcomponent_get_next_component(c, ICAL_ANY_COMPONENT))
        addZonesUsedBy(sub, zones);
}

// A to-do as the calendar holds it: the master and the occurrences changed apart from it
// (RECURRENCE-ID), all with one UID. Only the master is read and written here; the
// occurrences are kept as they came.
struct Group {
    icalcomponent* master = nullptr;
    QList<icalcomponent*> parts; // the master first
};

// What a calendar holds, listed once: its to-dos by UID in the order they come (a second
// master with a UID already taken is left out and named in `duplicates`), and its zones by
// TZID. Walking the calendar moves libical's one cursor over its components, so nothing else
// walks it meanwhile.
struct Contents {
    QList<QString> order;
    QHash<QString, Group> groups;
    QList<icalcomponent*> noUid;
    QStringList duplicates;
    QHash<QByteArray, icalcomponent*> zones;
};

Contents contentsOf(icalcomponent* calendar)
{
    Contents c;
    QList<icalcomponent*> occurrences;
    for (icalcomponent* sub = icalcomponent_get_first_component(calendar, ICAL_ANY_COMPONENT); sub;
         sub = icalcomponent_get_next_component(calendar, ICAL_ANY_COMPONENT)) {
        if (icalcomponent_isa(sub) == ICAL_VTIMEZONE_COMPONENT) {
            c.zones.insert(tzid(sub), sub);
            continue;
        }
        if (icalcomponent_isa(sub) != ICAL_VTODO_COMPONENT)
            continue;
        const QString uid = text(icalcomponent_get_uid(sub));
        if (uid.isEmpty())
            c.noUid << sub;
        else if (isOccurrence(sub))
            occurrences << sub;
        else if (c.groups.contains(uid) && c.groups[uid].master)
            c.duplicates << uid;
        else {
            if (!c.groups.contains(uid))
                c.order << uid;
            c.groups[uid].master = sub;
            c.groups[uid].parts.prepend(sub);
        }
    }
    // Occurrences whose master is missing stand for the to-do: the first is read.
    for (icalcomponent* sub : occurrences) {
        const QString uid = text(icalcomponent_get_uid(sub));
        if (!c.groups.contains(uid))
            c.order << uid;
        c.groups[uid].parts << sub;
    }
    return c;
}

// The to-do taken out of a file, in a calendar of its own with the zones it uses and none of
// the file's calendar properties, so that nothing of the file is copied into each of its to-dos.
QByteArray extract(const Contents& contents, const Group& group)
{
    Component cal = newCalendar();
    QSet<QByteArray> used;
    for (icalcomponent* part : group.parts)
        addZonesUsedBy(part, &used);
    for (const QByteArray& id : used)
        if (icalcomponent* zone = contents.zones.value(id))
            icalcomponent_add_component(cal.get(), icalcomponent_new_clone(zone));
    for (icalcomponent* part : group.parts)
        icalcomponent_add_component(cal.get(), icalcomponent_new_clone(part));
    return serialize(cal.get());
}

QString nameOf(const QString& uid)
{
    return uid.isEmpty() ? QStringLiteral("a to-do without UID")
                         : QStringLiteral("the to-do %1").arg(uid);
}

// Why a to-do cannot be taken, or empty. Its due day must be one a task can have.
QString problemOf(icalcomponent* todo, const QDate& due)
{
    if (icalcomponent_count_errors(todo) > 0)
        return QStringLiteral("it holds a value that cannot be read");
    if (icalcomponent_get_first_property(todo, ICAL_DURATION_PROPERTY) &&
        !icalcomponent_get_first_property(todo, ICAL_DTSTART_PROPERTY) &&
        !icalcomponent_get_first_property(todo, ICAL_DUE_PROPERTY))
        return QStringLiteral("it has a DURATION but no DTSTART to count it from");
    if (!icaltime_is_null_time(icalcomponent_get_due(todo)) &&
        (!due.isValid() || due.year() < 1 || due.year() > 9999))
        return QStringLiteral("its due date is not in the years 1 to 9999");
    return {};
}

// A resource from the server (`whole`) is kept as it came, with everything in it.
ReadResult readOne(icalcomponent* calendar, const Contents& contents, const QString& uid,
                   bool whole)
{
    ReadResult r;
    const Group& group = contents.groups[uid];
    icalcomponent* todo = group.parts.first();
    const QDate due = localDay(icalcomponent_get_due(todo));
    const QString problem = problemOf(todo, due);
    if (!problem.isEmpty()) {
        r.error = QStringLiteral("skipped %1: %2").arg(nameOf(uid), problem);
        return r;
    }
    r.todo.uid = uid;
    r.todo.fields.title = text(icalcomponent_get_summary(todo));
    r.todo.fields.description = text(icalcomponent_get_description(todo));
    r.todo.fields.due = due;
    r.todo.fields.status = statusOf(todo);
    icalproperty* modified = icalcomponent_get_first_property(todo, ICAL_LASTMODIFIED_PROPERTY);
    r.todo.modified = modified ? instant(icalproperty_get_lastmodified(modified))
                               : instant(icalcomponent_get_dtstamp(todo));
    r.todo.text = whole ? serialize(calendar) : extract(contents, group);
    return r;
}

} // namespace

QDateTime Times::Latest() const
{
    QDateTime latest;
    for (const QDateTime& t : {title, description, due, status})
        if (t.isValid() && (!latest.isValid() || t > latest))
            latest = t;
    return latest;
}

ReadResult ReadTodo(const QByteArray& calendar)
{
    Component cal = parse(calendar);
    if (!cal || icalcomponent_isa(cal.get()) != ICAL_VCALENDAR_COMPONENT)
        return {{}, QStringLiteral("skipped a resource that holds no readable to-do")};
    const Contents contents = contentsOf(cal.get());
    if (contents.order.isEmpty())
        return {{},
                contents.noUid.isEmpty()
                    ? QStringLiteral("skipped a resource that holds no readable to-do")
                    : QStringLiteral("skipped %1: it has no UID").arg(nameOf({}))};
    return readOne(cal.get(), contents, contents.order.first(), true);
}

QList<Todo> ReadCalendarFile(const QByteArray& calendar, QStringList* errors)
{
    QList<Todo> todos;
    Component cal = parse(calendar);
    if (!cal || icalcomponent_isa(cal.get()) != ICAL_VCALENDAR_COMPONENT) {
        errors->append(QStringLiteral("not an iCalendar file"));
        return todos;
    }
    const Contents contents = contentsOf(cal.get());
    for (int i = 0; i < contents.noUid.size(); ++i)
        errors->append(QStringLiteral("skipped %1: it has no UID").arg(nameOf({})));
    for (const QString& uid : contents.duplicates)
        errors->append(QStringLiteral("skipped a second to-do %1: the first one with this UID "
                                      "was taken")
                           .arg(uid));
    for (const QString& uid : contents.order) {
        ReadResult r = readOne(cal.get(), contents, uid, false);
        if (r.error.isEmpty())
            todos.append(std::move(r.todo));
        else
            errors->append(r.error);
    }
    return todos;
}

QByteArray WriteTodo(const QByteArray& base, const QString& uid, const Fields& before,
                     const Fields& after, const QDateTime& modified)
{
    Component cal = base.isEmpty() ? newCalendar() : parse(base);
    if (!cal)
        cal = newCalendar();
    icalcomponent* todo = nullptr;
    for (icalcomponent* c = icalcomponent_get_first_component(cal.get(), ICAL_VTODO_COMPONENT);
         c && !todo; c = icalcomponent_get_next_component(cal.get(), ICAL_VTODO_COMPONENT))
        if (!isOccurrence(c))
            todo = c;
    const bool created = !todo;
    if (created) {
        todo = icalcomponent_new(ICAL_VTODO_COMPONENT);
        icalcomponent_add_component(cal.get(), todo);
        icalcomponent_set_uid(todo, uid.toUtf8().constData());
        icalcomponent_add_property(todo, icalproperty_new_created(nowUtc()));
    }
    // A text libical does not read back as it was written (it trims blanks at either end; a
    // control character is written as its picture) is written again as the task has it: the
    // same bytes as before, where nothing changed, and the blanks are not lost on the way.
    if (created || before.title != after.title ||
        text(icalcomponent_get_summary(todo)) != after.title)
        setText(todo, ICAL_SUMMARY_PROPERTY, after.title, icalproperty_new_summary);
    if (created || before.description != after.description ||
        text(icalcomponent_get_description(todo)) != after.description)
        setText(todo, ICAL_DESCRIPTION_PROPERTY, after.description, icalproperty_new_description);
    if (created || before.due != after.due)
        setDue(todo, after.due);
    if (created || before.status != after.status)
        setStatus(todo, after.status);
    icalcomponent_set_dtstamp(todo, nowUtc());
    const icaltimetype changedAt =
        modified.isValid() ? icaltime_from_timet_with_zone(time_t(modified.toSecsSinceEpoch()), 0,
                                                           icaltimezone_get_utc_timezone())
                           : nowUtc();
    replace(todo, ICAL_LASTMODIFIED_PROPERTY, icalproperty_new_lastmodified(changedAt));
    return serialize(cal.get());
}

Fields AsWritten(const Fields& fields)
{
    return ReadTodo(WriteTodo({}, QStringLiteral("x"), {}, fields)).todo.fields;
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

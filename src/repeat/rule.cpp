// SPDX-License-Identifier: MIT
#include "rule.h"

#include "platform/datetext.h"

#include <QStringList>
#include <libical/ical.h>
#include <memory>

namespace Repeat
{

namespace
{

// A late daily task catches up day by day; a rule that never falls again gives up here.
constexpr int kMaxSteps = 1000000;

struct Parsed {
    icalrecurrencetype r;
    bool ok;
};

Parsed parse(const QString& rrule)
{
    const QByteArray text = rrule.trimmed().toUtf8();
    if (text.isEmpty())
        return {{}, false};
    icalerror_clear_errno();
    icalrecurrencetype r = icalrecurrencetype_from_string(text.constData());
    return {r, r.freq != ICAL_NO_RECURRENCE && icalerrno == ICAL_NO_ERROR};
}

QList<int> list(const short* values, int size)
{
    QList<int> out;
    for (int i = 0; i < size && values[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i)
        out.append(values[i]);
    return out;
}

icaltimetype icalDate(const QDate& day)
{
    return icaltime_from_string(day.toString(QStringLiteral("yyyyMMdd")).toLatin1().constData());
}

QDate qDate(const icaltimetype& t)
{
    return icaltime_is_null_time(t) ? QDate() : QDate(t.year, t.month, t.day);
}

using Iterator = std::unique_ptr<icalrecur_iterator, decltype(&icalrecur_iterator_free)>;

Iterator iterate(const icalrecurrencetype& r, const QDate& start)
{
    return Iterator(icalrecur_iterator_new(r, icalDate(start)), &icalrecur_iterator_free);
}

bool reckonable(const Parsed& p)
{
    if (!p.ok || p.r.freq < ICAL_DAILY_RECURRENCE || p.r.freq > ICAL_YEARLY_RECURRENCE)
        return false;
    if (!list(p.r.by_second, ICAL_BY_SECOND_SIZE).isEmpty() ||
        !list(p.r.by_minute, ICAL_BY_MINUTE_SIZE).isEmpty() ||
        !list(p.r.by_hour, ICAL_BY_HOUR_SIZE).isEmpty() || (p.r.rscale && *p.r.rscale))
        return false;
    return iterate(p.r, QDate(2000, 1, 1)) != nullptr;
}

// "On the 31st, or the month's last day when it is shorter."
bool monthEnd(const icalrecurrencetype& r)
{
    const QList<int> days = list(r.by_month_day, ICAL_BY_MONTHDAY_SIZE);
    return days.size() == 2 && days[0] >= 29 && days[0] <= 31 && days[1] == -1 &&
           list(r.by_set_pos, ICAL_BY_SETPOS_SIZE) == QList<int>{1};
}

QString ordinal(int n)
{
    if (n < 0)
        return n == -1 ? QStringLiteral("last") : QStringLiteral("%1 from last").arg(ordinal(-n));
    const int tens = n % 100;
    const char* suffix = (tens >= 11 && tens <= 13) ? "th"
                         : n % 10 == 1              ? "st"
                         : n % 10 == 2              ? "nd"
                         : n % 10 == 3              ? "rd"
                                                    : "th";
    return QString::number(n) + QLatin1String(suffix);
}

QString joined(const QStringList& words)
{
    if (words.size() < 2)
        return words.join(QString());
    return words.mid(0, words.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") +
           words.last();
}

QString weekday(short encoded)
{
    // libical numbers Sunday 1 to Saturday 7, Qt Monday 1 to Sunday 7.
    const int day = int(icalrecurrencetype_day_day_of_week(encoded));
    const int position = icalrecurrencetype_day_position(encoded);
    const QString name = QLocale::c().dayName(day == 1 ? 7 : day - 1);
    return position ? QStringLiteral("the %1 %2").arg(ordinal(position), name) : name;
}

QString every(const icalrecurrencetype& r)
{
    static const char* const units[] = {"day", "week", "month", "year"};
    const QString unit = QLatin1String(units[r.freq - ICAL_DAILY_RECURRENCE]);
    return r.interval > 1 ? QStringLiteral("Every %1 %2s").arg(r.interval).arg(unit)
                          : QStringLiteral("Every ") + unit;
}

// The rule as it was written (other programs' order of parts kept), with another COUNT.
QString withCount(const QString& rrule, int count)
{
    QStringList parts = rrule.trimmed().split(QLatin1Char(';'));
    for (QString& part : parts) {
        if (part.startsWith(QLatin1String("COUNT="), Qt::CaseInsensitive))
            part = QStringLiteral("COUNT=%1").arg(count);
    }
    return parts.join(QLatin1Char(';'));
}

} // namespace

QString PresetRule(Preset preset, const QDate& due)
{
    switch (preset) {
    case Preset::Never:
        return {};
    case Preset::Daily:
        return QStringLiteral("FREQ=DAILY");
    case Preset::Weekly:
        return QStringLiteral("FREQ=WEEKLY");
    case Preset::Monthly:
        return due.day() < 29
                   ? QStringLiteral("FREQ=MONTHLY")
                   : QStringLiteral("FREQ=MONTHLY;BYMONTHDAY=%1,-1;BYSETPOS=1").arg(due.day());
    case Preset::Yearly:
        return due.month() == 2 && due.day() == 29
                   ? QStringLiteral("FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29,-1;BYSETPOS=1")
                   : QStringLiteral("FREQ=YEARLY");
    }
    return {};
}

std::optional<Preset> PresetOf(const QString& rrule)
{
    if (rrule.trimmed().isEmpty())
        return Preset::Never;
    const Parsed p = parse(rrule);
    if (!reckonable(p) || p.r.interval > 1 || p.r.count || !icaltime_is_null_time(p.r.until) ||
        !list(p.r.by_day, ICAL_BY_DAY_SIZE).isEmpty() ||
        !list(p.r.by_year_day, ICAL_BY_YEARDAY_SIZE).isEmpty() ||
        !list(p.r.by_week_no, ICAL_BY_WEEKNO_SIZE).isEmpty())
        return std::nullopt;
    const QList<int> months = list(p.r.by_month, ICAL_BY_MONTH_SIZE);
    const bool plain = months.isEmpty() &&
                       list(p.r.by_month_day, ICAL_BY_MONTHDAY_SIZE).isEmpty() &&
                       list(p.r.by_set_pos, ICAL_BY_SETPOS_SIZE).isEmpty();
    switch (p.r.freq) {
    case ICAL_DAILY_RECURRENCE:
        return plain ? std::optional(Preset::Daily) : std::nullopt;
    case ICAL_WEEKLY_RECURRENCE:
        return plain ? std::optional(Preset::Weekly) : std::nullopt;
    case ICAL_MONTHLY_RECURRENCE:
        return plain || (months.isEmpty() && monthEnd(p.r)) ? std::optional(Preset::Monthly)
                                                            : std::nullopt;
    case ICAL_YEARLY_RECURRENCE:
        return plain || (months == QList<int>{2} && monthEnd(p.r) &&
                         list(p.r.by_month_day, ICAL_BY_MONTHDAY_SIZE)[0] == 29)
                   ? std::optional(Preset::Yearly)
                   : std::nullopt;
    default:
        return std::nullopt;
    }
}

bool Reckonable(const QString& rrule)
{
    return reckonable(parse(rrule));
}

QString Describe(const QString& rrule)
{
    const Parsed p = parse(rrule);
    if (!reckonable(p))
        return {};
    const icalrecurrencetype& r = p.r;
    QString text = every(r);

    QStringList days;
    for (const int day : list(r.by_day, ICAL_BY_DAY_SIZE))
        days.append(weekday(short(day)));
    if (!days.isEmpty())
        text += QStringLiteral(" on ") + joined(days);

    const QList<int> monthDays = list(r.by_month_day, ICAL_BY_MONTHDAY_SIZE);
    const bool toMonthEnd = monthEnd(r);
    if (toMonthEnd) {
        text += QStringLiteral(" on the %1 or the month's last day").arg(ordinal(monthDays[0]));
    } else if (!monthDays.isEmpty()) {
        QStringList words;
        for (const int day : monthDays)
            words.append(day == -1 ? QStringLiteral("last day") : ordinal(day));
        text += QStringLiteral(" on the ") + joined(words);
    }

    QStringList months;
    for (const int month : list(r.by_month, ICAL_BY_MONTH_SIZE))
        months.append(QLocale::c().monthName(icalrecurrencetype_month_month(short(month))));
    if (!months.isEmpty())
        text += QStringLiteral(" in ") + joined(months);

    if ((!toMonthEnd && !list(r.by_set_pos, ICAL_BY_SETPOS_SIZE).isEmpty()) ||
        !list(r.by_year_day, ICAL_BY_YEARDAY_SIZE).isEmpty() ||
        !list(r.by_week_no, ICAL_BY_WEEKNO_SIZE).isEmpty())
        text += QStringLiteral(", on days of its own rule");

    // COUNT holds this task too: what is left after it comes back that many more times.
    if (r.count == 1)
        text += QStringLiteral(", for the last time");
    else if (r.count == 2)
        text += QStringLiteral(", 1 more time");
    else if (r.count > 2)
        text += QStringLiteral(", %1 more times").arg(r.count - 1);
    if (!icaltime_is_null_time(r.until))
        text += QStringLiteral(", until ") + ShortDateText(qDate(r.until));
    return text;
}

std::optional<Next> NextAfter(const QString& rrule, const QList<QDate>& exdates, const QDate& due,
                              const QDate& today)
{
    const Parsed p = parse(rrule);
    if (!due.isValid() || !reckonable(p))
        return std::nullopt;
    const Iterator it = iterate(p.r, due);
    // Every occurrence passed on the way uses up one of COUNT, skipped or late ones too.
    int passed = 0;
    for (int step = 0; step < kMaxSteps; ++step) {
        const QDate day = qDate(icalrecur_iterator_next(it.get()));
        if (!day.isValid())
            return std::nullopt;
        if (day <= due || day < today || exdates.contains(day)) {
            ++passed;
            continue;
        }
        return Next{day, p.r.count ? withCount(rrule, p.r.count - passed) : rrule.trimmed()};
    }
    return std::nullopt;
}

QList<QDate> ParseDates(const QString& text)
{
    QList<QDate> dates;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QDate day = QDate::fromString(part.trimmed().left(8), QStringLiteral("yyyyMMdd"));
        if (day.isValid())
            dates.append(day);
    }
    return dates;
}

QString DatesText(const QList<QDate>& dates)
{
    QStringList parts;
    for (const QDate& day : dates)
        parts.append(day.toString(QStringLiteral("yyyyMMdd")));
    return parts.join(QLatin1Char(','));
}

} // namespace Repeat

// SPDX-License-Identifier: MIT
#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <optional>

// A task's repeat: an iCalendar RRULE value (FREQ=WEEKLY;BYDAY=MO...) and the days it skips
// (EXDATE), reckoned from the task's due date as the series' start.
namespace Repeat
{

// The rules the task menus offer.
enum class Preset { Never, Daily, Weekly, Monthly, Yearly };

// The rule a preset writes for a task due on `due`. From the 29th, 30th or 31st "Every Month"
// falls on the last day of a shorter month, and "Every Year" from the 29th of February on the
// 28th in other years; the rule says so, so that other programs agree. Empty for Never.
QString PresetRule(Preset preset, const QDate& due);

// Which preset a rule is, whatever day its task is now on; nullopt for any other rule (an
// interval, days of its own, an end). Never for an empty rule.
std::optional<Preset> PresetOf(const QString& rrule);

// Whether the next date of the rule can be reckoned: libical reads it, and it repeats by days
// or longer.
bool Reckonable(const QString& rrule);

// The rule in words: "Every 2 weeks on Monday", "Every month, 3 more times"; empty when it is
// not reckonable.
QString Describe(const QString& rrule);

// Where a completed task's series goes on: the first occurrence after `due` that is not
// before `today` (a late completion skips the days already gone) and not skipped, and the
// rule the next task carries (COUNT counted down by the occurrences passed).
struct Next {
    QDate date;
    QString rrule;
};
// nullopt past the series' last occurrence, and for a rule that is not reckonable.
std::optional<Next> NextAfter(const QString& rrule, const QList<QDate>& exdates, const QDate& due,
                              const QDate& today);

// EXDATE values as the store keeps them: "20260305,20260312".
QList<QDate> ParseDates(const QString& text);
QString DatesText(const QList<QDate>& dates);

} // namespace Repeat

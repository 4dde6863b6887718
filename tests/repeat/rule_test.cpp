// SPDX-License-Identifier: MIT
// The program's own rules over libical's recurrences: month ends, COUNT carried on, UNTIL,
// skipped days, catching up, the presets and the words.
#include "repeat/rule.h"
#include "support/qtprint.h"

#include <gtest/gtest.h>

using Repeat::Preset;

namespace
{

struct NextCase {
    const char* what;
    QString rule;
    QList<QDate> exdates;
    QDate due;
    QDate today;
    QDate next; // invalid: the series has ended
    QString movedRule;
};

class NextAfterTest : public ::testing::TestWithParam<NextCase>
{
};

TEST_P(NextAfterTest, FallsWhereTheRuleSays)
{
    const NextCase& c = GetParam();
    const auto next = Repeat::NextAfter(c.rule, c.exdates, c.due, c.today);
    if (!c.next.isValid()) {
        EXPECT_FALSE(next) << c.what << ": " << qPrintable(next->date.toString(Qt::ISODate));
        return;
    }
    ASSERT_TRUE(next) << c.what;
    EXPECT_EQ(next->date, c.next) << c.what << ": " << qPrintable(next->date.toString(Qt::ISODate));
    EXPECT_EQ(next->rrule, c.movedRule) << c.what;
}

const QString monthly31 = Repeat::PresetRule(Preset::Monthly, QDate(2026, 1, 31));
const QString monthly30 = Repeat::PresetRule(Preset::Monthly, QDate(2026, 4, 30));
const QString monthly29 = Repeat::PresetRule(Preset::Monthly, QDate(2026, 1, 29));
const QString leapYearly = Repeat::PresetRule(Preset::Yearly, QDate(2028, 2, 29));

INSTANTIATE_TEST_SUITE_P(
    Rules, NextAfterTest,
    ::testing::Values(
        NextCase{"31st into February",
                 monthly31,
                 {},
                 {2026, 1, 31},
                 {2026, 1, 31},
                 {2026, 2, 28},
                 monthly31},
        NextCase{"back to the 31st after February",
                 monthly31,
                 {},
                 {2026, 2, 28},
                 {2026, 2, 28},
                 {2026, 3, 31},
                 monthly31},
        NextCase{"31st into a 30-day month",
                 monthly31,
                 {},
                 {2026, 3, 31},
                 {2026, 3, 31},
                 {2026, 4, 30},
                 monthly31},
        NextCase{"31st into a leap February",
                 monthly31,
                 {},
                 {2028, 1, 31},
                 {2028, 1, 31},
                 {2028, 2, 29},
                 monthly31},
        NextCase{"30th into February",
                 monthly30,
                 {},
                 {2026, 1, 30},
                 {2026, 1, 30},
                 {2026, 2, 28},
                 monthly30},
        NextCase{"30th stays the 30th in a 31-day month",
                 monthly30,
                 {},
                 {2026, 2, 28},
                 {2026, 2, 28},
                 {2026, 3, 30},
                 monthly30},
        NextCase{"29th in a leap February",
                 monthly29,
                 {},
                 {2028, 1, 29},
                 {2028, 1, 29},
                 {2028, 2, 29},
                 monthly29},
        NextCase{"leap day in a common year",
                 leapYearly,
                 {},
                 {2028, 2, 29},
                 {2028, 2, 29},
                 {2029, 2, 28},
                 leapYearly},
        NextCase{"leap day again in the next leap year",
                 leapYearly,
                 {},
                 {2031, 2, 28},
                 {2031, 2, 28},
                 {2032, 2, 29},
                 leapYearly},
        NextCase{"COUNT counted down",
                 "FREQ=WEEKLY;COUNT=3",
                 {},
                 {2026, 3, 5},
                 {2026, 3, 5},
                 {2026, 3, 12},
                 "FREQ=WEEKLY;COUNT=2"},
        NextCase{"the last of COUNT makes nothing",
                 "FREQ=WEEKLY;COUNT=1",
                 {},
                 {2026, 3, 5},
                 {2026, 3, 5},
                 {},
                 {}},
        NextCase{"COUNT counts the days caught up",
                 "FREQ=DAILY;COUNT=10",
                 {},
                 {2026, 3, 1},
                 {2026, 3, 5},
                 {2026, 3, 5},
                 "FREQ=DAILY;COUNT=6"},
        NextCase{"COUNT runs out while catching up",
                 "FREQ=DAILY;COUNT=3",
                 {},
                 {2026, 3, 1},
                 {2026, 3, 5},
                 {},
                 {}},
        NextCase{"UNTIL reached",
                 "FREQ=WEEKLY;UNTIL=20260315",
                 {},
                 {2026, 3, 12},
                 {2026, 3, 12},
                 {},
                 {}},
        NextCase{"UNTIL not yet reached",
                 "FREQ=WEEKLY;UNTIL=20260315",
                 {},
                 {2026, 3, 5},
                 {2026, 3, 5},
                 {2026, 3, 12},
                 "FREQ=WEEKLY;UNTIL=20260315"},
        NextCase{"EXDATE skipped",
                 "FREQ=WEEKLY",
                 {{2026, 3, 12}},
                 {2026, 3, 5},
                 {2026, 3, 5},
                 {2026, 3, 19},
                 "FREQ=WEEKLY"},
        NextCase{"a skipped day still counts",
                 "FREQ=WEEKLY;COUNT=4",
                 {{2026, 3, 12}},
                 {2026, 3, 5},
                 {2026, 3, 5},
                 {2026, 3, 19},
                 "FREQ=WEEKLY;COUNT=2"},
        NextCase{"a month late, daily: today, not a string of past days",
                 "FREQ=DAILY",
                 {},
                 {2026, 2, 3},
                 {2026, 3, 5},
                 {2026, 3, 5},
                 "FREQ=DAILY"},
        NextCase{"weeks late: the first week not gone",
                 "FREQ=WEEKLY",
                 {},
                 {2026, 1, 1},
                 {2026, 3, 5},
                 {2026, 3, 5},
                 "FREQ=WEEKLY"},
        NextCase{"weeks late, between two weeks",
                 "FREQ=WEEKLY",
                 {},
                 {2026, 1, 2},
                 {2026, 3, 5},
                 {2026, 3, 6},
                 "FREQ=WEEKLY"},
        NextCase{"completed early: after its own day",
                 "FREQ=MONTHLY",
                 {},
                 {2026, 4, 10},
                 {2026, 3, 5},
                 {2026, 5, 10},
                 "FREQ=MONTHLY"},
        NextCase{"a rule libical cannot read",
                 "FREQ=FORTNIGHTLY",
                 {},
                 {2026, 3, 5},
                 {2026, 3, 5},
                 {},
                 {}},
        NextCase{"hours are not a task's", "FREQ=HOURLY", {}, {2026, 3, 5}, {2026, 3, 5}, {}, {}}));

TEST(Preset, RulesWrittenForMonthEndsAndBack)
{
    EXPECT_EQ(monthly31, "FREQ=MONTHLY;BYMONTHDAY=31,-1;BYSETPOS=1");
    EXPECT_EQ(Repeat::PresetRule(Preset::Monthly, QDate(2026, 1, 28)), "FREQ=MONTHLY");
    EXPECT_EQ(leapYearly, "FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29,-1;BYSETPOS=1");
    EXPECT_EQ(Repeat::PresetRule(Preset::Never, QDate(2026, 1, 28)), "");
    const struct {
        QString rule;
        std::optional<Preset> preset;
    } cases[] = {
        {"", Preset::Never},
        {"FREQ=DAILY", Preset::Daily},
        {"FREQ=WEEKLY", Preset::Weekly},
        {monthly31, Preset::Monthly},
        {"FREQ=MONTHLY", Preset::Monthly},
        {leapYearly, Preset::Yearly},
        {"FREQ=YEARLY", Preset::Yearly},
        {"FREQ=WEEKLY;INTERVAL=2", std::nullopt},
        {"FREQ=WEEKLY;BYDAY=MO", std::nullopt},
        {"FREQ=MONTHLY;COUNT=4", std::nullopt},
        {"FREQ=MONTHLY;BYMONTHDAY=15", std::nullopt},
        {"FREQ=FORTNIGHTLY", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Repeat::PresetOf(c.rule), c.preset) << qPrintable(c.rule);
}

TEST(Describe, SaysTheRuleInWords)
{
    const struct {
        QString rule;
        QString words;
    } cases[] = {
        {"FREQ=WEEKLY;INTERVAL=2;BYDAY=MO", "Every 2 weeks on Monday"},
        {"FREQ=MONTHLY;COUNT=4", "Every month, 3 more times"},
        {"FREQ=WEEKLY;BYDAY=MO,WE,FR", "Every week on Monday, Wednesday and Friday"},
        {"FREQ=MONTHLY;BYDAY=-1FR", "Every month on the last Friday"},
        {"FREQ=MONTHLY;INTERVAL=3;BYMONTHDAY=1,15", "Every 3 months on the 1st and 15th"},
        {"FREQ=YEARLY;BYMONTH=3", "Every year in March"},
        {monthly31, "Every month on the 31st or the month's last day"},
        {"FREQ=DAILY;COUNT=1", "Every day, for the last time"},
        {"FREQ=FORTNIGHTLY", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Repeat::Describe(c.rule), c.words) << qPrintable(c.rule);
    EXPECT_TRUE(Repeat::Describe("FREQ=DAILY;UNTIL=20270331").startsWith("Every day, until "));
}

} // namespace

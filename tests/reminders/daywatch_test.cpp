// SPDX-License-Identifier: MIT
// Noticing the new day: the midnight timer, waking from suspend, a change of time zone.
#include "localzone.h"
#include "platform/clock.h"
#include "privatebus.h"
#include "reminders/daywatch.h"
#include "support/qtprint.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <unistd.h>

namespace
{

QDBusConnection NoBus()
{
    return QDBusConnection(QStringLiteral("no such bus"));
}

QDateTime Local(int y, int m, int d, int h, int min, int s = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min, s));
}

// A POSIX zone in which local time is now `before` seconds short of midnight.
QByteArray ZoneNearMidnight(int before)
{
    const QTime utc = QDateTime::currentDateTimeUtc().time();
    int offset = (86400 - before - utc.msecsSinceStartOfDay() / 1000) % 86400;
    if (offset > 12 * 3600)
        offset -= 86400;
    // POSIX counts west of Greenwich as positive.
    const int west = -offset;
    const int a = std::abs(west);
    return QString::asprintf("XXX%c%02d:%02d:%02d", west < 0 ? '-' : '+', a / 3600, a / 60 % 60,
                             a % 60)
        .toLatin1();
}

struct Interval {
    const char* zone;
    QDateTime now;
    qint64 expected;
};

TEST(DayWatch, TheIntervalToMidnightFollowsTheLocalCalendar)
{
    const Interval cases[] = {
        {"Europe/Berlin", Local(2031, 3, 9, 23, 59, 35), 25'000},
        // A day of 23 hours, then one of 25.
        {"Europe/Berlin", Local(2031, 3, 30, 0, 0), 23 * 3600'000},
        {"Europe/Berlin", Local(2031, 10, 26, 0, 0), 25 * 3600'000},
        // The clocks went from 00:00 to 01:00: that day began at 01:00.
        {"America/Sao_Paulo", Local(2018, 11, 3, 23, 30), 1800'000},
    };
    for (const Interval& c : cases) {
        const LocalZone zone(c.zone);
        EXPECT_EQ(MsecsToNextDay(c.now), c.expected)
            << c.zone << " " << c.now.toString().toStdString();
    }
}

// The timer is armed from the wall clock: in a zone where midnight is two seconds away, the
// new day is told at midnight and not before.
TEST(DayWatch, TellsTheNewDayAtLocalMidnight)
{
    const LocalZone zone(ZoneNearMidnight(2));
    DayWatch watch(NoBus());
    const QDate started = watch.Day();
    EXPECT_EQ(started, QDate::currentDate());
    QSignalSpy told(&watch, &DayWatch::DayChanged);
    QTest::qWait(1000);
    EXPECT_EQ(told.count(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return told.count() == 1; }, 3000));
    ASSERT_EQ(told.count(), 1);
    EXPECT_EQ(told[0][0].toDate(), started);
    EXPECT_EQ(told[0][1].toDate(), started.addDays(1));
    EXPECT_EQ(QDate::currentDate(), started.addDays(1));
}

// After a suspend the timer is late by the time slept; logind's word on waking is enough.
TEST(DayWatch, TellsTheNewDayOnWakingFromSuspend)
{
    PrivateBus system;
    Logind logind(system);
    const QDate day(2031, 3, 9);
    Clock::SetToday(day);
    DayWatch watch(system.Connect());
    QSignalSpy told(&watch, &DayWatch::DayChanged);

    logind.PrepareForSleep(true);
    Clock::SetToday(day.addDays(2));
    logind.PrepareForSleep(false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return told.count() == 1; }));
    ASSERT_EQ(told.count(), 1);
    EXPECT_EQ(told[0][0].toDate(), day);
    EXPECT_EQ(told[0][1].toDate(), day.addDays(2));
    EXPECT_EQ(watch.Day(), day.addDays(2));

    // Waking on the same day tells nothing.
    logind.PrepareForSleep(true);
    logind.PrepareForSleep(false);
    QTest::qWait(300);
    EXPECT_EQ(told.count(), 1);
    Clock::Reset();
}

// The zone file is replaced the way system tools do it: a new link renamed over the old.
void Point(const QString& file, const char* zone)
{
    const QString link = file + QStringLiteral(".new");
    QFile::remove(link);
    ASSERT_TRUE(QFile::link(QStringLiteral("/usr/share/zoneinfo/") + zone, link));
    ASSERT_EQ(std::rename(QFile::encodeName(link), QFile::encodeName(file)), 0);
}

// The environment as other threads may be reading it: every entry where it was.
QList<const char*> Environment()
{
    QList<const char*> entries;
    for (char** entry = environ; *entry; ++entry)
        entries << *entry;
    return entries;
}

// With TZ unset the zone is /etc/localtime's. This case runs in a mount namespace of its own
// whose /etc it may change (ownetc.sh); anywhere else it is skipped.
TEST(DayWatch, TellsTheNewDayWhenTheTimeZoneChanges)
{
    if (!qEnvironmentVariableIsSet("DUEBOARD_OWN_ETC"))
        GTEST_SKIP() << "needs an /etc of its own: run through ownetc.sh";
    ASSERT_FALSE(qEnvironmentVariableIsSet("TZ"));
    const QString file = QStringLiteral("/etc/localtime");
    // Eleven hours behind UTC, and fourteen ahead: a day or two later.
    Point(file, "Pacific/Pago_Pago");
    ::tzset();
    DayWatch watch(NoBus());
    const QDate started = watch.Day();
    QSignalSpy told(&watch, &DayWatch::DayChanged);
    const QList<const char*> environment = Environment();

    Point(file, "Pacific/Kiritimati");
    EXPECT_TRUE(QTest::qWaitFor([&] { return told.count() == 1; }));
    ASSERT_EQ(told.count(), 1);
    EXPECT_EQ(told[0][0].toDate(), started);
    EXPECT_GT(told[0][1].toDate(), started);
    EXPECT_EQ(told[0][1].toDate(), QDate::currentDate()) << "local dates follow the new zone";
    EXPECT_EQ(watch.Day(), QDate::currentDate());

    Point(file, "Pacific/Pago_Pago");
    EXPECT_TRUE(QTest::qWaitFor([&] { return told.count() == 2; }));
    ASSERT_EQ(told.count(), 2);
    EXPECT_EQ(told[1][1].toDate(), started);
    EXPECT_EQ(Environment(), environment);

    // Another file in the folder is no change of zone.
    QFile other(QStringLiteral("/etc/other"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("x");
    other.close();
    QTest::qWait(300);
    EXPECT_EQ(told.count(), 2);
}

// A zone TZ names stays for the run, whatever becomes of its file: the environment, which the
// program's other threads read, is never changed to make the C library read it again.
TEST(DayWatch, AZoneThatTZNamesStaysAndTheEnvironmentIsLeftAlone)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("localtime"));
    Point(file, "Pacific/Pago_Pago");
    const LocalZone zone(':' + QFile::encodeName(file));
    DayWatch watch(NoBus());
    const QDate started = watch.Day();
    QSignalSpy told(&watch, &DayWatch::DayChanged);
    const QList<const char*> environment = Environment();

    Point(file, "Pacific/Kiritimati");
    QTest::qWait(300);
    EXPECT_EQ(Environment(), environment);
    EXPECT_EQ(told.count(), 0);
    EXPECT_EQ(QDate::currentDate(), started);
}

} // namespace

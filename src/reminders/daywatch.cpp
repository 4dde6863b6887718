// SPDX-License-Identifier: MIT
#include "reminders/daywatch.h"

#include "platform/clock.h"

#include <algorithm>
#include <utility>

qint64 MsecsToNextDay(const QDateTime& now)
{
    // Where a zone skips midnight, the day starts at its first hour.
    return std::max<qint64>(1, now.msecsTo(now.date().addDays(1).startOfDay()));
}

DayWatch::DayWatch(const QDBusConnection& systemBus, QObject* parent)
    : QObject(parent), m_day(Today())
{
    // Qt's timers run on a clock that stands still in suspend and ignores clock changes.
    m_midnight.setSingleShot(true);
    m_midnight.setTimerType(Qt::PreciseTimer);
    connect(&m_midnight, &QTimer::timeout, this, &DayWatch::Look);
    connect(&m_clock, &ClockChanges::Changed, this, &DayWatch::Look);
    connect(&m_zone, &ZoneChanges::Changed, this, &DayWatch::Look);
    // Qt D-Bus delivers signals to slots named by their signature only.
    QDBusConnection(systemBus).connect(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
        SLOT(PrepareForSleep(bool)));
    Arm();
}

void DayWatch::Look()
{
    Arm();
    const QDate today = Today();
    if (today == m_day)
        return;
    const QDate ended = std::exchange(m_day, today);
    emit DayChanged(ended, today);
}

void DayWatch::PrepareForSleep(bool start)
{
    if (!start)
        Look();
}

void DayWatch::Arm()
{
    m_midnight.start(int(MsecsToNextDay(QDateTime::currentDateTime())));
}

// SPDX-License-Identifier: MIT
#pragma once

#include "reminders/clockchange.h"
#include "reminders/zonechange.h"

#include <QDBusConnection>
#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QTimer>

// Notices that the date has changed: at local midnight, on waking from suspend (logind on the
// system bus), and when the clock or the time zone is changed. One timer runs to the next
// midnight, its interval worked out from the wall clock, and is armed again on each of those
// events. The date itself is Today(), the program's clock.
class DayWatch : public QObject
{
    Q_OBJECT
public:
    // systemBus: where logind tells of sleep and waking; without it resumes go unnoticed until
    // the timer runs out, late by the time slept.
    explicit DayWatch(const QDBusConnection& systemBus, QObject* parent = nullptr);

    QDate Day() const { return m_day; }

    // Looks at the date, tells if it changed, and arms the timer again.
    void Look();

signals:
    void DayChanged(const QDate& ended, const QDate& began);

private slots:
    void PrepareForSleep(bool start);

private:
    void Arm();

    QDate m_day;
    QTimer m_midnight;
    ClockChanges m_clock;
    ZoneChanges m_zone;
};

// Milliseconds from now to the start of the next local day: at least 1.
qint64 MsecsToNextDay(const QDateTime& now);

// SPDX-License-Identifier: MIT
#pragma once

#include "reminders/daywatch.h"
#include "reminders/mainwindowday.h"
#include "reminders/notification.h"

#include <QDBusConnection>
#include <QDate>
#include <QObject>

// Keeps the running program up with the days. On a new day a loaded main window follows
// (MainWindowDay), and a desktop notification says what falls due: once a day at most, none for a
// day with nothing due, none for the day the program started on.
class Reminders : public QObject
{
    Q_OBJECT
public:
    Reminders(const QDBusConnection& sessionBus, const QDBusConnection& systemBus,
              QObject* parent = nullptr);

signals:
    // The person chose the notification: the main window is wanted.
    void ShowMainScreen();

private:
    void DayChanged(const QDate& ended, const QDate& began);
    void Notify(const QDate& day);

    DayWatch m_days;
    MainWindowDay m_window;
    DesktopNotification m_notification;
    QDate m_told; // the latest day the person was told about, or started the program on
};

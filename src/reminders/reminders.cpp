// SPDX-License-Identifier: MIT
#include "reminders/reminders.h"

#include "platform/app.h"
#include "platform/error.h"
#include "reminders/duetasks.h"

#include <cstdio>
#include <exception>

Reminders::Reminders(const QDBusConnection& sessionBus, const QDBusConnection& systemBus,
                     QObject* parent)
    : QObject(parent), m_days(systemBus), m_notification(sessionBus), m_told(m_days.Day())
{
    connect(&m_days, &DayWatch::DayChanged, this, &Reminders::DayChanged);
    connect(&m_notification, &DesktopNotification::Activated, this, &Reminders::ShowMainScreen);
}

void Reminders::DayChanged(const QDate& ended, const QDate& began)
{
    m_window.DayChanged(ended);
    // A clock put back to a day already told about tells nothing again.
    if (began <= m_told)
        return;
    m_told = began;
    Notify(began);
}

void Reminders::Notify(const QDate& day)
{
    DueTasks due;
    try {
        due = ReadDueTasks(day);
    } catch (...) {
        // Nobody asked: the person learns of it when the window opens the database.
        std::fprintf(stderr, "dueboard-server: no notification for %s: %s\n",
                     qPrintable(day.toString(Qt::ISODate)),
                     qPrintable(Describe(std::current_exception())));
        return;
    }
    // A notification about an earlier day would be out of date.
    if (!due.Any()) {
        m_notification.Close();
        return;
    }
    m_notification.Show(App::Title, [due](bool markup) { return NotificationBody(due, markup); });
}

// SPDX-License-Identifier: MIT
#pragma once

#include <QDate>
#include <QStringList>

// What a day holds for the person: the open tasks due that day and the tasks past due.
struct DueTasks {
    int today = 0;
    int pastDue = 0;
    QStringList titles; // up to three: the day's in the order the day lists them, then the
                        // past-due ones, oldest first

    bool Any() const { return today + pastDue > 0; }
};

// Reads them for day through the main window's connection while it is open, and otherwise
// through a read-only connection of its own, closed before this returns. Throws adodb::DbError.
DueTasks ReadDueTasks(const QDate& day);

// The counts, then each title on a line of its own. markup: escaped for a notification server
// that reads markup in the body.
QString NotificationBody(const DueTasks& due, bool markup);

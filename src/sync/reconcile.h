// SPDX-License-Identifier: MIT
#pragma once

#include "syncdb.h"

#include <QStringList>
#include <functional>

// Bringing to-dos from the other side (a file or the server) into the tasks, and writing the
// tasks out as to-dos. Both sides are compared with the to-do as they last agreed on it.
namespace Reconcile
{

struct Inbound {
    enum Outcome { Unchanged, Added, Changed, Restored } outcome = Unchanged;
    QStringList replaced;   // texts a later change replaced, one line each
    bool needsPush = false; // the task now differs from what the other side has
};

// Where the to-do came from: its resource on the server (empty for a file) and whether the
// to-do becomes the agreed base. A file's to-do does not, for a task the server keeps: the
// server's copy stays the base, so the imported change travels to it as a change made here.
struct Source {
    QString href;
    QString etag;
    bool agreed = true;
};

// New tasks get their identifiers from nextId, outside any transaction of db. Throws
// adodb::DbError when the database cannot be read or written.
Inbound Apply(SyncDb& db, const Ical::Todo& todo, const Source& source, const QDate& today,
              const std::function<qint32()>& nextId);

// The server no longer has the item's to-do at the address listed: the task goes too (true),
// unless it was edited here since, even while the run went on: then it stays, to be sent as new.
bool GoneThere(SyncDb& db, const SyncDb::Item& listed);

// The task as a to-do: its item's agreed to-do with the fields changed here written over it.
QByteArray Outbound(const SyncDb::Item& item, const Ical::Fields& local);

// A task that has never been written out: a new item with a new UID, not yet on a server,
// holding the task as it is now.
SyncDb::Item NewItem(qint32 taskId, const Ical::Fields& local);

} // namespace Reconcile

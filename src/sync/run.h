// SPDX-License-Identifier: MIT
#pragma once

#include "caldav.h"
#include "syncdb.h"

#include <QStringList>
#include <functional>

// One two-way sync run with the collection. Each task is settled (read, merged, written on
// both sides) on its own, so a run that stops part way loses nothing and the next run carries
// on from there; the sync-token is saved only once everything it covers is settled.
namespace SyncRun
{

struct Summary {
    int added = 0;        // tasks that came from the server
    int changed = 0;      // tasks changed from the server
    int deleted = 0;      // tasks deleted because the server's copy was
    int sent = 0;         // new tasks sent
    int updated = 0;      // changed tasks sent
    int removed = 0;      // deleted tasks removed from the server
    QStringList messages; // replaced texts and skipped to-dos
    QString Text() const;
};

// Throws CalDav::Failure or adodb::DbError; what was settled before stays settled.
Summary Run(SyncDb& db, CalDav::Client& client, const QDate& today,
            const std::function<qint32()>& nextId);

} // namespace SyncRun

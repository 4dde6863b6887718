// SPDX-License-Identifier: MIT
#pragma once

#include "syncdb.h"

#include <QStringList>
#include <functional>

// iCalendar files: every task out to one file, and a file's to-dos in. Importing a file twice
// adds nothing twice: a to-do is known again by its UID.
namespace Files
{

struct ImportSummary {
    int added = 0;
    int changed = 0;
    int unchanged = 0;
    QStringList messages; // skipped to-dos and replaced texts
};

ImportSummary Import(SyncDb& db, const QByteArray& calendar, const QDate& today,
                     const std::function<qint32()>& nextId);

// Tasks written out for the first time get their UID here, so that the file imported
// elsewhere and synced back is known as the same tasks.
QByteArray Export(SyncDb& db, int* count);

} // namespace Files

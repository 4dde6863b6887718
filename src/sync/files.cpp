// SPDX-License-Identifier: MIT
#include "files.h"

#include "reconcile.h"

namespace Files
{

ImportSummary Import(SyncDb& db, const QByteArray& calendar, const QDate& today,
                     const std::function<qint32()>& nextId)
{
    ImportSummary summary;
    const QList<Ical::Todo> todos = Ical::ReadCalendarFile(calendar, &summary.messages);
    for (const Ical::Todo& todo : todos) {
        const std::optional<SyncDb::Item> item = db.ItemByUid(todo.uid);
        Reconcile::Source source;
        source.agreed = !item || item->href.isEmpty();
        const Reconcile::Inbound in = Reconcile::Apply(db, todo, source, today, nextId);
        summary.messages << in.replaced;
        if (in.outcome == Reconcile::Inbound::Added)
            ++summary.added;
        else if (in.outcome == Reconcile::Inbound::Unchanged)
            ++summary.unchanged;
        else
            ++summary.changed;
    }
    return summary;
}

QByteArray Export(SyncDb& db, int* count)
{
    QList<QByteArray> calendars;
    QList<SyncDb::Item> fresh;
    for (qint32 id : db.TaskIds()) {
        const std::optional<Ical::Fields> local = db.Task(id);
        if (!local)
            continue; // deleted by the program meanwhile
        if (const std::optional<SyncDb::Item> item = db.ItemOf(id)) {
            calendars << Reconcile::Outbound(*item, *local);
            continue;
        }
        fresh << Reconcile::NewItem(id, *local);
        calendars << fresh.last().synced;
    }
    db.Transaction([&] {
        for (const SyncDb::Item& item : fresh)
            db.SaveItem(item);
    });
    *count = int(calendars.size());
    return Ical::JoinCalendars(calendars);
}

} // namespace Files

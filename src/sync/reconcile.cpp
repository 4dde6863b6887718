// SPDX-License-Identifier: MIT
#include "reconcile.h"

#include "merge.h"

namespace Reconcile
{

namespace
{

// The other side's fields in the task's terms: a to-do with no due date stays on the day the
// task has.
Ical::Fields remoteFields(const Ical::Todo& todo, const QDate& day)
{
    Ical::Fields remote = todo.fields;
    if (!remote.due.isValid())
        remote.due = day;
    return remote;
}

Inbound added(SyncDb& db, const Ical::Todo& todo, const Source& source, const QDate& today,
              const std::function<qint32()>& nextId)
{
    // A counter that lags behind the tasks (a file another tool filled) must not make a new
    // task overwrite an old one.
    qint32 id = nextId();
    while (db.Task(id))
        id = nextId();
    SyncDb::Item item{id, todo.uid, source.href, source.etag, todo.text, {}, {}};
    if (!todo.fields.due.isValid())
        item.placed = today;
    db.Transaction([&] {
        db.WriteTask(id, remoteFields(todo, today));
        db.SaveItem(item);
    });
    return {Inbound::Added, {}, false};
}

} // namespace

Inbound Apply(SyncDb& db, const Ical::Todo& todo, const Source& source, const QDate& today,
              const std::function<qint32()>& nextId)
{
    std::optional<SyncDb::Item> item = db.ItemByUid(todo.uid);
    if (!item)
        return added(db, todo, source, today, nextId);
    const Ical::Fields base = SyncDb::BaseOf(*item);
    const Ical::Fields remote = remoteFields(todo, base.due);
    const std::optional<Ical::Fields> local = db.Task(item->taskId);
    SyncDb::Item next = *item;
    if (source.agreed) {
        next.synced = todo.text;
        next.href = source.href.isEmpty() ? item->href : source.href;
        next.etag = source.etag;
        if (todo.fields.due.isValid())
            next.placed = {};
    }
    Inbound result;
    if (remote == base) {
        // Nothing changed there; a deletion or an edit here is for the outbound side.
        if (source.agreed && next.etag != item->etag)
            db.Transaction([&] { db.SaveItem(next); });
        return result;
    }
    if (!local) {
        // Deleted here, edited there: the edit wins and the task comes back.
        result.outcome = Inbound::Restored;
        next.changed = {};
        db.Transaction([&] {
            db.WriteTask(item->taskId, remote);
            db.SaveItem(next);
        });
        return result;
    }
    Merge::Result merged{remote, {}};
    if (*local != base) {
        const bool localLater =
            item->changed.isValid() && todo.modified.isValid() && item->changed > todo.modified;
        merged = Merge::ThreeWay(base, *local, remote, localLater);
    }
    result.outcome = merged.fields == *local ? Inbound::Unchanged : Inbound::Changed;
    result.replaced = merged.replaced;
    result.needsPush = merged.fields != remote;
    // The task's change time stays while there is something left to send.
    next.changed = result.needsPush ? item->changed : QDateTime();
    db.Transaction([&] {
        if (merged.fields != *local)
            db.WriteTask(item->taskId, merged.fields);
        if (source.agreed)
            db.SaveItem(next);
    });
    return result;
}

QByteArray Outbound(const SyncDb::Item& item, const Ical::Fields& local)
{
    return Ical::WriteTodo(item.synced, item.uid, SyncDb::BaseOf(item), local);
}

SyncDb::Item NewItem(qint32 taskId, const Ical::Fields& local)
{
    SyncDb::Item item;
    item.taskId = taskId;
    item.uid = Ical::NewUid();
    item.synced = Ical::WriteTodo({}, item.uid, {}, local);
    return item;
}

} // namespace Reconcile

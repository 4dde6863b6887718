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

Inbound added(SyncDb& db, qint32 id, const Ical::Todo& todo, const Source& source,
              const QDate& today)
{
    SyncDb::Item item;
    item.taskId = id;
    item.uid = todo.uid;
    item.href = source.href;
    item.etag = source.etag;
    item.synced = todo.text;
    item.sent = remoteFields(todo, today);
    if (!todo.fields.due.isValid())
        item.placed = today;
    db.WriteTask(id, item.sent);
    db.SaveItem(item);
    return {Inbound::Added, {}, false};
}

Inbound merged(SyncDb& db, const SyncDb::Item& item, const Ical::Todo& todo, const Source& source)
{
    const Ical::Fields base = SyncDb::BaseOf(item);
    const Ical::Fields remote = remoteFields(todo, base.due);
    const std::optional<Ical::Fields> local = db.Task(item.taskId);
    SyncDb::Item next = item;
    if (source.agreed) {
        next.synced = todo.text;
        next.href = source.href.isEmpty() ? item.href : source.href;
        next.etag = source.etag;
        next.pending = item.pending && source.href.isEmpty();
        if (todo.fields.due.isValid())
            next.placed = {};
    }
    Inbound result;
    if (!local) {
        if (remote == base) {
            // Nothing changed there; the deletion here is for the outbound side.
            if (source.agreed)
                db.SaveItem(next);
            return result;
        }
        // Deleted here, edited there: the edit wins and the task comes back.
        result.outcome = Inbound::Restored;
        next.sent = remote;
        next.changed = {};
        db.WriteTask(item.taskId, remote);
        db.SaveItem(next);
        return result;
    }
    const Merge::Result m =
        Merge::ThreeWay({base, item.sent, *local, remote, item.changed, todo.modified});
    result.outcome = m.fields == *local ? Inbound::Unchanged : Inbound::Changed;
    result.replaced = m.replaced;
    const bool keep[] = {m.keep.title, m.keep.description, m.keep.due, m.keep.status};
    int i = 0;
    Ical::ForEachField([&](auto field, auto time) {
        // A field still to be sent keeps what was sent and when it changed here.
        if (!keep[i++]) {
            next.sent.*field = m.fields.*field;
            next.changed.*time = {};
        }
        result.needsPush = result.needsPush || m.fields.*field != remote.*field;
    });
    if (m.fields != *local)
        db.WriteTask(item.taskId, m.fields, local);
    // From a file, for a task the server keeps, the change travels to the server as one made
    // here: the trigger has noted it.
    if (source.agreed)
        db.SaveItem(next);
    return result;
}

} // namespace

Inbound Apply(SyncDb& db, const Ical::Todo& todo, const Source& source, const QDate& today,
              const std::function<qint32()>& nextId)
{
    // Read, merged and written in one transaction, so that nothing the program writes
    // meanwhile is overwritten. A new task's identifier comes from the store's counter, on a
    // connection of its own, so it is taken between transactions.
    std::optional<qint32> id;
    for (;;) {
        std::optional<Inbound> result;
        db.Transaction([&] {
            if (const std::optional<SyncDb::Item> item = db.ItemByUid(todo.uid))
                result = merged(db, *item, todo, source);
            else if (id && !db.Task(*id)) // a counter behind the tasks must not overwrite one
                result = added(db, *id, todo, source, today);
        });
        if (result)
            return *result;
        id = nextId();
    }
}

bool GoneThere(SyncDb& db, const SyncDb::Item& listed)
{
    bool deleted = false;
    db.Transaction([&] {
        // The to-do may have moved to another address in this same run.
        std::optional<SyncDb::Item> item = db.ItemOf(listed.taskId);
        if (!item || item->href != listed.href)
            return;
        const std::optional<Ical::Fields> local = db.Task(item->taskId);
        if (local && *local != item->sent) {
            // Edited here since: the edit wins, and the task is sent again as new.
            item->href.clear();
            item->etag.clear();
            item->pending = false;
            db.SaveItem(*item);
            return;
        }
        if (local)
            db.DeleteTask(item->taskId);
        deleted = local.has_value();
        db.RemoveItem(item->taskId);
    });
    return deleted;
}

QByteArray Outbound(const SyncDb::Item& item, const Ical::Fields& local)
{
    return Ical::WriteTodo(item.synced, item.uid, item.sent, local, item.changed.Latest());
}

SyncDb::Item NewItem(qint32 taskId, const Ical::Fields& local)
{
    SyncDb::Item item;
    item.taskId = taskId;
    item.uid = Ical::NewUid();
    item.synced = Ical::WriteTodo({}, item.uid, {}, local);
    item.sent = local;
    return item;
}

} // namespace Reconcile

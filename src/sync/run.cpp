// SPDX-License-Identifier: MIT
#include "run.h"

#include "reconcile.h"

#include <QHash>
#include <QSet>

namespace SyncRun
{

namespace
{

const QString tokenKey = QStringLiteral("SYNC_TOKEN");
const QString offersKey = QStringLiteral("SYNC_COLLECTION");

class Runner
{
public:
    Runner(SyncDb& db, CalDav::Client& client, const QDate& today,
           const std::function<qint32()>& nextId)
        : m_db(db), m_client(client), m_today(today), m_nextId(nextId)
    {
    }

    Summary run()
    {
        pull();
        const int written = m_summary.sent + m_summary.updated + m_summary.removed;
        push();
        // A token from before this run's own writes: a server may leave out of the next
        // listing a to-do created after it and deleted since (Xandikos does), so the task
        // here would never learn of the deletion. Listing again moves the token past them.
        if (m_summary.sent + m_summary.updated + m_summary.removed != written)
            pull();
        if (!m_token.isEmpty())
            m_db.Transaction([&] { m_db.SetState(tokenKey, m_token); });
        return m_summary;
    }

private:
    // What changed on the server: through sync-collection where the server offers it, else
    // by comparing every ETag with the one last seen.
    void pull()
    {
        QString offers = m_db.State(offersKey);
        if (offers.isEmpty()) {
            offers = m_client.OffersSyncCollection() ? QStringLiteral("1") : QStringLiteral("0");
            m_db.Transaction([&] { m_db.SetState(offersKey, offers); });
        }
        QList<CalDav::Resource> present;
        QList<QString> removed;
        bool complete = false;
        if (offers == QLatin1String("1")) {
            const CalDav::Changes c = m_client.SyncCollection(m_db.State(tokenKey));
            present = c.present;
            removed = c.removed;
            complete = c.complete;
            m_token = c.token;
        } else {
            present = m_client.ListEtags();
        }
        QHash<QString, SyncDb::Item> byHref;
        for (const SyncDb::Item& item : m_db.Items())
            if (!item.href.isEmpty())
                byHref.insert(item.href, item);
        if (!complete) {
            // A full listing: what is not in it is gone from the server.
            QSet<QString> listed;
            for (const CalDav::Resource& r : present)
                listed.insert(r.href);
            for (const QString& href : byHref.keys())
                if (!listed.contains(href))
                    removed << href;
        }
        QList<QString> wanted;
        for (const CalDav::Resource& r : present)
            if (!byHref.contains(r.href) || byHref[r.href].etag != r.etag)
                wanted << r.href;
        for (const CalDav::Resource& r : m_client.Fetch(wanted))
            take(r);
        for (const QString& href : removed)
            if (byHref.contains(href))
                goneThere(byHref[href]);
    }

    void take(const CalDav::Resource& r)
    {
        const Ical::ReadResult read = Ical::ReadTodo(r.data);
        if (!read.error.isEmpty()) {
            m_summary.messages << read.error + QStringLiteral(" (%1)").arg(r.href);
            return;
        }
        const Reconcile::Inbound in =
            Reconcile::Apply(m_db, read.todo, {r.href, r.etag, true}, m_today, m_nextId);
        m_summary.messages << in.replaced;
        if (in.outcome == Reconcile::Inbound::Added)
            ++m_summary.added;
        else if (in.outcome != Reconcile::Inbound::Unchanged)
            ++m_summary.changed;
    }

    // Deleted on the server: the task goes too, unless it was edited here since (then the
    // edit wins and the task is sent again as new).
    void goneThere(const SyncDb::Item& listed)
    {
        // The to-do may have moved to another address in this same run.
        const std::optional<SyncDb::Item> current = m_db.ItemOf(listed.taskId);
        if (!current || current->href != listed.href)
            return;
        const SyncDb::Item& item = *current;
        const std::optional<Ical::Fields> local = m_db.Task(item.taskId);
        m_db.Transaction([&] {
            if (local && *local != SyncDb::BaseOf(item)) {
                SyncDb::Item again = item;
                again.href.clear();
                again.etag.clear();
                m_db.SaveItem(again);
                return;
            }
            if (local) {
                m_db.DeleteTask(item.taskId);
                ++m_summary.deleted;
            }
            m_db.RemoveItem(item.taskId);
        });
    }

    void push()
    {
        QSet<qint32> known;
        for (const SyncDb::Item& item : m_db.Items()) {
            known.insert(item.taskId);
            const std::optional<Ical::Fields> local = m_db.Task(item.taskId);
            if (!local)
                deleteThere(item);
            else if (item.href.isEmpty() || *local != SyncDb::BaseOf(item))
                send(item, *local);
        }
        for (qint32 id : m_db.TaskIds())
            if (!known.contains(id))
                if (const std::optional<Ical::Fields> local = m_db.Task(id))
                    send(Reconcile::NewItem(id, *local), *local);
    }

    // Written with If-Match (If-None-Match for a new one); a refusal means the server's copy
    // changed meanwhile: it is read, merged, and the merge sent.
    void send(SyncDb::Item item, Ical::Fields local)
    {
        const bool fresh = item.href.isEmpty();
        if (fresh)
            item.href = m_client.HrefFor(item.uid);
        for (int attempt = 0; attempt < 3; ++attempt) {
            const QByteArray text = Reconcile::Outbound(item, local);
            const CalDav::Reply r = m_client.Put(item.href, text, item.etag);
            if (r.status != 412) {
                settle(item, text, QString::fromUtf8(r.etag), local);
                ++(fresh ? m_summary.sent : m_summary.updated);
                return;
            }
            const std::optional<SyncDb::Item> merged = reread(item);
            const std::optional<Ical::Fields> now = m_db.Task(item.taskId);
            if (!merged || !now || (*now == SyncDb::BaseOf(*merged) && !merged->href.isEmpty()))
                return; // the server's copy already says what the task says
            item = *merged;
            local = *now;
        }
        m_summary.messages << QStringLiteral("\"%1\" changed on the server during the run; it "
                                             "is sent next time")
                                  .arg(local.title);
    }

    // The server's copy after a refused write, merged in; nothing when it is gone.
    std::optional<SyncDb::Item> reread(const SyncDb::Item& item)
    {
        const CalDav::Reply got = m_client.Get(item.href);
        if (got.status == 404) {
            SyncDb::Item again = item;
            again.href.clear();
            again.etag.clear();
            m_db.Transaction([&] { m_db.SaveItem(again); });
            return again;
        }
        take({item.href, QString::fromUtf8(got.etag), got.body});
        return m_db.ItemOf(item.taskId);
    }

    void settle(SyncDb::Item item, const QByteArray& text, const QString& etag,
                const Ical::Fields& sent)
    {
        item.synced = text;
        item.etag = etag;
        m_db.Transaction([&] {
            // A change the program made while the write was under way stays a change.
            const std::optional<Ical::Fields> now = m_db.Task(item.taskId);
            if (!now) {
                m_db.SaveItem(item);
                return;
            }
            if (*now == sent)
                item.changed = {};
            if (sent.due.isValid() && !Ical::ReadTodo(text).todo.fields.due.isValid())
                item.placed = sent.due;
            m_db.SaveItem(item);
        });
    }

    void deleteThere(const SyncDb::Item& item)
    {
        if (!item.href.isEmpty()) {
            const CalDav::Reply r = m_client.Delete(item.href, item.etag);
            if (r.status == 412) {
                // Edited there since: the edit wins, and the task comes back here.
                reread(item);
                return;
            }
            ++m_summary.removed;
        }
        m_db.Transaction([&] { m_db.RemoveItem(item.taskId); });
    }

    SyncDb& m_db;
    CalDav::Client& m_client;
    QDate m_today;
    std::function<qint32()> m_nextId;
    QString m_token;
    Summary m_summary;
};

} // namespace

QString Summary::Text() const
{
    QString text;
    for (const QString& m : messages)
        text += m + QLatin1Char('\n');
    return text + QStringLiteral("From the server: %1 added, %2 changed, %3 deleted. "
                                 "To the server: %4 added, %5 changed, %6 deleted.")
                      .arg(added)
                      .arg(changed)
                      .arg(deleted)
                      .arg(sent)
                      .arg(updated)
                      .arg(removed);
}

Summary Run(SyncDb& db, CalDav::Client& client, const QDate& today,
            const std::function<qint32()>& nextId)
{
    return Runner(db, client, today, nextId).run();
}

} // namespace SyncRun

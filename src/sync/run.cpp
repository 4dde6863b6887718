// SPDX-License-Identifier: MIT
#include "run.h"

#include "reconcile.h"

#include <QHash>
#include <QSet>
#include <algorithm>

namespace SyncRun
{

namespace
{

const QString tokenKey = QStringLiteral("SYNC_TOKEN");
const QString offersKey = QStringLiteral("SYNC_COLLECTION");
const QString insideKey = QStringLiteral("ADDRESSES_CHECKED_FOR");
const QString versionKey = QStringLiteral("TASKS_VERSION");
const QString pushedKey = QStringLiteral("PUSHED_VERSION");

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
        const bool news = pull();
        const int written = m_summary.sent + m_summary.updated + m_summary.removed;
        if (news || !quietHere())
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
    // Whether nothing changed here since the last push that settled everything: then the
    // push can be left out without reading a task.
    bool quietHere() const
    {
        for (const QString& what : m_db.Skipped())
            if (what.startsWith(QLatin1String("task ")))
                return false;
        const QString pushed = m_db.State(pushedKey);
        return !pushed.isEmpty() && pushed == m_db.State(versionKey);
    }

    // Whether the server reported anything new.
    bool pull()
    {
        forgetOutside();
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
        if (!complete || !present.isEmpty() || !removed.isEmpty())
            for (const SyncDb::Item& item : m_db.Items())
                if (!item.href.isEmpty())
                    byHref.insert(item.href, item);
        QSet<QString> listed;
        for (const CalDav::Resource& r : present)
            listed.insert(r.href);
        if (!complete) {
            // A full listing: what is not in it is gone from the server, but for a to-do
            // whose first PUT was never answered: that one never got there.
            for (const SyncDb::Item& item : byHref)
                if (!listed.contains(item.href) && !item.pending)
                    removed << item.href;
        }
        m_gone = QSet<QString>(removed.begin(), removed.end());
        QList<QString> wanted;
        for (const CalDav::Resource& r : present)
            if (r.etag.isEmpty())
                unreadable(r.href);
            else if (byHref.contains(r.href) ? byHref[r.href].etag != r.etag
                                             : m_db.ShouldTry(r.href, r.etag))
                wanted << r.href;
        // What could not be read before is read again, a few times even when unchanged, and
        // once more whenever a to-do is gone from the server: a resource skipped for holding
        // its UID is then the one to take.
        for (const QString& what : m_db.Skipped(!m_gone.isEmpty()))
            if (what.startsWith(QLatin1Char('/')) && (complete || listed.contains(what)) &&
                !wanted.contains(what) && !m_gone.contains(what))
                wanted << what;
        QList<CalDav::Resource> fetched = m_client.Fetch(wanted);
        // In the order of their addresses, so that of two resources with one UID the same
        // one is taken every time.
        std::sort(
            fetched.begin(), fetched.end(),
            [](const CalDav::Resource& a, const CalDav::Resource& b) { return a.href < b.href; });
        for (const CalDav::Resource& r : fetched)
            take(r);
        for (const QString& href : removed)
            if (byHref.contains(href) && Reconcile::GoneThere(m_db, byHref[href]))
                ++m_summary.deleted;
        return !wanted.isEmpty() || !removed.isEmpty();
    }

    // An earlier version took addresses outside the collection: what it kept there is not
    // touched, and the task goes to the collection as a new to-do.
    void forgetOutside()
    {
        // Every address kept since the last check came from a listing of this collection.
        const QString checked = m_client.Collection().toString();
        if (m_db.State(insideKey) == checked)
            return;
        for (SyncDb::Item item : m_db.Items()) {
            if (item.href.isEmpty() || m_client.Inside(item.href))
                continue;
            m_summary.messages << QStringLiteral("%1 is not inside the task list; it was left "
                                                 "alone, and the task is sent to the task list")
                                      .arg(item.href);
            item.href.clear();
            item.etag.clear();
            m_db.Transaction([&] { m_db.SaveItem(item); });
        }
        m_db.Transaction([&] { m_db.SetState(insideKey, checked); });
    }

    // Listed with no ETag the tool can use: it is there, so it is no deletion, and nothing is
    // known of its changes.
    void unreadable(const QString& href)
    {
        m_summary.messages << QStringLiteral("%1 on the server has no readable ETag; it was left "
                                             "alone")
                                  .arg(href);
    }

    void take(const CalDav::Resource& r)
    {
        const Ical::ReadResult read = Ical::ReadTodo(r.data);
        QString problem = read.error;
        if (problem.isEmpty())
            if (const std::optional<SyncDb::Item> item = m_db.ItemByUid(read.todo.uid))
                if (!item->pending && !item->href.isEmpty() && item->href != r.href &&
                    !m_gone.contains(item->href))
                    problem = QStringLiteral("skipped the to-do %1: %2 holds it already")
                                  .arg(read.todo.uid, item->href);
        if (!problem.isEmpty()) {
            m_summary.messages << problem + QStringLiteral(" (%1)").arg(r.href);
            m_db.Failed(r.href, r.etag);
            return;
        }
        m_db.Settled(r.href);
        const Reconcile::Inbound in =
            Reconcile::Apply(m_db, read.todo, {r.href, r.etag, true}, m_today, m_nextId);
        m_summary.messages << in.replaced;
        if (in.outcome == Reconcile::Inbound::Added)
            ++m_summary.added;
        else if (in.outcome != Reconcile::Inbound::Unchanged)
            ++m_summary.changed;
    }

    void push()
    {
        const QString version = m_db.State(versionKey); // later writes are for the next run
        QSet<qint32> known;
        for (const SyncDb::Item& item : m_db.Items()) {
            known.insert(item.taskId);
            const std::optional<Ical::Fields> local = m_db.Task(item.taskId);
            if (!local)
                deleteThere(item);
            else if (item.href.isEmpty() || item.pending || *local != item.sent)
                send(item, *local);
        }
        for (qint32 id : m_db.TaskIds())
            if (!known.contains(id))
                if (const std::optional<Ical::Fields> local = m_db.Task(id))
                    send(Reconcile::NewItem(id, *local), *local);
        if (!m_unsettled)
            m_db.Transaction([&] { m_db.SetState(pushedKey, version); });
    }

    // What a task is tried again for once it could not be sent: a change on either side.
    static QString versionOf(const SyncDb::Item& item, const Ical::Fields& local)
    {
        return QStringLiteral("%1|%2|%3|%4|%5")
            .arg(item.etag, local.title, local.description, local.due.toString(Qt::ISODate),
                 local.status);
    }

    // A new to-do's UID and address are saved before its PUT, so that a run cut short (no
    // reply, or killed) finds it on the server next time instead of sending it again.
    void intend(SyncDb::Item& item)
    {
        if (item.href.isEmpty())
            item.href = m_client.HrefFor(item.uid);
        item.etag.clear();
        item.pending = true;
        m_db.Transaction([&] {
            std::optional<SyncDb::Item> current = m_db.ItemOf(item.taskId);
            SyncDb::Item& saved = current ? *current : item;
            saved.href = item.href;
            saved.etag.clear();
            saved.pending = true;
            m_db.SaveItem(saved);
        });
    }

    // Written with If-Match (If-None-Match for a new one); a refusal means the server's copy
    // changed meanwhile: it is read, merged, and the merge sent. A to-do the server will not
    // take is named and left for the next runs; the others are still sent.
    void send(SyncDb::Item item, Ical::Fields local)
    {
        const QString what = QStringLiteral("task %1").arg(item.taskId);
        if (!m_db.ShouldTry(what, versionOf(item, local)))
            return;
        bool fresh = item.pending;
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (item.href.isEmpty()) { // new, or gone from the server since
                fresh = true;
                intend(item);
            }
            const QByteArray text = Reconcile::Outbound(item, local);
            const CalDav::Reply r = m_client.Put(item.href, text, item.etag);
            if (r.status >= 200 && r.status < 300) {
                settle(item, text, QString::fromUtf8(r.etag), local);
                m_db.Settled(what);
                ++(fresh ? m_summary.sent : m_summary.updated);
                return;
            }
            if (r.status != 412) {
                QUrl where = m_client.Collection();
                where.setPath(item.href);
                m_summary.messages
                    << QStringLiteral("skipped \"%1\": the server refused PUT %2 "
                                      "(HTTP %3); it is tried again on the next "
                                      "runs")
                           .arg(local.title, where.toDisplayString(QUrl::RemoveUserInfo))
                           .arg(r.status);
                m_db.Failed(what, versionOf(item, local));
                m_unsettled = true;
                return;
            }
            const std::optional<SyncDb::Item> merged = reread(item);
            const std::optional<Ical::Fields> now = m_db.Task(item.taskId);
            if (!merged || !now ||
                (*now == merged->sent && !merged->href.isEmpty() && !merged->pending))
                return; // the server's copy already says what the task says
            item = *merged;
            local = *now;
            if (item.pending) {
                // Another to-do holds the address meant for this one.
                item.href = m_client.HrefFor(Ical::NewUid());
                intend(item);
            }
        }
        m_summary.messages << QStringLiteral("\"%1\" changed on the server during the run; it "
                                             "is sent next time")
                                  .arg(local.title);
        m_unsettled = true;
    }

    // The server's copy after a refused write, merged in; nothing when it is gone.
    std::optional<SyncDb::Item> reread(const SyncDb::Item& item)
    {
        const CalDav::Reply got = m_client.Get(item.href);
        if (got.status == 404) {
            SyncDb::Item again = item;
            again.href.clear();
            again.etag.clear();
            again.pending = false;
            m_db.Transaction([&] { m_db.SaveItem(again); });
            return again;
        }
        take({item.href, QString::fromUtf8(got.etag), got.body});
        return m_db.ItemOf(item.taskId);
    }

    // The item as sent, read again in the transaction that writes it: a field the program
    // changed while the write was under way stays a change to send.
    void settle(const SyncDb::Item& item, const QByteArray& text, const QString& etag,
                const Ical::Fields& sent)
    {
        m_db.Transaction([&] {
            SyncDb::Item next = m_db.ItemOf(item.taskId).value_or(item);
            next.href = item.href;
            next.etag = etag;
            next.synced = text;
            next.pending = false;
            next.sent = sent;
            if (const std::optional<Ical::Fields> now = m_db.Task(item.taskId))
                Ical::ForEachField([&](auto field, auto time) {
                    if ((*now).*field == sent.*field)
                        next.changed.*time = {};
                    else if (!(next.changed.*time).isValid())
                        next.changed.*time = QDateTime::currentDateTimeUtc();
                });
            if (sent.due.isValid() && !Ical::ReadTodo(text).todo.fields.due.isValid())
                next.placed = sent.due;
            m_db.SaveItem(next);
        });
    }

    void deleteThere(const SyncDb::Item& item)
    {
        if (!item.href.isEmpty() && !(item.pending && !ownedThere(item))) {
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

    // Whether a new to-do whose PUT was never answered got there: only a to-do of its own UID
    // at its address is deleted, never another's that holds the address.
    bool ownedThere(const SyncDb::Item& item)
    {
        const CalDav::Reply got = m_client.Get(item.href);
        return got.status == 200 && Ical::ReadTodo(got.body).todo.uid == item.uid;
    }

    SyncDb& m_db;
    CalDav::Client& m_client;
    QDate m_today;
    std::function<qint32()> m_nextId;
    QString m_token;
    QSet<QString> m_gone;     // addresses the server no longer has, as this run found
    bool m_unsettled = false; // something is left for the next run to send
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

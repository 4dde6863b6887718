// SPDX-License-Identifier: MIT
#include "syncdb.h"

#include "repeat/rule.h"
#include "store/adodb.h"
#include "store/repeats.h"

#include <QFile>
#include <QSet>
#include <sqlite3.h>

namespace
{

// SYNC_ITEMS: one row per synced task. SYNC_STATE: the collection's address, user and
// sync-token. SYNC_SKIPPED: what could not be read or written, and how often it was tried.
const char* const tablesSql = R"(
CREATE TABLE IF NOT EXISTS SYNC_ITEMS (
    TASK_ID INTEGER PRIMARY KEY,
    UID TEXT NOT NULL UNIQUE,
    HREF TEXT,
    ETAG TEXT,
    SYNCED TEXT NOT NULL,
    PLACED DATE,
    CHANGED TEXT
);
CREATE TABLE IF NOT EXISTS SYNC_STATE (
    KEY TEXT PRIMARY KEY,
    VALUE TEXT
);
CREATE TABLE IF NOT EXISTS SYNC_SKIPPED (
    WHAT TEXT PRIMARY KEY,
    VERSION TEXT,
    TRIES INTEGER NOT NULL
);
-- Every write to the tasks counts, so a run can tell that nothing changed here without
-- reading them.
CREATE TRIGGER IF NOT EXISTS SYNC_TASK_ADDED AFTER INSERT ON TASKS BEGIN
    INSERT INTO SYNC_STATE (KEY, VALUE) VALUES ('TASKS_VERSION', 1)
    ON CONFLICT (KEY) DO UPDATE SET VALUE = VALUE + 1;
END;
CREATE TRIGGER IF NOT EXISTS SYNC_TASK_EDITED AFTER UPDATE ON TASKS BEGIN
    INSERT INTO SYNC_STATE (KEY, VALUE) VALUES ('TASKS_VERSION', 1)
    ON CONFLICT (KEY) DO UPDATE SET VALUE = VALUE + 1;
END;
CREATE TRIGGER IF NOT EXISTS SYNC_TASK_DELETED AFTER DELETE ON TASKS BEGIN
    INSERT INTO SYNC_STATE (KEY, VALUE) VALUES ('TASKS_VERSION', 1)
    ON CONFLICT (KEY) DO UPDATE SET VALUE = VALUE + 1;
END;
)";

// Columns an earlier version's SYNC_ITEMS lacks; PENDING, the last, tells whether it is one.
const char* const newColumns[] = {
    "SENT_TITLE TEXT",  "SENT_DESCRIPTION TEXT", "SENT_DUE TEXT",
    "SENT_STATUS TEXT", "TITLE_AT TEXT",         "DESCRIPTION_AT TEXT",
    "DUE_AT TEXT",      "STATUS_AT TEXT",        "PENDING INTEGER NOT NULL DEFAULT 0"};

// The trigger notes when the program changes a field of a synced task, to the millisecond, so
// that where both sides changed one field the later change wins. CHANGED is the latest of
// them: a row without one has nothing to send.
const char* const triggerSql = R"(
DROP TRIGGER IF EXISTS SYNC_TASK_CHANGED;
CREATE TRIGGER SYNC_TASK_CHANGED AFTER UPDATE ON TASKS
WHEN NEW.TASK_TITLE IS NOT OLD.TASK_TITLE OR NEW.DESCRIPTION IS NOT OLD.DESCRIPTION
  OR NEW.TASK_DATE IS NOT OLD.TASK_DATE OR NEW.TASK_STATUS IS NOT OLD.TASK_STATUS
BEGIN
    UPDATE SYNC_ITEMS SET
        TITLE_AT = iif(NEW.TASK_TITLE IS OLD.TASK_TITLE, TITLE_AT,
                       strftime('%Y-%m-%dT%H:%M:%fZ', 'now')),
        DESCRIPTION_AT = iif(NEW.DESCRIPTION IS OLD.DESCRIPTION, DESCRIPTION_AT,
                             strftime('%Y-%m-%dT%H:%M:%fZ', 'now')),
        DUE_AT = iif(NEW.TASK_DATE IS OLD.TASK_DATE, DUE_AT,
                     strftime('%Y-%m-%dT%H:%M:%fZ', 'now')),
        STATUS_AT = iif(NEW.TASK_STATUS IS OLD.TASK_STATUS, STATUS_AT,
                        strftime('%Y-%m-%dT%H:%M:%fZ', 'now')),
        CHANGED = strftime('%Y-%m-%dT%H:%M:%fZ', 'now')
     WHERE TASK_ID = NEW.TASK_ID;
END;
CREATE INDEX IF NOT EXISTS SYNC_ITEMS_CHANGED ON SYNC_ITEMS (CHANGED) WHERE CHANGED IS NOT NULL;
)";

// Repeating tasks: a rule chosen, changed or ended here is a change of the task's; completing a
// repeating task hands its to-do (the series) on to the task made for the next occurrence,
// in the program's own transaction.
const char* const repeatColumnsSql = R"(
ALTER TABLE SYNC_ITEMS ADD COLUMN SENT_RRULE TEXT;
ALTER TABLE SYNC_ITEMS ADD COLUMN RRULE_AT TEXT;
)";
const char* const repeatTriggerSql = R"(
CREATE TRIGGER IF NOT EXISTS SYNC_SERIES_MOVED AFTER UPDATE OF TASK_ID ON TASK_REPEATS
BEGIN
    UPDATE SYNC_ITEMS SET TASK_ID = NEW.TASK_ID,
        DUE_AT = strftime('%Y-%m-%dT%H:%M:%fZ', 'now'),
        CHANGED = strftime('%Y-%m-%dT%H:%M:%fZ', 'now')
     WHERE TASK_ID = OLD.TASK_ID;
END;
CREATE TRIGGER IF NOT EXISTS SYNC_RULE_SET AFTER INSERT ON TASK_REPEATS
BEGIN
    UPDATE SYNC_ITEMS SET RRULE_AT = strftime('%Y-%m-%dT%H:%M:%fZ', 'now'),
        CHANGED = strftime('%Y-%m-%dT%H:%M:%fZ', 'now')
     WHERE TASK_ID = NEW.TASK_ID;
END;
CREATE TRIGGER IF NOT EXISTS SYNC_RULE_CHANGED AFTER UPDATE OF RRULE ON TASK_REPEATS
WHEN NEW.RRULE IS NOT OLD.RRULE
BEGIN
    UPDATE SYNC_ITEMS SET RRULE_AT = strftime('%Y-%m-%dT%H:%M:%fZ', 'now'),
        CHANGED = strftime('%Y-%m-%dT%H:%M:%fZ', 'now')
     WHERE TASK_ID = NEW.TASK_ID;
END;
CREATE TRIGGER IF NOT EXISTS SYNC_RULE_ENDED AFTER DELETE ON TASK_REPEATS
BEGIN
    UPDATE SYNC_ITEMS SET RRULE_AT = strftime('%Y-%m-%dT%H:%M:%fZ', 'now'),
        CHANGED = strftime('%Y-%m-%dT%H:%M:%fZ', 'now')
     WHERE TASK_ID = OLD.TASK_ID;
END;
)";

class Stmt
{
public:
    Stmt(sqlite3* db, const char* sql, const std::function<void()>& fail) : m_fail(fail)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) != SQLITE_OK)
            m_fail();
    }
    ~Stmt() { sqlite3_finalize(s); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    Stmt& bind(int i, const QString& v)
    {
        if (v.isNull())
            sqlite3_bind_null(s, i);
        else
            sqlite3_bind_text(s, i, v.toUtf8().constData(), -1, SQLITE_TRANSIENT);
        return *this;
    }
    Stmt& bind(int i, const QByteArray& v)
    {
        sqlite3_bind_text(s, i, v.constData(), int(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Stmt& bind(int i, qint64 v)
    {
        sqlite3_bind_int64(s, i, v);
        return *this;
    }
    // The next row; false at the end. Anything else (busy, locked, an I/O error) throws.
    bool next()
    {
        const int rc = sqlite3_step(s);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            m_fail();
        return rc == SQLITE_ROW;
    }
    void run() { next(); }
    QString text(int i) const
    {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
        return t ? QString::fromUtf8(t, sqlite3_column_bytes(s, i)) : QString();
    }
    QByteArray bytes(int i) const
    {
        return QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(s, i)),
                          sqlite3_column_bytes(s, i));
    }
    QDateTime time(int i) const { return QDateTime::fromString(text(i), Qt::ISODateWithMs); }
    sqlite3_stmt* s = nullptr;

private:
    std::function<void()> m_fail;
};

QString timeText(const QDateTime& t)
{
    return t.isValid() ? t.toUTC().toString(Qt::ISODateWithMs) : QString();
}

QString dateText(const QDate& d)
{
    return d.isValid() ? d.toString(Qt::ISODate) : QString();
}

SyncDb::Item readItem(const Stmt& q)
{
    SyncDb::Item item;
    item.taskId = sqlite3_column_int(q.s, 0);
    item.uid = q.text(1);
    item.href = q.text(2);
    item.etag = q.text(3);
    item.synced = q.bytes(4);
    item.placed = QDate::fromString(q.text(5), Qt::ISODate);
    item.sent = {q.text(6), q.text(7), QDate::fromString(q.text(8), Qt::ISODate), q.text(9),
                 q.text(15)};
    item.changed = {q.time(10), q.time(11), q.time(12), q.time(13), q.time(16)};
    item.pending = sqlite3_column_int(q.s, 14) != 0;
    return item;
}

const char* const itemColumns =
    "SELECT TASK_ID, UID, HREF, ETAG, SYNCED, PLACED, SENT_TITLE, SENT_DESCRIPTION, SENT_DUE, "
    "SENT_STATUS, TITLE_AT, DESCRIPTION_AT, DUE_AT, STATUS_AT, PENDING, SENT_RRULE, RRULE_AT "
    "FROM SYNC_ITEMS ";

} // namespace

SyncDb::SyncDb(const QString& file, Tables tables) : m_file(file)
{
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &m_db, SQLITE_OPEN_READWRITE,
                        nullptr) != SQLITE_OK)
        fail();
    sqlite3_busy_timeout(m_db, 3000);
    exec(QStringLiteral("PRAGMA synchronous = FULL"));
    // What is replaced leaves no trace in the file (a password an earlier version kept).
    exec(QStringLiteral("PRAGMA secure_delete = ON"));
    if (tables == Tables::Create || HasTables())
        Transaction([&] { migrate(); });
    Stmt q(m_db, "SELECT count(*) FROM sqlite_master WHERE name = 'TASK_REPEATS'",
           [this] { fail(); });
    m_repeats = q.next() && sqlite3_column_int(q.s, 0) == 1;
}

// The tables as this version keeps them. A database an earlier version set up keeps its items:
// what was agreed is what was sent, and a change noted then counts for the fields that differ.
void SyncDb::migrate()
{
    exec(QString::fromUtf8(tablesSql));
    QSet<QString> have;
    {
        Stmt q(m_db, "SELECT name FROM pragma_table_info('SYNC_ITEMS')", [this] { fail(); });
        while (q.next())
            have.insert(q.text(0));
    }
    for (const char* sql : RepeatTableSql)
        exec(QString::fromUtf8(sql));
    if (!have.contains(QStringLiteral("RRULE_AT")))
        exec(QString::fromUtf8(repeatColumnsSql));
    if (have.contains(QStringLiteral("PENDING"))) {
        exec(QString::fromUtf8(repeatTriggerSql));
        return;
    }
    for (const char* column : newColumns)
        if (!have.contains(QString::fromLatin1(column).section(QLatin1Char(' '), 0, 0)))
            exec(QStringLiteral("ALTER TABLE SYNC_ITEMS ADD COLUMN ") + QLatin1String(column));
    QList<QPair<Item, QDateTime>> old;
    {
        Stmt q(m_db,
               "SELECT TASK_ID, SYNCED, PLACED, CHANGED FROM SYNC_ITEMS "
               "WHERE SENT_STATUS IS NULL",
               [this] { fail(); });
        while (q.next()) {
            Item item;
            item.taskId = sqlite3_column_int(q.s, 0);
            item.synced = q.bytes(1);
            item.placed = QDate::fromString(q.text(2), Qt::ISODate);
            old.append({item, QDateTime::fromString(q.text(3), Qt::ISODate)});
        }
    }
    for (const auto& [item, changed] : old) {
        const Ical::Fields base = BaseOf(item);
        const Ical::Fields local = Task(item.taskId).value_or(base);
        auto at = [&](bool differs) { return differs ? timeText(changed) : QString(); };
        Stmt q(m_db,
               "UPDATE SYNC_ITEMS SET SENT_TITLE = ?, SENT_DESCRIPTION = ?, SENT_DUE = ?, "
               "SENT_STATUS = ?, TITLE_AT = ?, DESCRIPTION_AT = ?, DUE_AT = ?, STATUS_AT = ? "
               "WHERE TASK_ID = ?",
               [this] { fail(); });
        q.bind(1, base.title)
            .bind(2, base.description)
            .bind(3, dateText(base.due))
            .bind(4, base.status)
            .bind(5, at(local.title != base.title))
            .bind(6, at(local.description != base.description))
            .bind(7, at(local.due != base.due))
            .bind(8, at(local.status != base.status))
            .bind(9, qint64(item.taskId))
            .run();
    }
    exec(QString::fromUtf8(triggerSql));
    exec(QString::fromUtf8(repeatTriggerSql));
}

bool SyncDb::HasTables() const
{
    Stmt q(m_db, "SELECT count(*) FROM sqlite_master WHERE name IN ('SYNC_ITEMS', 'SYNC_STATE')",
           [this] { fail(); });
    return q.next() && sqlite3_column_int(q.s, 0) == 2;
}

SyncDb::~SyncDb()
{
    sqlite3_close_v2(m_db);
}

void SyncDb::fail() const
{
    throw adodb::DbError(
        QStringLiteral("%1: %2").arg(m_file, QString::fromUtf8(sqlite3_errmsg(m_db))));
}

void SyncDb::exec(const QString& sql) const
{
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail();
}

void SyncDb::Transaction(const std::function<void()>& work)
{
    exec(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        work();
        exec(QStringLiteral("COMMIT"));
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

QString SyncDb::State(const QString& key) const
{
    Stmt q(m_db, "SELECT VALUE FROM SYNC_STATE WHERE KEY = ?", [this] { fail(); });
    q.bind(1, key);
    return q.next() ? q.text(0) : QString();
}

void SyncDb::SetState(const QString& key, const QString& value)
{
    Stmt q(m_db, "INSERT OR REPLACE INTO SYNC_STATE (KEY, VALUE) VALUES (?, ?)",
           [this] { fail(); });
    q.bind(1, key).bind(2, value).run();
}

QList<SyncDb::Item> SyncDb::Items() const
{
    Stmt q(m_db, itemColumns, [this] { fail(); });
    QList<Item> items;
    while (q.next())
        items << readItem(q);
    return items;
}

std::optional<SyncDb::Item> SyncDb::ItemOf(qint32 taskId) const
{
    Stmt q(m_db, (QByteArray(itemColumns) + "WHERE TASK_ID = ?").constData(), [this] { fail(); });
    q.bind(1, qint64(taskId));
    if (!q.next())
        return std::nullopt;
    return readItem(q);
}

std::optional<SyncDb::Item> SyncDb::ItemByUid(const QString& uid) const
{
    Stmt q(m_db, (QByteArray(itemColumns) + "WHERE UID = ?").constData(), [this] { fail(); });
    q.bind(1, uid);
    if (!q.next())
        return std::nullopt;
    return readItem(q);
}

void SyncDb::SaveItem(const Item& item)
{
    Stmt q(m_db,
           "INSERT OR REPLACE INTO SYNC_ITEMS (TASK_ID, UID, HREF, ETAG, SYNCED, PLACED, "
           "SENT_TITLE, SENT_DESCRIPTION, SENT_DUE, SENT_STATUS, TITLE_AT, DESCRIPTION_AT, "
           "DUE_AT, STATUS_AT, PENDING, CHANGED, SENT_RRULE, RRULE_AT) "
           "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
           [this] { fail(); });
    q.bind(1, qint64(item.taskId))
        .bind(2, item.uid)
        .bind(3, item.href.isEmpty() ? QString() : item.href)
        .bind(4, item.etag.isEmpty() ? QString() : item.etag)
        .bind(5, item.synced)
        .bind(6, dateText(item.placed))
        .bind(7, item.sent.title)
        .bind(8, item.sent.description)
        .bind(9, dateText(item.sent.due))
        .bind(10, item.sent.status)
        .bind(11, timeText(item.changed.title))
        .bind(12, timeText(item.changed.description))
        .bind(13, timeText(item.changed.due))
        .bind(14, timeText(item.changed.status))
        .bind(15, qint64(item.pending ? 1 : 0))
        .bind(16, timeText(item.changed.Latest()))
        .bind(17, item.sent.rrule)
        .bind(18, timeText(item.changed.rrule))
        .run();
}

void SyncDb::deleteById(const char* sql, qint32 taskId)
{
    Stmt q(m_db, sql, [this] { fail(); });
    q.bind(1, qint64(taskId)).run();
}

void SyncDb::RemoveItem(qint32 taskId)
{
    deleteById("DELETE FROM SYNC_ITEMS WHERE TASK_ID = ?", taskId);
}

Ical::Fields SyncDb::BaseOf(const Item& item)
{
    Ical::Fields base = Ical::ReadTodo(item.synced).todo.fields;
    if (!base.due.isValid())
        base.due = item.placed;
    return base;
}

std::optional<Ical::Fields> SyncDb::Task(qint32 taskId) const
{
    Stmt q(m_db,
           m_repeats ? "SELECT TASK_TITLE, DESCRIPTION, TASK_DATE, TASK_STATUS, RRULE FROM TASKS "
                       "LEFT JOIN TASK_REPEATS USING (TASK_ID) WHERE TASK_ID = ?"
                     : "SELECT TASK_TITLE, DESCRIPTION, TASK_DATE, TASK_STATUS, NULL FROM TASKS "
                       "WHERE TASK_ID = ?",
           [this] { fail(); });
    q.bind(1, qint64(taskId));
    if (!q.next())
        return std::nullopt;
    return Ical::Fields{q.text(0), q.text(1), QDate::fromString(q.text(2), Qt::ISODate), q.text(3),
                        q.text(4)};
}

QList<qint32> SyncDb::TaskIds() const
{
    Stmt q(m_db, "SELECT TASK_ID FROM TASKS ORDER BY TASK_ID", [this] { fail(); });
    QList<qint32> ids;
    while (q.next())
        ids << sqlite3_column_int(q.s, 0);
    return ids;
}

void SyncDb::WriteTask(qint32 taskId, const Ical::Fields& f, const std::optional<Ical::Fields>& old)
{
    if (!old) {
        Stmt q(m_db,
               "INSERT INTO TASKS (TASK_ID, TASK_TITLE, DESCRIPTION, TASK_DATE, TASK_STATUS) "
               "VALUES (?,?,?,?,?)",
               [this] { fail(); });
        q.bind(1, qint64(taskId))
            .bind(2, f.title)
            .bind(3, f.description)
            .bind(4, dateText(f.due))
            .bind(5, f.status)
            .run();
        writeRule(taskId, f.rrule);
        return;
    }
    auto set = [&](const char* column, const QString& value) {
        Stmt q(m_db,
               QStringLiteral("UPDATE TASKS SET %1 = ? WHERE TASK_ID = ?")
                   .arg(QLatin1String(column))
                   .toUtf8()
                   .constData(),
               [this] { fail(); });
        q.bind(1, value).bind(2, qint64(taskId)).run();
    };
    if (f.title != old->title)
        set("TASK_TITLE", f.title);
    if (f.description != old->description)
        set("DESCRIPTION", f.description);
    if (f.due != old->due)
        set("TASK_DATE", dateText(f.due));
    if (f.status != old->status)
        set("TASK_STATUS", f.status);
    if (f.rrule != old->rrule)
        writeRule(taskId, f.rrule);
}

void SyncDb::SetSkippedDays(qint32 taskId, const QList<QDate>& days)
{
    if (!m_repeats)
        return;
    Stmt q(m_db, "UPDATE TASK_REPEATS SET EXDATE = ? WHERE TASK_ID = ?", [this] { fail(); });
    q.bind(1, days.isEmpty() ? QString() : Repeat::DatesText(days)).bind(2, qint64(taskId)).run();
}

void SyncDb::writeRule(qint32 taskId, const QString& rrule)
{
    if (rrule.isEmpty()) {
        if (m_repeats)
            deleteById("DELETE FROM TASK_REPEATS WHERE TASK_ID = ?", taskId);
        return;
    }
    for (const char* sql : RepeatTableSql)
        exec(QString::fromUtf8(sql));
    m_repeats = true;
    Stmt q(m_db,
           "INSERT INTO TASK_REPEATS (TASK_ID, RRULE) VALUES (?, ?) "
           "ON CONFLICT (TASK_ID) DO UPDATE SET RRULE = excluded.RRULE, EXDATE = NULL",
           [this] { fail(); });
    q.bind(1, qint64(taskId)).bind(2, rrule).run();
}

void SyncDb::DeleteTask(qint32 taskId)
{
    deleteById("DELETE FROM TASKS WHERE TASK_ID = ?", taskId);
}

bool SyncDb::ShouldTry(const QString& what, const QString& version) const
{
    Stmt q(m_db, "SELECT VERSION, TRIES FROM SYNC_SKIPPED WHERE WHAT = ?", [this] { fail(); });
    q.bind(1, what);
    return !q.next() || q.text(0) != version || sqlite3_column_int(q.s, 1) <= 3;
}

void SyncDb::Failed(const QString& what, const QString& version)
{
    Stmt q(m_db,
           "INSERT INTO SYNC_SKIPPED (WHAT, VERSION, TRIES) VALUES (?1, ?2, 1) "
           "ON CONFLICT (WHAT) DO UPDATE SET TRIES = iif(VERSION IS ?2, TRIES + 1, 1), "
           "VERSION = ?2",
           [this] { fail(); });
    q.bind(1, what).bind(2, version).run();
}

void SyncDb::Settled(const QString& what)
{
    Stmt q(m_db, "DELETE FROM SYNC_SKIPPED WHERE WHAT = ?", [this] { fail(); });
    q.bind(1, what).run();
}

QStringList SyncDb::Skipped(bool all) const
{
    Stmt q(m_db, "SELECT WHAT FROM SYNC_SKIPPED WHERE TRIES <= 3 OR ?", [this] { fail(); });
    q.bind(1, qint64(all));
    QStringList what;
    while (q.next())
        what << q.text(0);
    return what;
}

// SPDX-License-Identifier: MIT
#include "syncdb.h"

#include "store/adodb.h"

#include <QFile>
#include <sqlite3.h>

namespace
{

// SYNC_ITEMS: one row per synced task. SYNC_STATE: the collection's address, user and
// sync-token. The trigger notes when the program changes a synced task, so that in a
// conflict the later change can win.
const char* const schemaSql = R"(
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
CREATE TRIGGER IF NOT EXISTS SYNC_TASK_CHANGED AFTER UPDATE ON TASKS
BEGIN
    UPDATE SYNC_ITEMS SET CHANGED = strftime('%Y-%m-%dT%H:%M:%SZ', 'now')
     WHERE TASK_ID = NEW.TASK_ID;
END;
)";

struct Stmt {
    sqlite3_stmt* s = nullptr;
    Stmt(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &s, nullptr); }
    ~Stmt() { sqlite3_finalize(s); }
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
};

SyncDb::Item readItem(const Stmt& q)
{
    SyncDb::Item item;
    item.taskId = sqlite3_column_int(q.s, 0);
    item.uid = q.text(1);
    item.href = q.text(2);
    item.etag = q.text(3);
    item.synced = q.bytes(4);
    item.placed = QDate::fromString(q.text(5), Qt::ISODate);
    item.changed = QDateTime::fromString(q.text(6), Qt::ISODate);
    return item;
}

const char* const itemColumns = "SELECT TASK_ID, UID, HREF, ETAG, SYNCED, PLACED, CHANGED "
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
    if (tables == Tables::Create)
        Transaction([&] { exec(QString::fromUtf8(schemaSql)); });
}

bool SyncDb::HasTables() const
{
    Stmt q(m_db, "SELECT count(*) FROM sqlite_master WHERE name IN ('SYNC_ITEMS', 'SYNC_STATE')");
    return sqlite3_step(q.s) == SQLITE_ROW && sqlite3_column_int(q.s, 0) == 2;
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
    Stmt q(m_db, "SELECT VALUE FROM SYNC_STATE WHERE KEY = ?");
    q.bind(1, key);
    return sqlite3_step(q.s) == SQLITE_ROW ? q.text(0) : QString();
}

void SyncDb::SetState(const QString& key, const QString& value)
{
    Stmt q(m_db, "INSERT OR REPLACE INTO SYNC_STATE (KEY, VALUE) VALUES (?, ?)");
    q.bind(1, key).bind(2, value);
    if (sqlite3_step(q.s) != SQLITE_DONE)
        fail();
}

QList<SyncDb::Item> SyncDb::Items() const
{
    Stmt q(m_db, itemColumns);
    QList<Item> items;
    while (sqlite3_step(q.s) == SQLITE_ROW)
        items << readItem(q);
    return items;
}

std::optional<SyncDb::Item> SyncDb::ItemOf(qint32 taskId) const
{
    Stmt q(m_db, (QByteArray(itemColumns) + "WHERE TASK_ID = ?").constData());
    q.bind(1, qint64(taskId));
    if (sqlite3_step(q.s) != SQLITE_ROW)
        return std::nullopt;
    return readItem(q);
}

std::optional<SyncDb::Item> SyncDb::ItemByUid(const QString& uid) const
{
    Stmt q(m_db, (QByteArray(itemColumns) + "WHERE UID = ?").constData());
    q.bind(1, uid);
    if (sqlite3_step(q.s) != SQLITE_ROW)
        return std::nullopt;
    return readItem(q);
}

void SyncDb::SaveItem(const Item& item)
{
    Stmt q(m_db, "INSERT OR REPLACE INTO SYNC_ITEMS "
                 "(TASK_ID, UID, HREF, ETAG, SYNCED, PLACED, CHANGED) VALUES (?,?,?,?,?,?,?)");
    q.bind(1, qint64(item.taskId))
        .bind(2, item.uid)
        .bind(3, item.href.isEmpty() ? QString() : item.href)
        .bind(4, item.etag.isEmpty() ? QString() : item.etag)
        .bind(5, item.synced)
        .bind(6, item.placed.isValid() ? item.placed.toString(Qt::ISODate) : QString())
        .bind(7, item.changed.isValid() ? item.changed.toUTC().toString(Qt::ISODate) : QString());
    if (sqlite3_step(q.s) != SQLITE_DONE)
        fail();
}

void SyncDb::deleteById(const char* sql, qint32 taskId)
{
    Stmt q(m_db, sql);
    q.bind(1, qint64(taskId));
    if (sqlite3_step(q.s) != SQLITE_DONE)
        fail();
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
    Stmt q(m_db, "SELECT TASK_TITLE, DESCRIPTION, TASK_DATE, TASK_STATUS FROM TASKS "
                 "WHERE TASK_ID = ?");
    q.bind(1, qint64(taskId));
    if (sqlite3_step(q.s) != SQLITE_ROW)
        return std::nullopt;
    return Ical::Fields{q.text(0), q.text(1), QDate::fromString(q.text(2), Qt::ISODate), q.text(3)};
}

QList<qint32> SyncDb::TaskIds() const
{
    Stmt q(m_db, "SELECT TASK_ID FROM TASKS ORDER BY TASK_ID");
    QList<qint32> ids;
    while (sqlite3_step(q.s) == SQLITE_ROW)
        ids << sqlite3_column_int(q.s, 0);
    return ids;
}

void SyncDb::WriteTask(qint32 taskId, const Ical::Fields& f)
{
    Stmt q(m_db, "INSERT INTO TASKS (TASK_ID, TASK_TITLE, DESCRIPTION, TASK_DATE, TASK_STATUS) "
                 "VALUES (?,?,?,?,?) ON CONFLICT (TASK_ID) DO UPDATE SET "
                 "TASK_TITLE = excluded.TASK_TITLE, DESCRIPTION = excluded.DESCRIPTION, "
                 "TASK_DATE = excluded.TASK_DATE, TASK_STATUS = excluded.TASK_STATUS");
    q.bind(1, qint64(taskId))
        .bind(2, f.title)
        .bind(3, f.description)
        .bind(4, f.due.toString(Qt::ISODate))
        .bind(5, f.status);
    if (sqlite3_step(q.s) != SQLITE_DONE)
        fail();
}

void SyncDb::DeleteTask(qint32 taskId)
{
    deleteById("DELETE FROM TASKS WHERE TASK_ID = ?", taskId);
}

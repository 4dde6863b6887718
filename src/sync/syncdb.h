// SPDX-License-Identifier: MIT
#pragma once

#include "ical.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

struct sqlite3;

// The sync tables beside TASKS, on a connection of the sync tool's own. The running program
// never creates them and a database without them works as before; the tool creates them when
// missing. Writes are kept short (one task at a time, or a small batch) because the program
// writes the same file.
class SyncDb
{
public:
    // One synced task: its to-do's UID, where the server keeps it (empty until it is there),
    // the to-do as both sides last agreed (the base of a three-way merge), and the day a
    // to-do with no due date was placed on. `sent` is the task as it was when last sent or
    // agreed: a field here differs from the server's only where it differs from that, so a
    // text that reads back otherwise (blanks libical trims, mapped control characters) is sent
    // once. `pending`: a new to-do meant for `href` whose PUT has not been answered yet, so
    // that a run cut short finds its own to-do there instead of sending a second one.
    struct Item {
        qint32 taskId = 0;
        QString uid;
        QString href;
        QString etag;
        QByteArray synced;
        QDate placed;
        Ical::Fields sent;
        Ical::Times changed; // set by the trigger when the program changes a field
        bool pending = false;
    };

    // Opens the file, which must be a Dueboard database (check it first with the store), and
    // creates the sync tables when they are missing, unless told not to: a database that never
    // had sync set up is left exactly as it is. Throws adodb::DbError.
    enum class Tables { Create, LeaveMissing };
    explicit SyncDb(const QString& file, Tables tables = Tables::Create);
    // Whether the sync tables are there.
    bool HasTables() const;
    ~SyncDb();
    SyncDb(const SyncDb&) = delete;
    SyncDb& operator=(const SyncDb&) = delete;

    QString State(const QString& key) const;
    void SetState(const QString& key, const QString& value);

    QList<Item> Items() const;
    std::optional<Item> ItemOf(qint32 taskId) const;
    std::optional<Item> ItemByUid(const QString& uid) const;
    void SaveItem(const Item& item);
    void RemoveItem(qint32 taskId);

    // The task's fields as the item's base reads them: a to-do with no DUE is on its placed day.
    static Ical::Fields BaseOf(const Item& item);

    // Every read throws adodb::DbError when the database cannot be read (locked, busy): a
    // failed read is never taken for a task that is not there.
    std::optional<Ical::Fields> Task(qint32 taskId) const;
    QList<qint32> TaskIds() const;
    // Writes only the fields that differ from `old` (all of them for a new task), so a field
    // nobody changed keeps its bytes, even ones that are not UTF-8.
    void WriteTask(qint32 taskId, const Ical::Fields& fields,
                   const std::optional<Ical::Fields>& old = std::nullopt);
    void DeleteTask(qint32 taskId);

    // A to-do or task that could not be read or written: `what` names it (an href, or a task),
    // `version` what it was then (an ETag, or its fields). It is tried on the next three runs,
    // then again only once its version changes.
    bool ShouldTry(const QString& what, const QString& version) const;
    void Failed(const QString& what, const QString& version);
    void Settled(const QString& what);
    // What is still to be tried again; with `all`, also what is no longer.
    QStringList Skipped(bool all = false) const;

    // Runs work as one immediate transaction: all of it is written or none.
    void Transaction(const std::function<void()>& work);

private:
    void exec(const QString& sql) const;
    void migrate();
    [[noreturn]] void fail() const;
    void deleteById(const char* sql, qint32 taskId);
    QString m_file;
    sqlite3* m_db = nullptr;
};

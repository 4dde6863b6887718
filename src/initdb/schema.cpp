// SPDX-License-Identifier: MIT
#include "schema.h"

#include "store/dbformat.h"
#include "store/repeats.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// TASK_DATE holds ISO text so that =, < and ORDER BY compare calendar days; the check keeps
// anything else (a missing date, or an impossible day such as 2026-02-30) out.
// Indexes: the day list looks up one date; the overdue count and list read only the open
// tasks before a date, which a partial index keeps small, and which the count reads from the
// index alone because it holds the status too. WAL makes a durable save several times cheaper
// than a rollback journal (see the store figures in README.md).
const char* const schemaSql = R"(
PRAGMA journal_mode = WAL;
BEGIN;
CREATE TABLE TASKS (
    TASK_ID INTEGER PRIMARY KEY,
    TASK_TITLE TEXT,
    DESCRIPTION TEXT,
    TASK_DATE DATE NOT NULL CHECK (
        TASK_DATE GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]'
        AND date(TASK_DATE, '+0 days') = TASK_DATE),
    TASK_STATUS TEXT
);
CREATE TABLE sysIDS (
    CODE TEXT PRIMARY KEY,
    VALUE INTEGER
);
CREATE INDEX TASKS_BY_DATE ON TASKS (TASK_DATE);
CREATE INDEX TASKS_OPEN_BY_DATE ON TASKS (TASK_DATE, TASK_STATUS)
    WHERE TASK_STATUS <> 'COMPLETE';
COMMIT;
)";

[[noreturn]] void fail(const QString& path, const QString& cause)
{
    throw std::runtime_error(QStringLiteral("%1: %2").arg(path, cause).toStdString());
}

// Tasks are private: the file is its owner's alone, whatever the umask, and SQLite gives the
// journal files it makes beside it (-wal, -shm) the file's own mode.
void createPrivateFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0 || ::fchmod(fd, 0600) != 0) {
        const QString cause = QString::fromLocal8Bit(std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        fail(path, cause);
    }
    ::close(fd);
}

void build(const QString& path)
{
    createPrivateFile(path);
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) {
        const QByteArray sql =
            QStringLiteral("PRAGMA application_id = %1; PRAGMA user_version = %2;")
                .arg(DbFormat::ApplicationId)
                .arg(DbFormat::UserVersion)
                .toUtf8() +
            schemaSql;
        rc = sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr);
        for (const char* repeats : RepeatTableSql) {
            if (rc == SQLITE_OK)
                rc = sqlite3_exec(db, repeats, nullptr, nullptr, nullptr);
        }
    }
    const QString cause = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        fail(path, cause);
}

} // namespace

namespace Schema
{

void CreateDatabase(const QString& path)
{
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        fail(path, QStringLiteral("already exists; it is left unchanged"));
    // Built under a temporary name, then moved into place without replacing anything, so a
    // failure or a concurrent creator never leaves a half-made database behind.
    const QString partial = path + QStringLiteral(".partial");
    QFile::remove(partial);
    try {
        build(partial);
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
    QFile file(partial);
    if (!file.rename(path)) {
        const QString cause = file.errorString();
        QFile::remove(partial);
        fail(path, QFileInfo::exists(path) ? QStringLiteral("already exists; it is left unchanged")
                                           : cause);
    }
}

} // namespace Schema

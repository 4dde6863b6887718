// SPDX-License-Identifier: MIT
#include "tempdb.h"

#include "platform/app.h"
#include "platform/clock.h"
#include "schema.h"

#include <QFile>
#include <sqlite3.h>
#include <stdexcept>

namespace
{

// Runs sql on its own connection and hands each statement's rows to onRow.
template <typename OnRow> void withRawDb(const QString& file, const QString& sql, OnRow onRow)
{
    sqlite3* raw = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &raw, SQLITE_OPEN_READWRITE,
                        nullptr) != SQLITE_OK) {
        sqlite3_close(raw);
        throw std::runtime_error("cannot open " + file.toStdString());
    }
    sqlite3_busy_timeout(raw, 2000);
    const QByteArray text = sql.toUtf8();
    const char* next = text.constData();
    while (*next) {
        sqlite3_stmt* stmt = nullptr;
        int rc = sqlite3_prepare_v2(raw, next, -1, &stmt, &next);
        if (rc == SQLITE_OK && stmt) {
            while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
                onRow(stmt);
        }
        sqlite3_finalize(stmt);
        if (rc != SQLITE_OK && rc != SQLITE_DONE) {
            const std::string message = sqlite3_errmsg(raw);
            sqlite3_close(raw);
            throw std::runtime_error(message);
        }
    }
    sqlite3_close(raw);
}

} // namespace

TempDb::TempDb(Connect connect)
{
    if (!m_dir.isValid())
        throw std::runtime_error("cannot make a temporary directory");
    Schema::CreateDatabase(File());
    App::SetPath(Dir());
    Clock::SetToday(Today);
    if (connect == Connect::Closed)
        return;
    try {
        gConnection = std::make_unique<adodb::Connection>();
        gConnection->Open(ConnectionString());
    } catch (...) {
        restore();
        throw;
    }
}

TempDb::~TempDb()
{
    restore();
}

void TempDb::restore()
{
    gConnection.reset();
    Clock::Reset();
    App::SetPath({});
}

QString TempDb::Dir() const
{
    return m_dir.path();
}
QString TempDb::File() const
{
    return m_dir.filePath(QStringLiteral("Dueboard.mdb"));
}

void TempDb::AddTask(qint32 id, const QString& title, const QString& description, const QDate& date,
                     const QString& status) const
{
    const auto text = [](const QString& s) {
        return QLatin1Char('\'') + QString(s).replace(QLatin1Char('\''), QStringLiteral("''")) +
               QLatin1Char('\'');
    };
    Exec(QStringLiteral("INSERT INTO TASKS VALUES (%1, %2, %3, %4, %5)")
             .arg(id)
             .arg(text(title), text(description),
                  date.isValid() ? text(date.toString(Qt::ISODate)) : QStringLiteral("NULL"),
                  text(status)));
}

void TempDb::DropDateChecks() const
{
    Exec(QStringLiteral("DROP TABLE TASKS; CREATE TABLE TASKS (TASK_ID INTEGER PRIMARY KEY, "
                        "TASK_TITLE TEXT, DESCRIPTION TEXT, TASK_DATE DATE, TASK_STATUS TEXT)"));
}

void TempDb::Exec(const QString& sql) const
{
    withRawDb(File(), sql, [](sqlite3_stmt*) {});
}

QVariant TempDb::Scalar(const QString& sql) const
{
    QVariant result;
    bool first = true;
    withRawDb(File(), sql, [&](sqlite3_stmt* stmt) {
        if (!first)
            return;
        first = false;
        switch (sqlite3_column_type(stmt, 0)) {
        case SQLITE_INTEGER:
            result = qlonglong(sqlite3_column_int64(stmt, 0));
            break;
        case SQLITE_NULL:
            break;
        default:
            result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)),
                                       sqlite3_column_bytes(stmt, 0));
        }
    });
    return result;
}

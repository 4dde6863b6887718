// SPDX-License-Identifier: MIT
#include "adodb.h"

#include "dbformat.h"
#include "jetsql.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <limits>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace adodb
{

namespace
{

int& busyTimeout()
{
    static int ms = 3000;
    return ms;
}

// Hands a statement back: a cached one is reset for its next use, any other finalized.
struct StatementDone {
    bool* inUse = nullptr;
    void operator()(sqlite3_stmt* stmt) const
    {
        if (!inUse) {
            sqlite3_finalize(stmt);
            return;
        }
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
        *inUse = false;
    }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDone>;

bool isDateType(const char* declType)
{
    return declType && qstricmp(declType, "DATE") == 0;
}

// The open file. Recordsets hold it weakly, so a recordset that outlives its connection
// fails cleanly instead of touching a closed handle.
struct Session {
    sqlite3* db = nullptr;
    QString path;

    // The program issues the same few texts again and again (a day's list, the overdue
    // count); compiling them once saves more than the rest of a small query costs.
    struct Cached {
        sqlite3_stmt* stmt;
        bool inUse;
    };
    mutable std::unordered_map<QString, Cached> cache;
    static constexpr size_t cacheLimit = 32;

    ~Session()
    {
        for (auto& [sql, entry] : cache)
            sqlite3_finalize(entry.stmt);
        sqlite3_close_v2(db);
    }

    [[noreturn]] void fail(const QString& cause) const
    {
        throw DbError(QStringLiteral("%1: %2").arg(path, cause));
    }

    // SQLite makes its journal files (-wal, -shm) beside the file; without them no write works.
    [[noreturn]] void failReadOnlyFolder() const
    {
        const QFileInfo file(path);
        fail(QStringLiteral("the folder %1 is read-only, and the database needs to create its "
                            "journal files (%2-wal, %2-shm) beside it")
                 .arg(file.absolutePath(), file.fileName()));
    }

    [[noreturn]] void failEngine() const
    {
        if (sqlite3_extended_errcode(db) == SQLITE_READONLY_DIRECTORY)
            failReadOnlyFolder();
        QString cause = QString::fromUtf8(sqlite3_errmsg(db));
        if ((sqlite3_errcode(db) & 0xff) == SQLITE_BUSY)
            cause += QStringLiteral(" (another program is using the file)");
        fail(cause);
    }

    Statement prepare(const QString& sql) const
    {
        const auto found = cache.find(sql);
        if (found != cache.end() && !found->second.inUse) {
            found->second.inUse = true;
            return Statement(found->second.stmt, StatementDone{&found->second.inUse});
        }
        Statement stmt = compile(sql);
        if (found != cache.end())
            return stmt;
        if (cache.size() >= cacheLimit)
            evictIdle();
        Cached& entry = cache[sql] = {stmt.release(), true};
        return Statement(entry.stmt, StatementDone{&entry.inUse});
    }

    Statement compile(const QString& sql) const
    {
        const QByteArray utf8 = sql.toUtf8();
        sqlite3_stmt* raw = nullptr;
        const char* tail = nullptr;
        if (sqlite3_prepare_v3(db, utf8.constData(), int(utf8.size()), SQLITE_PREPARE_PERSISTENT,
                               &raw, &tail) != SQLITE_OK)
            failEngine();
        Statement stmt(raw);
        if (!stmt || !QByteArray(tail).trimmed().isEmpty())
            fail(QStringLiteral("expected exactly one statement in \"%1\"").arg(sql));
        return stmt;
    }

    void evictIdle() const
    {
        for (auto it = cache.begin(); it != cache.end();) {
            if (it->second.inUse) {
                ++it;
                continue;
            }
            sqlite3_finalize(it->second.stmt);
            it = cache.erase(it);
        }
    }

    // Steps to the end; true when the statement produced at least one row.
    bool run(sqlite3_stmt* stmt) const
    {
        bool row = false;
        for (;;) {
            const int rc = sqlite3_step(stmt);
            if (rc == SQLITE_DONE)
                return row;
            if (rc != SQLITE_ROW)
                failEngine();
            row = true;
        }
    }

    // What a recordset's source text comes to: the SQLite text (a writable one fetches each
    // row's rowid first), the table it writes back to, and its columns. The day list and the
    // overdue count repeat the same texts, so this is worked out once per text.
    struct Shape {
        QString sql;
        QString table;
        int first = 0;
        QStringList names;
        QList<bool> isDate;
    };
    mutable std::unordered_map<QString, Shape> shapes;

    const Shape& shapeOf(const QString& source) const
    {
        const auto found = shapes.find(source);
        if (found != shapes.end())
            return found->second;
        Shape shape;
        shape.sql = translate(source);
        // A single-table SELECT * can be written back.
        static const QRegularExpression selectAll(
            QStringLiteral("^\\s*SELECT\\s+(\\*)\\s+FROM\\s+([A-Za-z_][A-Za-z0-9_]*)(\\s|$)"),
            QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch m = selectAll.match(shape.sql);
        if (m.hasMatch()) {
            shape.sql.insert(m.capturedStart(1), QStringLiteral("rowid, "));
            shape.table = m.captured(2);
            shape.first = 1;
        }
        const Statement stmt = prepare(shape.sql);
        for (int c = shape.first; c < sqlite3_column_count(stmt.get()); ++c) {
            shape.names << QString::fromUtf8(sqlite3_column_name(stmt.get(), c));
            shape.isDate << isDateType(sqlite3_column_decltype(stmt.get(), c));
        }
        if (shapes.size() >= cacheLimit)
            shapes.clear();
        return shapes.emplace(source, std::move(shape)).first->second;
    }

    QString translate(const QString& jetSql) const
    {
        try {
            return TranslateJetSql(jetSql);
        } catch (const DbError& e) {
            fail(e.Description());
        }
    }

    qint64 pragma(const char* name) const
    {
        Statement stmt = prepare(QStringLiteral("PRAGMA %1").arg(QLatin1String(name)));
        if (sqlite3_step(stmt.get()) != SQLITE_ROW)
            failEngine();
        return sqlite3_column_int64(stmt.get(), 0);
    }

    void requireColumns(const QString& table, const QStringList& columns) const
    {
        Statement stmt = prepare(QStringLiteral("PRAGMA table_info(\"%1\")").arg(table));
        QStringList present;
        int rc;
        while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW)
            present << QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 1)));
        if (rc != SQLITE_DONE)
            failEngine();
        if (present.isEmpty())
            fail(QStringLiteral("not a Dueboard database: it has no table %1").arg(table));
        for (const QString& column : columns)
            if (!present.contains(column, Qt::CaseInsensitive))
                fail(QStringLiteral("not a Dueboard database: table %1 has no column %2")
                         .arg(table, column));
    }

    void checkFormat() const
    {
        const qint64 appId = pragma("application_id");
        if (appId != DbFormat::ApplicationId)
            fail(QStringLiteral("not a Dueboard database (an SQLite file of another program)"));
        const qint64 version = pragma("user_version");
        if (version != DbFormat::UserVersion)
            fail(QStringLiteral("unsupported Dueboard database version %1 (this program reads %2)")
                     .arg(version)
                     .arg(DbFormat::UserVersion));
        requireColumns(QStringLiteral("TASKS"),
                       {"TASK_ID", "TASK_TITLE", "DESCRIPTION", "TASK_DATE", "TASK_STATUS"});
        requireColumns(QStringLiteral("sysIDS"), {"CODE", "VALUE"});
    }
};

// Writable by this process, and by someone at all: root writes through any permission, but a
// file or folder without a write bit is read-only by its owner's choice.
bool writable(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {
    };
    return ::access(name.constData(), W_OK) == 0 && ::stat(name.constData(), &st) == 0 &&
           (st.st_mode & 0222) != 0;
}

// Refuses, before SQLite sees the file, anything that is not an SQLite database we may read,
// and for writing one we may write.
void checkFile(const Session& s, bool forWriting)
{
    const QFileInfo info(s.path);
    if (!info.exists())
        s.fail(QStringLiteral("the database file does not exist"));
    if (!info.isFile())
        s.fail(QStringLiteral("not a database file (it is a directory or a device)"));
    QFile file(s.path);
    if (!file.open(QIODevice::ReadOnly))
        s.fail(QStringLiteral("the database file cannot be read: %1").arg(file.errorString()));
    const QByteArray head = file.read(100);
    const QByteArray jetSignature("\x00\x01\x00\x00", 4);
    if (head.startsWith(jetSignature) &&
        (head.mid(4).startsWith("Standard Jet DB") || head.mid(4).startsWith("Standard ACE DB")))
        s.fail(QStringLiteral("a Microsoft Access (Jet) database, which Dueboard cannot read; "
                              "Dueboard keeps its tasks in its own format "
                              "(dueboard-initdb makes an empty one)"));
    if (head.size() < 100 || !head.startsWith(QByteArray("SQLite format 3\0", 16)))
        s.fail(QStringLiteral("not a database file"));
    if (!forWriting)
        return;
    // The owner's write bit counts even for root, who could otherwise write any file.
    if (!writable(s.path))
        s.fail(QStringLiteral("the database file is read-only"));
    if (!writable(info.absolutePath()))
        s.failReadOnlyFolder();
}

QString parseDataSource(const QString& connectionString)
{
    static const QRegularExpression key(QStringLiteral("(^|;)\\s*DATA SOURCE\\s*="),
                                        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = key.match(connectionString);
    if (!m.hasMatch())
        throw DbError(QStringLiteral("the connection string names no DATA SOURCE: \"%1\"")
                          .arg(connectionString));
    // The data source ends the string; the directory may itself contain ';'.
    QString path = connectionString.mid(m.capturedEnd());
    if (path.endsWith(QLatin1Char(';')))
        path.chop(1);
    return path;
}

// yyyy-MM-dd as stored; anything else is not a date. Done by hand: it runs for every row.
QDate parseIsoDate(const char* text, int size)
{
    if (size != 10 || text[4] != '-' || text[7] != '-')
        return {};
    int digits[8];
    const int at[8] = {0, 1, 2, 3, 5, 6, 8, 9};
    for (int k = 0; k < 8; ++k) {
        const char c = text[at[k]];
        if (c < '0' || c > '9')
            return {};
        digits[k] = c - '0';
    }
    const int year = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
    return QDate(year, digits[4] * 10 + digits[5], digits[6] * 10 + digits[7]);
}

QVariant readColumn(sqlite3_stmt* stmt, int i, bool isDate)
{
    switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_INTEGER:
        return qlonglong(sqlite3_column_int64(stmt, i));
    case SQLITE_FLOAT:
        return sqlite3_column_double(stmt, i);
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
        const int size = sqlite3_column_bytes(stmt, i);
        if (isDate) {
            const QDate day = parseIsoDate(text, size);
            if (day.isValid())
                return day;
        }
        return QString::fromUtf8(text, size);
    }
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, i)),
                          sqlite3_column_bytes(stmt, i));
    default:
        return {};
    }
}

int bind(sqlite3_stmt* stmt, int i, const QVariant& value)
{
    if (value.isNull())
        return sqlite3_bind_null(stmt, i);
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return sqlite3_bind_int64(stmt, i, value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return sqlite3_bind_double(stmt, i, value.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return sqlite3_bind_blob64(stmt, i, bytes.constData(), bytes.size(), SQLITE_TRANSIENT);
    }
    case QMetaType::QDate:
        return sqlite3_bind_text(stmt, i, value.toDate().toString(Qt::ISODate).toUtf8(), -1,
                                 SQLITE_TRANSIENT);
    default: {
        const QByteArray text = value.toString().toUtf8();
        return sqlite3_bind_text64(stmt, i, text.constData(), text.size(), SQLITE_TRANSIENT,
                                   SQLITE_UTF8);
    }
    }
}

QString quoted(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

} // namespace

void SetBusyTimeout(int milliseconds)
{
    busyTimeout() = milliseconds;
}

// ---- Connection

struct Connection::Impl {
    std::shared_ptr<Session> session;
    QString path;

    const Session& open() const
    {
        if (!session)
            throw DbError(QStringLiteral("%1: the database connection is not open")
                              .arg(path.isEmpty() ? QStringLiteral("Dueboard.mdb") : path));
        return *session;
    }
};

Connection::Connection() : m_impl(std::make_unique<Impl>()) {}
Connection::~Connection() = default;
Connection::Impl& Connection::impl() const
{
    return *m_impl;
}
bool Connection::IsOpen() const
{
    return m_impl->session != nullptr;
}
QString Connection::FilePath() const
{
    return m_impl->path;
}

void Connection::Open(const QString& connectionString, const QString&, const QString&, int)
{
    if (m_impl->session)
        throw DbError(QStringLiteral("%1: the connection is already open").arg(m_impl->path));
    auto session = std::make_shared<Session>();
    session->path = parseDataSource(connectionString);
    m_impl->path = session->path;
    const bool forWriting = Mode != adModeRead;
    checkFile(*session, forWriting);
    const int rc = sqlite3_open_v2(
        QFile::encodeName(session->path).constData(), &session->db,
        (forWriting ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK)
        session->failEngine();
    sqlite3_extended_result_codes(session->db, 1);
    sqlite3_busy_timeout(session->db, busyTimeout());
    if (forWriting && sqlite3_db_readonly(session->db, "main") == 1)
        session->fail(QStringLiteral("the database file is read-only"));
    session->checkFormat();
    // A write that returned must survive a power cut.
    session->run(session->prepare(QStringLiteral("PRAGMA synchronous = FULL")).get());
    // Pages are kept as they are read, up to 32 MiB: a day's reload at a million tasks holds
    // 15 MiB (the open tasks' index and the day's rows) and takes half the time it takes in
    // SQLite's 2 MiB, which the program outgrows at about 140,000 tasks. A memory map was no
    // faster and kept ten times as much of the file resident (README, store figures).
    session->run(session->prepare(QStringLiteral("PRAGMA cache_size = -32768")).get());
    m_impl->session = std::move(session);
}

void Connection::Execute(const QString& commandText, int)
{
    const Session& s = m_impl->open();
    s.run(s.prepare(s.translate(commandText)).get());
}

void Connection::Close()
{
    m_impl->session.reset();
}

// ---- Recordset

struct Recordset::Impl {
    std::weak_ptr<Session> session;
    // Rows are read as the cursor reaches them, so counting or listing does not first copy
    // every row. While rows remain, the statement keeps its session alive; `pending` is
    // declared after `reading` so that it is always handed back first.
    std::shared_ptr<Session> reading;
    Statement pending;
    int first = 0; // 1 when column 0 is the rowid fetched for writing back
    QString table; // set when rows can be written back: SELECT * FROM one table
    QStringList names;
    QList<bool> isDate;
    // The rows read and not yet passed, from row `base` on: the cursor only moves forward.
    std::vector<QVariant> cells; // row-major, names.size() per row
    std::vector<qint64> rowids;  // beside each row when the rows can be written back
    qsizetype base = 0;
    qsizetype current = 0;
    // The row the statement stands on gives each field only when it is asked for, so a
    // reader pays for the fields it reads; the rest are read before the statement moves on
    // while the row can still be reached.
    qsizetype liveRow = -1;
    std::vector<bool> liveRead;
    bool adding = false;
    QList<int> dirty;

    bool isOpen() const { return !names.isEmpty() || !session.expired(); }
    qsizetype rowCount() const
    {
        return names.isEmpty() ? 0 : base + qsizetype(cells.size()) / names.size();
    }

    std::shared_ptr<Session> live() const
    {
        auto s = session.lock();
        if (!s)
            throw DbError(QStringLiteral("the recordset's connection is closed"));
        return s;
    }

    QVariant& cell(int column) { return cellOf(current, column); }

    QVariant& cellOf(qsizetype row, int column)
    {
        QVariant& value = cells[(row - base) * names.size() + column];
        if (row == liveRow && !liveRead[column]) {
            value = readColumn(pending.get(), first + column, isDate[column]);
            liveRead[column] = true;
        }
        return value;
    }

    // Before the statement moves on.
    void keepLiveRow()
    {
        if (liveRow >= current)
            for (int c = 0; c < names.size(); ++c)
                cellOf(liveRow, c);
        liveRow = -1;
    }
    qint64& rowid() { return rowids[current - base]; }

    // Rows behind the cursor are never read again.
    void forgetPassed()
    {
        const qsizetype passed = std::min(current, rowCount()) - base;
        if (passed <= 0)
            return;
        if (passed * names.size() == qsizetype(cells.size())) {
            cells.clear(); // the usual step: keeps the storage for the next row
            rowids.clear();
        } else {
            cells.erase(cells.begin(), cells.begin() + passed * names.size());
            if (!rowids.empty())
                rowids.erase(rowids.begin(), rowids.begin() + passed);
        }
        base += passed;
    }

    // Reads rows until `row` exists or the statement has no more; true when it exists.
    bool fetchUpTo(qsizetype row)
    {
        while (row >= rowCount() && pending) {
            keepLiveRow();
            const int rc = sqlite3_step(pending.get());
            if (rc == SQLITE_ROW) {
                if (first)
                    rowids.push_back(sqlite3_column_int64(pending.get(), 0));
                cells.resize(cells.size() + names.size());
                liveRow = rowCount() - 1;
                liveRead.assign(names.size(), false);
                continue;
            }
            const std::shared_ptr<Session> s = std::move(reading);
            Statement done = std::move(pending);
            if (rc != SQLITE_DONE)
                s->failEngine();
        }
        return row < rowCount();
    }

    // Before a write: the whole result is read, so no statement reads while the table changes.
    void drain() { fetchUpTo(std::numeric_limits<qsizetype>::max()); }

    void close()
    {
        pending.reset(); // before the session it belongs to can go
        reading.reset();
        *this = Impl();
    }

    void requireRow()
    {
        if (!fetchUpTo(current))
            live()->fail(QStringLiteral("Either BOF or EOF is True, or the current record has "
                                        "been deleted. Requested operation requires a current "
                                        "record."));
    }

    void reloadCurrent(const Session& s)
    {
        Statement stmt =
            s.prepare(QStringLiteral("SELECT * FROM %1 WHERE rowid = ?").arg(quoted(table)));
        sqlite3_bind_int64(stmt.get(), 1, rowid());
        if (sqlite3_step(stmt.get()) != SQLITE_ROW)
            s.failEngine();
        for (int c = 0; c < names.size(); ++c)
            cell(c) = readColumn(stmt.get(), c, isDate[c]);
    }

    void insert(const Session& s)
    {
        QStringList columns, marks;
        for (int c : dirty) {
            columns << quoted(names[c]);
            marks << QStringLiteral("?");
        }
        const QString sql = columns.isEmpty()
                                ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoted(table))
                                : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                      .arg(quoted(table), columns.join(','), marks.join(','));
        Statement stmt = s.prepare(sql);
        bindDirty(s, stmt.get());
        s.run(stmt.get());
        rowid() = sqlite3_last_insert_rowid(s.db);
    }

    void update(const Session& s)
    {
        QStringList sets;
        for (int c : dirty)
            sets << quoted(names[c]) + QStringLiteral(" = ?");
        Statement stmt = s.prepare(
            QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?").arg(quoted(table), sets.join(',')));
        bindDirty(s, stmt.get());
        sqlite3_bind_int64(stmt.get(), int(dirty.size()) + 1, rowid());
        s.run(stmt.get());
        if (sqlite3_changes(s.db) == 0)
            s.fail(QStringLiteral("Row cannot be located for updating: it was deleted since "
                                  "it was read. Nothing was written."));
    }

    void bindDirty(const Session& s, sqlite3_stmt* stmt)
    {
        for (int i = 0; i < dirty.size(); ++i)
            if (bind(stmt, i + 1, cell(dirty[i])) != SQLITE_OK)
                s.failEngine();
    }
};

Recordset::Recordset() : m_impl(std::make_unique<Impl>()) {}
Recordset::~Recordset() = default;
Recordset::Impl& Recordset::impl() const
{
    return *m_impl;
}

void Recordset::Open(const QString& source, Connection& activeConnection, int, int, int)
{
    Impl& d = *m_impl;
    if (d.isOpen())
        throw DbError(QStringLiteral("the recordset is already open"));
    const Session& s = activeConnection.impl().open();
    const Session::Shape& shape = s.shapeOf(source);
    d.session = activeConnection.impl().session;
    d.reading = activeConnection.impl().session;
    d.pending = s.prepare(shape.sql);
    d.first = shape.first;
    d.table = shape.table;
    d.names = shape.names;
    d.isDate = shape.isDate;
    try {
        d.fetchUpTo(0); // a failing query fails here, as it would with every row read at once
    } catch (...) {
        d.close();
        throw;
    }
}

bool Recordset::Eof() const
{
    return !m_impl->fetchUpTo(m_impl->current);
}

Field Recordset::Fields(const QString& name)
{
    const QStringList& names = m_impl->names;
    // Column names are matched ignoring case; the program spells them as the table does, so
    // try the exact spelling first: this runs for every field of every row.
    auto found = std::find(names.begin(), names.end(), name);
    if (found == names.end())
        found = std::find_if(names.begin(), names.end(), [&](const QString& n) {
            return n.compare(name, Qt::CaseInsensitive) == 0;
        });
    if (found == names.end())
        throw DbError(QStringLiteral("Item cannot be found in the collection corresponding to "
                                     "the requested name: %1")
                          .arg(name));
    return Field(*this, int(found - names.begin()));
}

void Recordset::MoveNext()
{
    Impl& d = *m_impl;
    d.requireRow();
    if (d.adding || !d.dirty.isEmpty())
        Update();
    ++d.current;
    d.forgetPassed();
}

void Recordset::AddNew()
{
    Impl& d = *m_impl;
    const auto s = d.live();
    if (d.table.isEmpty())
        s->fail(QStringLiteral("Current Recordset does not support updating"));
    if (d.adding || !d.dirty.isEmpty())
        Update();
    d.drain();
    d.rowids.push_back(-1);
    d.cells.resize(d.cells.size() + d.names.size());
    d.current = d.rowCount() - 1;
    d.adding = true;
}

void Recordset::Update()
{
    Impl& d = *m_impl;
    const auto s = d.live();
    d.requireRow();
    d.drain();
    if (d.adding)
        d.insert(*s);
    else if (!d.dirty.isEmpty())
        d.update(*s);
    else
        return;
    d.adding = false;
    d.dirty.clear();
    d.reloadCurrent(*s);
}

void Recordset::Close()
{
    m_impl->close();
}

// ---- Field

QVariant Field::Value() const
{
    Recordset::Impl& d = m_rs.impl();
    d.requireRow();
    return d.cell(m_column);
}

Field& Field::operator=(const QVariant& value)
{
    Recordset::Impl& d = m_rs.impl();
    const auto s = d.live();
    if (d.table.isEmpty())
        s->fail(QStringLiteral("Current Recordset does not support updating"));
    d.requireRow();
    QVariant stored = value;
    if (d.isDate[m_column] && !value.isNull()) {
        const QDate day =
            value.typeId() == QMetaType::QDate ? value.toDate() : ParseDateText(value.toString());
        if (!day.isValid())
            s->fail(QStringLiteral("\"%1\" is not a date; %2 keeps its value")
                        .arg(value.toString(), d.names[m_column]));
        stored = day;
    }
    d.cell(m_column) = stored;
    if (!d.dirty.contains(m_column))
        d.dirty << m_column;
    return *this;
}

} // namespace adodb

// SPDX-License-Identifier: MIT
// The store's data work beside the same work done with raw SQLite prepared statements.
//
// Databases of 1,000, 100,000 and 1,000,000 tasks over three years, about 30 % of them open and
// overdue, are made once per run under $DUEBOARD_BENCH_DIR (default /tmp/dueboard-bench).
// $DUEBOARD_BENCH_SIZES picks the sizes (default "1000,100000,1000000"). At 100,000 tasks the
// raw queries also run on other index choices, and a durable commit on either journal mode; at
// 100,000 and 1,000,000 the raw day reload also runs with other page cache and memory map sizes.
#include "platform/app.h"
#include "platform/clock.h"
#include "schema.h"
#include "store/adodb.h"
#include "store/appfunctions.h"
#include "support/tasks.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <sqlite3.h>

namespace
{

const QDate Today(2026, 3, 5);
const QByteArray TodayIso = Today.toString(Qt::ISODate).toUtf8();
const QDate NewTaskDay(2031, 1, 1); // saves land on a day no query reads

// ---- raw SQLite, the plainest way

struct RawDb {
    sqlite3* db = nullptr;

    explicit RawDb(const QString& file, const char* setup = "")
    {
        if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE,
                            nullptr) != SQLITE_OK)
            qFatal("cannot open %s", qPrintable(file));
        exec("PRAGMA synchronous = FULL");
        exec(setup);
    }
    ~RawDb() { sqlite3_close(db); }

    void exec(const char* sql)
    {
        char* error = nullptr;
        if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK)
            qFatal("%s: %s", sql, error);
    }

    sqlite3_stmt* prepare(const char* sql)
    {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK)
            qFatal("%s: %s", sql, sqlite3_errmsg(db));
        return stmt;
    }
};

void stepDone(sqlite3_stmt* stmt)
{
    if (sqlite3_step(stmt) != SQLITE_DONE)
        qFatal("step failed: %s", sqlite3_errmsg(sqlite3_db_handle(stmt)));
    sqlite3_reset(stmt);
}

// ---- the databases

QString benchDir()
{
    const QString dir = qEnvironmentVariable("DUEBOARD_BENCH_DIR", "/tmp/dueboard-bench");
    return dir;
}

QString variantDir(int tasks, const char* variant)
{
    return QStringLiteral("%1/%2-%3").arg(benchDir()).arg(tasks).arg(QLatin1String(variant));
}

void fill(const QString& file, int tasks)
{
    FillThreeYears(file, tasks, Today);
    RawDb(file).exec(QStringLiteral("INSERT INTO sysIDS VALUES ('TASK', %1)").arg(tasks).toUtf8());
}

// The database as the tool makes it, filled; then copies with other indexes or journal mode.
void makeDatabases(int tasks, bool variants)
{
    const QString chosen = variantDir(tasks, "chosen");
    QDir(chosen).removeRecursively();
    QDir().mkpath(chosen);
    const QString file = chosen + "/Dueboard.mdb";
    Schema::CreateDatabase(file);
    fill(file, tasks);
    if (!variants)
        return;
    const std::pair<const char*, const char*> others[] = {
        {"noindex", "DROP INDEX TASKS_BY_DATE; DROP INDEX TASKS_OPEN_BY_DATE"},
        {"dateonly", "DROP INDEX TASKS_OPEN_BY_DATE"},
        {"partialonly", "DROP INDEX TASKS_BY_DATE"},
        {"narrowpartial", "DROP INDEX TASKS_OPEN_BY_DATE; CREATE INDEX TASKS_OPEN_BY_DATE ON "
                          "TASKS (TASK_DATE) WHERE TASK_STATUS <> 'COMPLETE'"},
        {"rollback", "PRAGMA journal_mode = DELETE"},
    };
    for (const auto& [name, sql] : others) {
        const QString dir = variantDir(tasks, name);
        QDir(dir).removeRecursively();
        QDir().mkpath(dir);
        QFile::copy(file, dir + "/Dueboard.mdb");
        RawDb(dir + "/Dueboard.mdb").exec(sql);
    }
}

// ---- the store's side

struct StoreSession {
    explicit StoreSession(const QString& dir)
    {
        App::SetPath(dir);
        Clock::SetToday(Today);
        gConnection = std::make_unique<adodb::Connection>();
        gConnection->Open(ConnectionString());
    }
    ~StoreSession() { gConnection.reset(); }
};

void storeDayReload(benchmark::State& state, QString dir)
{
    StoreSession session(dir);
    for (auto _ : state) {
        adodb::Recordset rs;
        rs.Open(Sql::SelectDay(Today), *gConnection);
        for (; !rs.Eof(); rs.MoveNext()) {
            benchmark::DoNotOptimize(rs.Fields("TASK_ID").Value());
            benchmark::DoNotOptimize(rs.Fields("TASK_TITLE").Value());
            benchmark::DoNotOptimize(rs.Fields("TASK_STATUS").Value());
        }
        rs.Close();
        benchmark::DoNotOptimize(CountPastDueTasks());
    }
}

// Heap held by the page cache, and pages of the file mapped in, in MiB.
double pageCacheMiB(sqlite3* db)
{
    int used = 0, highest = 0;
    sqlite3_db_status(db, SQLITE_DBSTATUS_CACHE_USED, &used, &highest, 0);
    return used / 1048576.0;
}

double mappedMiB(const QString& file)
{
    QFile smaps(QStringLiteral("/proc/self/smaps"));
    if (!smaps.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray path = QFile::encodeName(QFileInfo(file).canonicalFilePath());
    double kib = 0;
    bool inFile = false;
    for (const QByteArray& line : smaps.readAll().split('\n')) {
        if (!line.isEmpty() && line.at(0) != ' ' && line.contains('-') && !line.endsWith(" kB"))
            inFile = line.endsWith(path);
        else if (inFile && line.startsWith("Rss:"))
            kib += line.mid(4).trimmed().split(' ').value(0).toDouble();
    }
    return kib / 1024;
}

// The same work the plainest way; `setup` sizes the connection's page cache or memory map.
void rawDayReload(benchmark::State& state, QString dir, const char* setup)
{
    const QString file = dir + "/Dueboard.mdb";
    RawDb raw(file, setup);
    sqlite3_stmt* day = raw.prepare("SELECT * FROM TASKS WHERE TASK_DATE = ?");
    sqlite3_stmt* pastDue = raw.prepare("SELECT COUNT(*) FROM (SELECT TASK_ID FROM TASKS WHERE "
                                        "TASK_DATE < ? AND TASK_STATUS <> 'COMPLETE')");
    for (auto _ : state) {
        sqlite3_bind_text(day, 1, TodayIso.constData(), -1, SQLITE_STATIC);
        while (sqlite3_step(day) == SQLITE_ROW) {
            benchmark::DoNotOptimize(sqlite3_column_int(day, 0));
            benchmark::DoNotOptimize(sqlite3_column_text(day, 1));
            benchmark::DoNotOptimize(sqlite3_column_text(day, 4));
        }
        sqlite3_reset(day);
        sqlite3_bind_text(pastDue, 1, TodayIso.constData(), -1, SQLITE_STATIC);
        if (sqlite3_step(pastDue) == SQLITE_ROW)
            benchmark::DoNotOptimize(sqlite3_column_int(pastDue, 0));
        sqlite3_reset(pastDue);
    }
    state.counters["cache_MiB"] = pageCacheMiB(raw.db);
    state.counters["mapped_MiB"] = mappedMiB(file);
    sqlite3_finalize(day);
    sqlite3_finalize(pastDue);
}

// One query alone, for choosing the indexes.
void rawQuery(benchmark::State& state, QString dir, const char* sql)
{
    RawDb raw(dir + "/Dueboard.mdb");
    sqlite3_stmt* stmt = raw.prepare(sql);
    for (auto _ : state) {
        sqlite3_bind_text(stmt, 1, TodayIso.constData(), -1, SQLITE_STATIC);
        int rows = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW)
            ++rows;
        sqlite3_reset(stmt);
        benchmark::DoNotOptimize(rows);
    }
    sqlite3_finalize(stmt);
}

void storeSave(benchmark::State& state, QString dir)
{
    StoreSession session(dir);
    for (auto _ : state) {
        const qint32 id = GetNextID("TASK");
        adodb::Recordset rs;
        rs.Open(Sql::SelectTask(id), *gConnection);
        rs.AddNew();
        rs.Fields("TASK_ID") = id;
        rs.Fields("TASK_TITLE") = "A new task";
        rs.Fields("DESCRIPTION") = "Saved by the benchmark";
        rs.Fields("TASK_DATE") = NewTaskDay;
        rs.Fields("TASK_STATUS") = TaskStatus::INCOMPLETE;
        rs.Update();
        rs.Close();
    }
}

void rawSave(benchmark::State& state, QString dir)
{
    RawDb raw(dir + "/Dueboard.mdb");
    sqlite3_stmt* read = raw.prepare("SELECT VALUE FROM sysIDS WHERE CODE = 'TASK'");
    sqlite3_stmt* bump = raw.prepare("UPDATE sysIDS SET VALUE = ? WHERE CODE = 'TASK'");
    sqlite3_stmt* insert = raw.prepare(
        "INSERT INTO TASKS VALUES (?, 'A new task', 'Saved by the benchmark', ?, 'INCOMPLETE')");
    const QByteArray day = NewTaskDay.toString(Qt::ISODate).toUtf8();
    for (auto _ : state) {
        sqlite3_step(read);
        const int id = sqlite3_column_int(read, 0) + 1;
        sqlite3_reset(read);
        sqlite3_bind_int(bump, 1, id);
        stepDone(bump);
        sqlite3_bind_int(insert, 1, id);
        sqlite3_bind_text(insert, 2, day.constData(), -1, SQLITE_STATIC);
        stepDone(insert);
    }
    for (sqlite3_stmt* stmt : {read, bump, insert})
        sqlite3_finalize(stmt);
}

// The floor of any durable write: one single-row commit.
void rawCommit(benchmark::State& state, QString dir)
{
    RawDb raw(dir + "/Dueboard.mdb");
    sqlite3_stmt* bump = raw.prepare("UPDATE sysIDS SET VALUE = VALUE + 1 WHERE CODE = 'TASK'");
    for (auto _ : state)
        stepDone(bump);
    sqlite3_finalize(bump);
}

int nextTask(int previous, int tasks)
{
    return int((qint64(previous) * 7919 + 17) % tasks) + 1;
}

void storeProcrastinate(benchmark::State& state, QString dir, int tasks)
{
    StoreSession session(dir);
    int id = 1;
    for (auto _ : state) {
        ProcrastinateTask(id, 1);
        id = nextTask(id, tasks);
    }
}

void rawProcrastinate(benchmark::State& state, QString dir, int tasks)
{
    RawDb raw(dir + "/Dueboard.mdb");
    sqlite3_stmt* read = raw.prepare("SELECT TASK_DATE FROM TASKS WHERE TASK_ID = ?");
    sqlite3_stmt* write = raw.prepare("UPDATE TASKS SET TASK_DATE = ? WHERE TASK_ID = ?");
    int id = 1;
    for (auto _ : state) {
        sqlite3_bind_int(read, 1, id);
        if (sqlite3_step(read) == SQLITE_ROW) {
            const QDate due = QDate::fromString(
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(read, 0))),
                Qt::ISODate);
            const QByteArray moved = due.addDays(1).toString(Qt::ISODate).toUtf8();
            sqlite3_reset(read);
            sqlite3_bind_text(write, 1, moved.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(write, 2, id);
            stepDone(write);
        } else {
            sqlite3_reset(read);
        }
        id = nextTask(id, tasks);
    }
    sqlite3_finalize(read);
    sqlite3_finalize(write);
}

// ---- reporting: every ".../store/..." figure beside its ".../raw/..." twin

class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        // With repetitions the median stands for the benchmark.
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")
                m_micros[run.run_name.str()] = {run.GetAdjustedRealTime(),
                                                run.GetAdjustedCPUTime()};
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        // On a busy machine the CPU figures show the work; the wall-clock ones include the
        // disk's flushes, which is what a durable save costs.
        std::printf("\n%-28s %10s %10s %6s %10s %10s %6s\n", "store vs raw SQLite", "store us",
                    "raw us", "ratio", "store cpu", "raw cpu", "ratio");
        for (const auto& [name, store] : m_micros) {
            const auto at = name.find("/store/");
            if (at == std::string::npos)
                continue;
            std::string twin = name;
            twin.replace(at, 7, "/raw/");
            const auto raw = m_micros.find(twin);
            if (raw != m_micros.end())
                std::printf("%-28s %10.1f %10.1f %6.2f %10.1f %10.1f %6.2f\n", name.c_str(),
                            store.real, raw->second.real, store.real / raw->second.real, store.cpu,
                            raw->second.cpu, store.cpu / raw->second.cpu);
        }
    }

private:
    struct Times {
        double real;
        double cpu;
    };
    std::map<std::string, Times> m_micros;
};

QList<int> sizes()
{
    QList<int> result;
    for (const QString& part :
         qEnvironmentVariable("DUEBOARD_BENCH_SIZES", "1000,100000,1000000").split(','))
        if (part.toInt() > 0)
            result << part.toInt();
    return result;
}

template <typename Fn, typename... Args> void add(const std::string& name, Fn fn, Args... args)
{
    benchmark::RegisterBenchmark(name.c_str(), fn, args...)->Unit(benchmark::kMicrosecond);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    for (const int n : sizes()) {
        const bool variants = n == 100000;
        std::fprintf(stderr, "Making the %d-task databases...\n", n);
        makeDatabases(n, variants);
        const QString dir = variantDir(n, "chosen");
        const std::string size = std::to_string(n);
        add("DayReload/store/" + size, storeDayReload, dir);
        add("DayReload/raw/" + size, rawDayReload, dir, "");
        add("Procrastinate/store/" + size, storeProcrastinate, dir, n);
        add("Procrastinate/raw/" + size, rawProcrastinate, dir, n);
        add("Save/store/" + size, storeSave, dir);
        add("Save/raw/" + size, rawSave, dir);
        if (n >= 100000) {
            const std::pair<const char*, const char*> caches[] = {
                {"2MiB", ""}, // SQLite's default
                {"8MiB", "PRAGMA cache_size = -8192"},
                {"16MiB", "PRAGMA cache_size = -16384"},
                {"32MiB", "PRAGMA cache_size = -32768"},
                {"64MiB", "PRAGMA cache_size = -65536"},
                {"2MiB+mmap256MiB", "PRAGMA mmap_size = 268435456"},
            };
            for (const auto& [name, setup] : caches)
                add("Cache/" + size + "/" + name, rawDayReload, dir, setup);
        }
        if (!variants)
            continue;
        for (const char* v : {"noindex", "dateonly", "partialonly", "narrowpartial", "chosen"}) {
            const QString vdir = variantDir(n, v);
            add(std::string("Index/day/") + v, rawQuery, vdir,
                "SELECT * FROM TASKS WHERE TASK_DATE = ?");
            add(std::string("Index/pastdue/") + v, rawQuery, vdir,
                "SELECT TASK_ID FROM TASKS WHERE TASK_DATE < ? AND TASK_STATUS <> 'COMPLETE'");
        }
        add("Journal/commit/wal", rawCommit, dir);
        add("Journal/commit/rollback", rawCommit, variantDir(n, "rollback"));
        add("Save/store/rollback", storeSave, variantDir(n, "rollback"));
        add("Save/raw/rollback", rawSave, variantDir(n, "rollback"));
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

// SPDX-License-Identifier: MIT
// The past-due window at 300, 3,000, 30,000, 100,000 and 300,000 overdue tasks (30 % of
// databases of 1,000 to 1,000,000 tasks), beside the plainest way: the list's statement on raw
// SQLite into a bare QTreeWidget holding all five texts of every row.
//
// First a table, each figure from a process of its own so that no size inherits another's
// memory: the time from opening the window to its list's first paint (median of five opens,
// wall clock and the process's CPU time), and the resident memory (VmRSS) with the window open,
// after the main window has loaded the day, and after scrolling to the end of the list. The
// databases are kept under $DUEBOARD_BENCH_DIR (default /tmp/dueboard-bench) for later runs;
// $DUEBOARD_BENCH_SIZES, when its largest size is under 1,000,000 tasks, leaves out the larger
// cases. Then Google Benchmark figures in this process: the list rebuilt after a command
// (ShowPastDue and its paint) at 30,000 rows beside the bare list refilled.
#include "runtime/layout.h"
#include "support/windowbench.h"
#include "ui/main/frmmain.h"
#include "ui/pastdue/frmpastdue.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <vector>

namespace
{

const QDate kToday(2026, 3, 5);
constexpr int kOpens = 5;

// ---- measuring

double cpuMillis()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double residentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}

// Lets events run until `widget` has painted once more.
void waitForPaint(QWidget* widget)
{
    struct PaintSeen : QObject {
        bool seen = false;
        bool eventFilter(QObject*, QEvent* event) override
        {
            seen = seen || event->type() == QEvent::Paint;
            return false;
        }
    } filter;
    widget->installEventFilter(&filter);
    QElapsedTimer waited;
    waited.start();
    while (!filter.seen && waited.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    widget->removeEventFilter(&filter);
}

// ---- the plainest way

class PlainList
{
public:
    explicit PlainList(const QString& file)
    {
        sqlite3_open_v2(QFile::encodeName(file).constData(), &m_db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_prepare_v2(m_db,
                           "SELECT TASK_ID, TASK_DATE, TASK_TITLE, DESCRIPTION, TASK_STATUS "
                           "FROM TASKS WHERE TASK_DATE < ? AND TASK_STATUS <> 'COMPLETE' "
                           "ORDER BY TASK_DATE ASC",
                           -1, &m_query, nullptr);
        m_list.setColumnCount(5);
        m_list.setRootIsDecorated(false);
        m_list.setUniformRowHeights(true);
        m_list.resize(Twips::ToPixels(9015), Twips::ToPixels(3540));
    }
    ~PlainList()
    {
        sqlite3_finalize(m_query);
        sqlite3_close(m_db);
    }

    QTreeWidget& List() { return m_list; }

    void Fill()
    {
        m_list.clear();
        const QLocale locale;
        QList<QTreeWidgetItem*> rows;
        const QByteArray iso = kToday.toString(Qt::ISODate).toUtf8();
        sqlite3_bind_text(m_query, 1, iso.constData(), -1, SQLITE_STATIC);
        while (sqlite3_step(m_query) == SQLITE_ROW) {
            const QDate due = QDate::fromString(text(1), Qt::ISODate);
            auto* row = new QTreeWidgetItem({locale.toString(due, QLocale::ShortFormat),
                                             QString::number(due.daysTo(kToday)), text(2), text(3),
                                             text(4)});
            row->setData(0, Qt::UserRole, sqlite3_column_int(m_query, 0));
            rows.append(row);
        }
        sqlite3_reset(m_query);
        m_list.addTopLevelItems(rows);
    }

private:
    QString text(int column) const
    {
        return QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_column_text(m_query, column)));
    }

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_query = nullptr;
    QTreeWidget m_list;
};

// ---- one process per size and way

struct Figures {
    int rows = 0;
    double wall = 0, cpu = 0;                           // opening, milliseconds
    double beforeMiB = 0, openMiB = 0, scrolledMiB = 0; // resident
    double sqliteBeforeMiB = 0, sqliteOpenMiB = 0;      // SQLite's heap, page cache included
};

double sqliteMiB()
{
    return sqlite3_memory_used() / 1048576.0;
}

// Opens the window kOpens times, the last one kept open; `open` returns its list.
Figures measureOpens(const std::function<QTreeView*()>& open, const std::function<void()>& close)
{
    Figures f;
    f.beforeMiB = residentMiB();
    f.sqliteBeforeMiB = sqliteMiB();
    std::vector<double> wall, cpu;
    QTreeView* list = nullptr;
    for (int i = 0; i < kOpens; ++i) {
        if (list)
            close();
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = cpuMillis();
        list = open();
        waitForPaint(list->viewport());
        wall.push_back(timer.nsecsElapsed() / 1e6);
        cpu.push_back(cpuMillis() - cpuStart);
    }
    f.wall = median(wall);
    f.cpu = median(cpu);
    f.rows = list->model()->rowCount();
    f.openMiB = residentMiB();
    f.sqliteOpenMiB = sqliteMiB();
    list->scrollToBottom();
    waitForPaint(list->viewport());
    f.scrolledMiB = residentMiB();
    return f;
}

Figures dueboardChild(const QString& dir)
{
    App::SetPath(dir);
    Clock::SetToday(kToday);
    frmMain& main = Forms::Instance<frmMain>();
    Forms::Show(main); // opens the connection and reloads the day, as at start-up
    waitForPaint(main.tvwTasks->viewport());
    return measureOpens(
        [] {
            frmPastDue& window = Forms::Instance<frmPastDue>();
            Forms::Show(window);
            return window.lstTasks;
        },
        [] {
            Forms::Unload(Forms::Instance<frmPastDue>());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        });
}

Figures plainestChild(const QString& dir)
{
    std::unique_ptr<PlainList> plain;
    return measureOpens(
        [&] {
            plain = std::make_unique<PlainList>(dir + QStringLiteral("/Dueboard.mdb"));
            plain->Fill();
            plain->List().show();
            return &plain->List();
        },
        [&] { plain.reset(); });
}

// ---- the table

struct Case {
    int tasks;
    int overdue; // about
};
const Case kCases[] = {
    {1000, 300}, {10000, 3000}, {100000, 30000}, {333334, 100000}, {1000000, 300000}};

QString databaseDir(int tasks)
{
    return QStringLiteral("%1/pastdue-%2")
        .arg(qEnvironmentVariable("DUEBOARD_BENCH_DIR", QStringLiteral("/tmp/dueboard-bench")))
        .arg(tasks);
}

int storedTasks(const QString& file)
{
    sqlite3* db = nullptr;
    int count = -1;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM TASKS", -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW)
            count = sqlite3_column_int(stmt, 0);
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return count;
}

// Made once; a later run finds it whole and uses it again.
void ensureDatabase(int tasks)
{
    const QString dir = databaseDir(tasks);
    const QString file = dir + QStringLiteral("/Dueboard.mdb");
    if (storedTasks(file) == tasks)
        return;
    std::fprintf(stderr, "Making the %d-task database...\n", tasks);
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    Schema::CreateDatabase(file);
    FillThreeYears(file, tasks, kToday);
}

Figures runChild(const char* self, const char* way, int tasks)
{
    const QByteArray command = QByteArray("'") + self + "' --child=" + way + " '" +
                               QFile::encodeName(databaseDir(tasks)) + "'";
    Figures f;
    FILE* child = popen(command.constData(), "r");
    if (!child)
        return f;
    char line[512];
    while (std::fgets(line, sizeof line, child))
        std::sscanf(line, "figures %d %lf %lf %lf %lf %lf %lf %lf", &f.rows, &f.wall, &f.cpu,
                    &f.beforeMiB, &f.openMiB, &f.scrolledMiB, &f.sqliteBeforeMiB, &f.sqliteOpenMiB);
    pclose(child);
    return f;
}

int largestSize()
{
    int largest = 0;
    for (const QString& part : qEnvironmentVariable("DUEBOARD_BENCH_SIZES").split(','))
        largest = std::max(largest, part.toInt());
    return largest > 0 ? largest : 1000000;
}

void printTable(const char* self)
{
    std::printf("== past-due window: open to first paint (median of %d opens) and resident "
                "memory with it open, a process per figure\n",
                kOpens);
    std::printf("%8s %8s | %-38s | %-38s | %s\n", "", "", "Dueboard", "plainest way", "open");
    std::printf("%8s %8s | %8s %8s %6s %6s %6s | %8s %8s %6s %6s %6s | %s\n", "overdue", "tasks",
                "open ms", "cpu ms", "RSS", "+open", "+end", "open ms", "cpu ms", "RSS", "+open",
                "+end", "ratio");
    Figures first;
    for (const Case& c : kCases) {
        if (c.tasks > largestSize() * 1.01)
            continue;
        ensureDatabase(c.tasks);
        const Figures d = runChild(self, "dueboard", c.tasks);
        const Figures p = runChild(self, "plainest", c.tasks);
        if (!first.rows)
            first = d;
        std::printf("%8d %8d | %8.1f %8.1f %6.1f %6.1f %6.1f | %8.1f %8.1f %6.1f %6.1f %6.1f | "
                    "%.2f\n",
                    d.rows, c.tasks, d.wall, d.cpu, d.openMiB, d.openMiB - d.beforeMiB,
                    d.scrolledMiB - d.beforeMiB, p.wall, p.cpu, p.openMiB, p.openMiB - p.beforeMiB,
                    p.scrolledMiB - p.beforeMiB, d.cpu / p.cpu);
        std::printf("%8s %8s | RSS grown since %d rows: %.1f MiB; SQLite's heap %.1f MiB, grown by "
                    "opening %.1f MiB, so the list's own +open is %.1f MiB\n",
                    "", "", first.rows, d.openMiB - first.openMiB, d.sqliteOpenMiB,
                    d.sqliteOpenMiB - d.sqliteBeforeMiB,
                    d.openMiB - d.beforeMiB - (d.sqliteOpenMiB - d.sqliteBeforeMiB));
    }
    std::printf("(RSS: MiB with the window open; +open: grown by opening it; +end: grown by "
                "then scrolling to the end; ratio: Dueboard's CPU time over the plainest way's)\n");
    std::fflush(stdout);
}

// ---- in this process: the rebuild after a command

frmPastDue* gWindow = nullptr;
QString gFile;

void BM_ShowPastDue(benchmark::State& state)
{
    for (auto _ : state) {
        gWindow->ShowPastDue();
        gWindow->lstTasks->repaint(); // laid out and painted
    }
    state.counters["rows"] = gWindow->lstTasks->model()->rowCount();
}

void BM_PlainestPastDue(benchmark::State& state)
{
    PlainList plain(gFile);
    plain.List().show();
    for (auto _ : state) {
        plain.Fill();
        plain.List().repaint();
    }
    state.counters["rows"] = plain.List().topLevelItemCount();
}

BENCHMARK(BM_ShowPastDue)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainestPastDue)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && qstrncmp(argv[1], "--child=", 8) == 0) {
        QApplication app(argc, argv);
        const QString dir = QFile::decodeName(argv[2]);
        const Figures f =
            qstrcmp(argv[1] + 8, "dueboard") == 0 ? dueboardChild(dir) : plainestChild(dir);
        std::printf("figures %d %.2f %.2f %.2f %.2f %.2f %.2f %.2f\n", f.rows, f.wall, f.cpu,
                    f.beforeMiB, f.openMiB, f.scrolledMiB, f.sqliteBeforeMiB, f.sqliteOpenMiB);
        return 0;
    }
    printTable(std::filesystem::read_symlink("/proc/self/exe").c_str());
    return RunWindowBenchmarks(
        argc, argv, kToday,
        [](const QString& file) {
            gFile = file;
            FillThreeYears(file, 100000, kToday);
        },
        []() -> Form& {
            gConnection = std::make_unique<adodb::Connection>();
            gConnection->Open(ConnectionString());
            gWindow = &Forms::Instance<frmPastDue>();
            Forms::Show(*gWindow);
            return *gWindow;
        });
}

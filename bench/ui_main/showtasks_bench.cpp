// SPDX-License-Identifier: MIT
// ShowTasks for a day of 1,000 tasks in a 100,000-task database, beside the plainest way to
// put the same day on screen: the day query prepared on raw SQLite, a bare QTreeWidget filled
// in one batch with shared icons and painted, and the past-due count that ShowTasks also
// makes for its button, counted by the engine over the same statement.
//
// The machine these figures come from is shared and its load comes and goes, so the ratio is
// also measured in pairs: each iteration of BM_ShowTasksBesidePlainest runs one ShowTasks and
// one plainest reload and times each on the process's CPU clock; its counters are the medians.
// Each follows a pause, as a reload follows a click: the screen's next frame is then due, so
// each paints its list once, ShowTasks while it lets events run, the plainest way at its end.
#include "support/windowbench.h"
#include "ui/main/frmmain.h"
#include "ui/main/statusicons.h"

#include <QFile>
#include <QThread>
#include <QTreeWidget>
#include <algorithm>
#include <ctime>
#include <sqlite3.h>
#include <vector>

namespace
{

constexpr int kTasks = 100000;
constexpr int kOnTheDay = 1000;
const QDate kToday(2026, 3, 5);
// The page cache the program's connection keeps.
const char* const kStoreCache = "PRAGMA cache_size = -32768";

// 1,000 tasks today; the rest over three years around it, about 30 % open and overdue.
void fillDatabase(const QString& file)
{
    TaskWriter tasks(file);
    const char* statuses[] = {"INCOMPLETE", "SPECIAL", "COMPLETE"};
    for (int id = 1; id <= kTasks; ++id) {
        const bool today = id % (kTasks / kOnTheDay) == 0;
        const int offset = today ? 0 : (id * 7919) % 1096 - 730; // two years back, one ahead
        const bool open = offset >= 0 || id % 100 < 45;          // ~30 % of all: open, overdue
        tasks.Add(id, QStringLiteral("Task number %1").arg(id), QStringLiteral("Some notes"),
                  kToday.addDays(offset), open ? statuses[id % 2] : statuses[2]);
    }
}

QString gFile;
frmMain* gWindow = nullptr;

// The plainest way: the same rows read with a prepared statement straight into a bare list.
class PlainDay
{
public:
    // `setup` may size the page cache; `count` adds the engine's past-due count.
    PlainDay(const char* setup, bool count) : m_count(count)
    {
        sqlite3_open_v2(QFile::encodeName(gFile).constData(), &m_db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_exec(m_db, setup, nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(m_db,
                           "SELECT TASK_ID, TASK_TITLE, TASK_STATUS FROM TASKS WHERE TASK_DATE = ?",
                           -1, &m_day, nullptr);
        sqlite3_prepare_v2(m_db,
                           "SELECT COUNT(*) FROM (SELECT TASK_ID FROM TASKS WHERE TASK_DATE < ? "
                           "AND TASK_STATUS <> 'COMPLETE')",
                           -1, &m_pastDue, nullptr);
        m_list.setHeaderHidden(true);
        m_list.setRootIsDecorated(false);
        m_list.setUniformRowHeights(true);
        m_list.setIconSize(QSize(32, 32));
        m_list.resize(gWindow->tvwTasks->size());
        m_list.show();
    }
    ~PlainDay()
    {
        sqlite3_finalize(m_day);
        sqlite3_finalize(m_pastDue);
        sqlite3_close(m_db);
    }

    void Reload()
    {
        m_list.clear();
        QList<QTreeWidgetItem*> items;
        sqlite3_bind_text(m_day, 1, m_iso.constData(), -1, SQLITE_STATIC);
        while (sqlite3_step(m_day) == SQLITE_ROW) {
            auto* item = new QTreeWidgetItem;
            item->setText(0, text(m_day, 1));
            item->setIcon(0, StatusIcon(text(m_day, 2)));
            item->setData(0, Qt::UserRole, sqlite3_column_int(m_day, 0));
            items.append(item);
        }
        sqlite3_reset(m_day);
        m_list.addTopLevelItems(items);
        m_list.repaint(); // on screen: laid out and painted once
        if (!m_count)
            return;
        sqlite3_bind_text(m_pastDue, 1, m_iso.constData(), -1, SQLITE_STATIC);
        if (sqlite3_step(m_pastDue) == SQLITE_ROW)
            m_overdue = sqlite3_column_int(m_pastDue, 0);
        sqlite3_reset(m_pastDue);
    }

    void Report(benchmark::State& state) const
    {
        state.counters["nodes"] = m_list.topLevelItemCount();
        if (m_count)
            state.counters["overdue"] = m_overdue;
    }

private:
    static QString text(sqlite3_stmt* stmt, int column)
    {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)));
    }

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_day = nullptr;
    sqlite3_stmt* m_pastDue = nullptr;
    const QByteArray m_iso = kToday.toString(Qt::ISODate).toUtf8();
    QTreeWidget m_list;
    bool m_count;
    int m_overdue = 0;
};

void BM_ShowTasks(benchmark::State& state)
{
    for (auto _ : state)
        gWindow->ShowTasks(0);
    state.counters["nodes"] = gWindow->tvwTasks->topLevelItemCount();
}

void plainest(benchmark::State& state, const char* setup, bool count)
{
    PlainDay day(setup, count);
    for (auto _ : state)
        day.Reload();
    day.Report(state);
}

double cpuMillis()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

void BM_ShowTasksBesidePlainest(benchmark::State& state)
{
    PlainDay day(kStoreCache, true);
    std::vector<double> dueboard, plain;
    const auto frameDue = [] { QThread::msleep(25); };
    for (auto _ : state) {
        frameDue();
        double start = cpuMillis();
        gWindow->ShowTasks(0);
        dueboard.push_back(cpuMillis() - start);
        frameDue();
        start = cpuMillis();
        day.Reload();
        plain.push_back(cpuMillis() - start);
    }
    state.counters["dueboard_ms"] = median(dueboard);
    state.counters["plainest_ms"] = median(plain);
    state.counters["ratio"] = median(dueboard) / median(plain);
}

BENCHMARK(BM_ShowTasks)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(plainest, BareQueryAndTree, "", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(plainest, BareQueryTreeAndCount, "", true)->Unit(benchmark::kMillisecond);
// The program's page cache given to the raw connection too, so that it alone makes no difference.
BENCHMARK_CAPTURE(plainest, BareQueryTreeAndCount32MiBCache, kStoreCache, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowTasksBesidePlainest)->Unit(benchmark::kMillisecond)->MinTime(3);

} // namespace

int main(int argc, char** argv)
{
    return RunWindowBenchmarks(
        argc, argv, kToday,
        [](const QString& file) {
            gFile = file;
            fillDatabase(file);
        },
        []() -> Form& {
            gWindow = &Forms::Instance<frmMain>();
            Forms::Show(*gWindow); // loads: opens the connection and shows today
            return *gWindow;
        });
}

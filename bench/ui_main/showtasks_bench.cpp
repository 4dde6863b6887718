// SPDX-License-Identifier: MIT
// ShowTasks for a day of 1,000 tasks in a 100,000-task database, beside the plainest way to
// put the same day on screen: the day query prepared on raw SQLite and a bare QTreeWidget
// filled in one batch with shared icons. A third figure adds the raw past-due count, which
// ShowTasks also does for its button.
#include "support/windowbench.h"
#include "ui/main/frmmain.h"
#include "ui/main/statusicons.h"

#include <QFile>
#include <QTreeWidget>
#include <sqlite3.h>
#include <stdexcept>

namespace
{

constexpr int kTasks = 100000;
constexpr int kOnTheDay = 1000;
const QDate kToday(2026, 3, 5);

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

void BM_ShowTasks(benchmark::State& state)
{
    for (auto _ : state)
        gWindow->ShowTasks(0);
    state.counters["nodes"] = gWindow->tvwTasks->topLevelItemCount();
}

// The floor: the same rows read with a prepared statement straight into a bare list.
void BareDay(benchmark::State& state, bool countPastDue)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(gFile).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* day = nullptr;
    sqlite3_prepare_v2(db, "SELECT TASK_ID, TASK_TITLE, TASK_STATUS FROM TASKS WHERE TASK_DATE = ?",
                       -1, &day, nullptr);
    sqlite3_stmt* count = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT TASK_ID FROM TASKS WHERE TASK_DATE < ? AND "
                       "TASK_STATUS <> 'COMPLETE'",
                       -1, &count, nullptr);
    const QByteArray iso = kToday.toString(Qt::ISODate).toUtf8();
    QTreeWidget list;
    list.setHeaderHidden(true);
    list.setRootIsDecorated(false);
    list.setUniformRowHeights(true);
    list.setIconSize(QSize(32, 32));
    list.resize(gWindow->tvwTasks->size());
    list.show();
    int overdue = 0;
    for (auto _ : state) {
        list.clear();
        QList<QTreeWidgetItem*> items;
        sqlite3_bind_text(day, 1, iso.constData(), -1, SQLITE_STATIC);
        while (sqlite3_step(day) == SQLITE_ROW) {
            auto* item = new QTreeWidgetItem;
            item->setText(
                0, QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(day, 1))));
            item->setIcon(0, StatusIcon(QString::fromUtf8(
                                 reinterpret_cast<const char*>(sqlite3_column_text(day, 2)))));
            item->setData(0, Qt::UserRole, sqlite3_column_int(day, 0));
            items.append(item);
        }
        sqlite3_reset(day);
        list.addTopLevelItems(items);
        if (countPastDue) {
            overdue = 0;
            sqlite3_bind_text(count, 1, iso.constData(), -1, SQLITE_STATIC);
            while (sqlite3_step(count) == SQLITE_ROW)
                ++overdue;
            sqlite3_reset(count);
        }
    }
    state.counters["nodes"] = list.topLevelItemCount();
    if (countPastDue)
        state.counters["overdue"] = overdue;
    sqlite3_finalize(day);
    sqlite3_finalize(count);
    sqlite3_close(db);
}

void BM_BareQueryAndTree(benchmark::State& state)
{
    BareDay(state, false);
}
void BM_BareQueryTreeAndCount(benchmark::State& state)
{
    BareDay(state, true);
}

BENCHMARK(BM_ShowTasks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareQueryAndTree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareQueryTreeAndCount)->Unit(benchmark::kMillisecond);

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

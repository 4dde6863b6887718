// SPDX-License-Identifier: MIT
// ShowPastDue over 30,000 overdue tasks, beside the same rows put into a bare QTreeWidget
// from memory. The ratio of the two is the cost of the query, the date formatting and the
// recordset reads on top of the widget work both share.
#include "support/windowbench.h"
#include "ui/pastdue/frmpastdue.h"

#include <QFile>
#include <QTreeWidget>
#include <sqlite3.h>
#include <stdexcept>

namespace
{

constexpr int kTasks = 30000;
const QDate kToday(2026, 3, 5);

struct Row {
    QString due, late, title, description, status;
    qint32 id;
};

// Tasks spread over the five years before today, a fifth of them special.
void fillDatabase(const QString& file)
{
    TaskWriter tasks(file);
    for (int id = 1; id <= kTasks; ++id)
        tasks.Add(id, QStringLiteral("Task number %1").arg(id),
                  QStringLiteral("Some notes about task %1 that run for a while").arg(id),
                  kToday.addDays(-1 - (id * 7919) % 1826), id % 5 ? "INCOMPLETE" : "SPECIAL");
}

QList<Row> rowsOf(const QTreeView& list)
{
    const auto& model = *qobject_cast<const PastDueModel*>(list.model());
    QList<Row> rows;
    for (int i = 0; i < model.rowCount(); ++i)
        rows.append({model.Text(i, 0), model.Text(i, 1), model.Text(i, 2), model.Text(i, 3),
                     model.Text(i, 4), model.TaskID(i)});
    return rows;
}

frmPastDue* gWindow = nullptr;

void BM_ShowPastDue(benchmark::State& state)
{
    for (auto _ : state)
        gWindow->ShowPastDue();
    state.counters["rows"] = gWindow->lstTasks->model()->rowCount();
}

void BM_BareTreeWidget(benchmark::State& state)
{
    const QList<Row> rows = rowsOf(*gWindow->lstTasks);
    QTreeWidget list;
    list.setColumnCount(5);
    list.setRootIsDecorated(false);
    list.setUniformRowHeights(true);
    list.resize(gWindow->lstTasks->size());
    list.show();
    for (auto _ : state) {
        list.clear();
        QList<QTreeWidgetItem*> items;
        items.reserve(rows.size());
        for (const Row& r : rows) {
            auto* item = new QTreeWidgetItem({r.due, r.late, r.title, r.description, r.status});
            item->setData(0, Qt::UserRole, r.id);
            items.append(item);
        }
        list.addTopLevelItems(items);
    }
    state.counters["rows"] = list.topLevelItemCount();
}

BENCHMARK(BM_ShowPastDue)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareTreeWidget)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return RunWindowBenchmarks(argc, argv, kToday, fillDatabase, []() -> Form& {
        gConnection = std::make_unique<adodb::Connection>();
        gConnection->Open(ConnectionString());
        gWindow = &Forms::Instance<frmPastDue>();
        Forms::Show(*gWindow);
        return *gWindow;
    });
}

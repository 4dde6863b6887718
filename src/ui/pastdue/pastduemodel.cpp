// SPDX-License-Identifier: MIT
#include "pastduemodel.h"

#include "platform/datetext.h"
#include "runtime/errors.h"
#include "store/appfunctions.h"
#include "ui/listtext.h"

#include <QScopeGuard>
#include <exception>

namespace
{

// Rows read and kept: many screenfuls. Past that all are dropped, and a row is read again
// when it comes back into view.
constexpr qsizetype kDetailsKept = 512;

void openClient(adodb::Recordset& rs, const QString& sql)
{
    rs.CursorLocation = adodb::adUseClient;
    rs.Open(sql, ActiveConnection(), adodb::adOpenStatic, adodb::adLockOptimistic,
            adodb::adCmdUnspecified);
}

} // namespace

void PastDueModel::Reload(const QDate& today)
{
    beginResetModel();
    const auto reset = qScopeGuard([this] { endResetModel(); });
    m_rows.clear();
    m_details.clear();
    m_readFailed = false;
    m_today = today;

    // The list's own statement, of which only the ids and dates are kept: the engine reads
    // those from its index alone, in the statement's order.
    adodb::Recordset rs;
    openClient(rs, QStringLiteral("SELECT TASK_ID, TASK_DATE FROM (") + Sql::SelectPastDue(today) +
                       QStringLiteral(")"));
    std::vector<Row> rows;
    while (!rs.Eof()) {
        const QDate due = rs.Fields(QStringLiteral("TASK_DATE")).Value().toDate();
        rows.push_back({rs.Fields(QStringLiteral("TASK_ID")).Value().toInt(),
                        due.isValid() ? qint32(due.toJulianDay()) : kNoDate});
        rs.MoveNext();
    }
    rs.Close();
    rows.shrink_to_fit();
    m_rows = std::move(rows);
}

qint32 PastDueModel::TaskID(int row) const
{
    return m_rows.at(row).id;
}

QString PastDueModel::DateText(const QDate& day)
{
    return ShortDateText(day);
}

QDate PastDueModel::dueDate(const Row& row)
{
    return row.due == kNoDate ? QDate() : QDate::fromJulianDay(row.due);
}

QString PastDueModel::Text(int row, int column) const
{
    const Row& r = m_rows.at(row);
    switch (column) {
    case DueDate:
        // Another tool wrote something that is no date ("12/7/2026", a number): shown as stored.
        return r.due == kNoDate ? details(r.id).storedDate : DateText(dueDate(r));
    case DaysLate:
        // Calendar days, so month ends, leap days and clock changes cannot skew it. A row with
        // no date is never shown as a task due today.
        return r.due == kNoDate ? QString() : QString::number(dueDate(r).daysTo(m_today));
    case Title:
        return details(r.id).title;
    case Description:
        return details(r.id).description;
    case Status:
        return details(r.id).status;
    default:
        return {};
    }
}

PastDueModel::Details PastDueModel::details(qint32 id) const
{
    const auto found = m_details.constFind(id);
    if (found != m_details.constEnd())
        return *found;
    if (m_details.size() >= kDetailsKept)
        m_details.clear();
    return *m_details.insert(id, read(id));
}

// Called while the view paints: an error must not leave here. It is shown once the event
// loop is back, and the row stays empty until the next reload.
PastDueModel::Details PastDueModel::read(qint32 id) const
{
    try {
        adodb::Recordset rs;
        openClient(rs, Sql::SelectTask(id));
        Details row;
        // A task deleted since the list was read shows only its date.
        if (!rs.Eof()) {
            row.title = ListText(rs.Fields(QStringLiteral("TASK_TITLE")).Value().toString());
            row.description = ListText(rs.Fields(QStringLiteral("DESCRIPTION")).Value().toString());
            row.status = rs.Fields(QStringLiteral("TASK_STATUS")).Value().toString();
            const QVariant stored = rs.Fields(QStringLiteral("TASK_DATE")).Value();
            if (stored.typeId() != QMetaType::QDate)
                row.storedDate = stored.toString();
        }
        rs.Close();
        return row;
    } catch (...) {
        if (!m_readFailed) {
            m_readFailed = true;
            QMetaObject::invokeMethod(
                const_cast<PastDueModel*>(this),
                [error = std::current_exception()] {
                    Guard(QStringLiteral("Reading a past-due task"),
                          [&] { std::rethrow_exception(error); });
                },
                Qt::QueuedConnection);
        }
        return {};
    }
}

int PastDueModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int PastDueModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PastDueModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    // A screen reader names each cell by its own text: the status has a column of its own.
    if (role == Qt::DisplayRole)
        return Text(index.row(), index.column());
    return {};
}

QVariant PastDueModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char* const headers[] = {"Due Date", "Days Late", "Title", "Description",
                                          "Status"};
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= ColumnCount)
        return {};
    return QString::fromLatin1(headers[section]);
}

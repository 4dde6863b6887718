// SPDX-License-Identifier: MIT
#include "appfunctions.h"

#include "clientrecordset.h"
#include "platform/app.h"
#include "platform/clock.h"
#include "platform/msgbox.h"
#include "repeat/rule.h"
#include "repeats.h"

#include <functional>
#include <limits>

std::unique_ptr<adodb::Connection> gConnection;

adodb::Connection& ActiveConnection()
{
    if (!gConnection || !gConnection->IsOpen())
        throw adodb::DbError(
            QStringLiteral("%1: the task database is not open").arg(App::DatabaseFile()));
    return *gConnection;
}

namespace
{

// Words go into the statements between single quotes. They are fixed words, for which this
// changes nothing; anything else cannot end the string early.
QString quoteSafe(const QString& word)
{
    return QString(word).replace(QLatin1Char('\''), QStringLiteral("''"));
}

QString id(qint32 taskId)
{
    return QString::number(taskId);
}

// Runs one statement the way the status and date setters do: a failure is shown, not thrown.
bool executeReported(const std::function<void()>& work)
{
    try {
        work();
        return true;
    } catch (const std::exception&) {
        MsgBox(QStringLiteral("ERROR:\r") + Describe(std::current_exception()), MsgBoxButtons::OK);
    }
    return false;
}

} // namespace

QString ConnectionString()
{
    return QStringLiteral("PROVIDER=MICROSOFT.JET.OLEDB.4.0;DATA SOURCE=") + App::DatabaseFile();
}

namespace Sql
{

QString SelectCounter(const QString& code)
{
    return QStringLiteral(" SELECT * FROM sysIDS ") + QStringLiteral(" WHERE CODE = '") +
           quoteSafe(code) + QStringLiteral("' ");
}

QString UpdateStatus(qint32 taskId, const QString& status)
{
    return QStringLiteral(" UPDATE TASKS ") + QStringLiteral(" SET TASK_STATUS = '") +
           quoteSafe(status) + QStringLiteral("' ") + QStringLiteral(" WHERE TASK_ID = ") +
           id(taskId) + QStringLiteral(" ");
}

QString SelectStatus(qint32 taskId)
{
    return QStringLiteral(" SELECT TASK_STATUS FROM TASKS ") + QStringLiteral(" WHERE TASK_ID = ") +
           id(taskId) + QStringLiteral(" ");
}

QString UpdateDate(qint32 taskId, const QString& mdy)
{
    return QStringLiteral(" UPDATE TASKS ") + QStringLiteral(" SET TASK_DATE = #") + mdy +
           QStringLiteral("# ") + QStringLiteral(" WHERE TASK_ID = ") + id(taskId) +
           QStringLiteral(" ");
}

QString SelectTask(qint32 taskId)
{
    return QStringLiteral(" SELECT * FROM TASKS ") + QStringLiteral(" WHERE TASK_ID = ") +
           id(taskId) + QStringLiteral(" ");
}

QString SelectPastDueIds(const QDate& today)
{
    return QStringLiteral(" SELECT TASK_ID FROM TASKS ") + QStringLiteral(" WHERE TASK_DATE < #") +
           FormatDateMDY(today) + QStringLiteral("# ") +
           QStringLiteral(" AND TASK_STATUS <> 'COMPLETE'");
}

QString SelectPastDue(const QDate& today)
{
    return QStringLiteral(" SELECT * FROM TASKS ") + QStringLiteral(" WHERE TASK_DATE < #") +
           FormatDateMDY(today) + QStringLiteral("# ") +
           QStringLiteral(" AND TASK_STATUS <> 'COMPLETE'") +
           QStringLiteral(" ORDER BY TASK_DATE ASC ");
}

QString SelectDay(const QDate& day)
{
    return QStringLiteral(" SELECT * FROM TASKS ") + QStringLiteral(" WHERE TASK_DATE = #") +
           FormatDateMDY(day) + QStringLiteral("#");
}

QString DeleteTask(qint32 taskId)
{
    return QStringLiteral(" DELETE FROM TASKS ") + QStringLiteral(" WHERE TASK_ID = ") +
           id(taskId) + QStringLiteral(" ");
}

} // namespace Sql

namespace
{

qint32 issueNextID(const QString& code)
{
    ClientRecordset rs(Sql::SelectCounter(code));
    qint32 next = 1;
    if (rs.Eof()) {
        rs.AddNew();
        rs.Fields(QStringLiteral("CODE")) = code;
    } else {
        bool ok = false;
        const qlonglong last = rs.Fields(QStringLiteral("VALUE")).Value().toLongLong(&ok);
        if (!ok || last < std::numeric_limits<qint32>::min() ||
            last >= std::numeric_limits<qint32>::max())
            throw adodb::DbError(QStringLiteral("%1: Overflow: the counter '%2' stands at %3 and "
                                                "cannot issue another identifier")
                                     .arg(ActiveConnection().FilePath(), code,
                                          rs.Fields(QStringLiteral("VALUE")).Value().toString()));
        next = qint32(last + 1);
    }
    rs.Fields(QStringLiteral("VALUE")) = next;
    rs.Update();
    rs.Close();
    return next;
}

// Runs work as one immediate transaction, which holds the write lock from its first read on:
// all of it is written or none.
void inTransaction(const std::function<void()>& work)
{
    adodb::Connection& db = ActiveConnection();
    db.Execute(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        work();
        db.Execute(QStringLiteral("COMMIT"));
    } catch (...) {
        try {
            db.Execute(QStringLiteral("ROLLBACK"));
        } catch (const std::exception&) {
            // The engine rolls back by itself when COMMIT fails; the first error is the one told.
        }
        throw;
    }
}

// The task completed and, when it repeats, the next one made on its rule's next date, with
// the rule handed on to it.
void completeAndMakeNext(qint32 taskId)
{
    ClientRecordset task(Sql::SelectTask(taskId));
    if (task.Eof())
        return;
    const QString title = task.Fields(QStringLiteral("TASK_TITLE")).Value().toString();
    const QString description = task.Fields(QStringLiteral("DESCRIPTION")).Value().toString();
    const QVariant stored = task.Fields(QStringLiteral("TASK_DATE")).Value();
    const QDate due = stored.typeId() == QMetaType::QDate ? stored.toDate() : QDate();
    const QString status = task.Fields(QStringLiteral("TASK_STATUS")).Value().toString();
    task.Close();

    ActiveConnection().Execute(Sql::UpdateStatus(taskId, TaskStatus::COMPLETE));
    const std::optional<TaskRepeat> repeat = GetTaskRepeat(taskId);
    if (!repeat)
        return;
    const auto next = Repeat::NextAfter(repeat->rrule, repeat->exdates, due, Today());
    if (!next)
        return;

    const qint32 nextId = issueNextID(QStringLiteral("TASK"));
    ClientRecordset made(Sql::SelectTask(nextId));
    made.AddNew();
    made.Fields(QStringLiteral("TASK_ID")) = nextId;
    made.Fields(QStringLiteral("TASK_TITLE")) = title;
    made.Fields(QStringLiteral("DESCRIPTION")) = description;
    made.Fields(QStringLiteral("TASK_DATE")) = FormatDateMDY(next->date);
    made.Fields(QStringLiteral("TASK_STATUS")) =
        status.toUpper() == TaskStatus::COMPLETE ? TaskStatus::INCOMPLETE : status;
    made.Update();
    made.Close();
    MoveTaskRepeat(taskId, nextId, next->rrule);
}

} // namespace

// Another process (dueboard-sync) issues identifiers from the same file: the read, the
// increment and the write are one transaction, so no identifier is issued twice.
qint32 GetNextID(const QString& code)
{
    qint32 next = 0;
    inTransaction([&] { next = issueNextID(code); });
    return next;
}

bool SetTaskStatus(qint32 taskId, const QString& status)
{
    return executeReported([&] { ActiveConnection().Execute(Sql::UpdateStatus(taskId, status)); });
}

bool CompleteTask(qint32 taskId)
{
    return executeReported([&] { inTransaction([&] { completeAndMakeNext(taskId); }); });
}

QString GetTaskStatus(qint32 taskId)
{
    ClientRecordset rs(Sql::SelectStatus(taskId));
    const QString status =
        rs.Eof() ? QString() : rs.Fields(QStringLiteral("TASK_STATUS")).Value().toString();
    rs.Close();
    return status;
}

bool SetTaskDate(qint32 taskId, const QString& dateText)
{
    return executeReported([&] {
        adodb::Connection& db = ActiveConnection();
        // Text that holds no date never reaches the statement.
        const QDate day = ParseDateText(dateText);
        if (!day.isValid())
            throw adodb::DbError(QStringLiteral("%1: \"%2\" is not a date; the task keeps its date")
                                     .arg(db.FilePath(), dateText));
        db.Execute(Sql::UpdateDate(taskId, FormatDateMDY(day)));
    });
}

QDate GetTaskDate(qint32 taskId)
{
    ClientRecordset rs(Sql::SelectTask(taskId));
    const QDate stored =
        rs.Eof() ? QDate() : rs.Fields(QStringLiteral("TASK_DATE")).Value().toDate();
    rs.Close();
    return stored.isValid() ? stored : Today();
}

qint32 CountPastDueTasks()
{
    // The engine counts the statement's rows in one step; handing each row over to be
    // counted here took three times as long.
    ClientRecordset rs(QStringLiteral("SELECT COUNT(*) AS ROWS_FOUND FROM (") +
                       Sql::SelectPastDueIds(Today()) + QStringLiteral(")"));
    const qint32 count = rs.Fields(QStringLiteral("ROWS_FOUND")).Value().toInt();
    rs.Close();
    return count;
}

void ProcrastinateTask(qint32 taskId, int days)
{
    ClientRecordset rs(Sql::SelectTask(taskId));
    if (!rs.Eof()) {
        const QVariant stored = rs.Fields(QStringLiteral("TASK_DATE")).Value();
        const QDate due = stored.typeId() == QMetaType::QDate ? stored.toDate() : QDate();
        if (due.isValid()) {
            rs.Fields(QStringLiteral("TASK_DATE")) = FormatDateMDY(due.addDays(days));
            rs.Update();
        }
    }
    rs.Close();
}

// SPDX-License-Identifier: MIT
#include "repeats.h"

#include "clientrecordset.h"
#include "repeat/rule.h"

namespace
{

bool hasTable()
{
    ClientRecordset rs(QStringLiteral(
        "SELECT name FROM sqlite_master WHERE type = 'table' AND name = 'TASK_REPEATS'"));
    const bool found = !rs.Eof();
    rs.Close();
    return found;
}

QString selectRepeat(qint32 taskId)
{
    return QStringLiteral("SELECT * FROM TASK_REPEATS WHERE TASK_ID = %1").arg(taskId);
}

} // namespace

std::optional<TaskRepeat> GetTaskRepeat(qint32 taskId)
{
    if (!hasTable())
        return std::nullopt;
    ClientRecordset rs(selectRepeat(taskId));
    std::optional<TaskRepeat> repeat;
    if (!rs.Eof())
        repeat =
            TaskRepeat{rs.Fields(QStringLiteral("RRULE")).Value().toString(),
                       Repeat::ParseDates(rs.Fields(QStringLiteral("EXDATE")).Value().toString())};
    rs.Close();
    return repeat;
}

QHash<qint32, QString> GetDayRepeats(const QDate& day)
{
    QHash<qint32, QString> rules;
    if (!hasTable())
        return rules;
    ClientRecordset rs(QStringLiteral("SELECT TASK_REPEATS.TASK_ID, RRULE FROM TASK_REPEATS JOIN "
                                      "TASKS ON TASKS.TASK_ID = TASK_REPEATS.TASK_ID WHERE "
                                      "TASK_DATE = #%1#")
                           .arg(FormatDateMDY(day)));
    for (; !rs.Eof(); rs.MoveNext())
        rules.insert(rs.Fields(QStringLiteral("TASK_ID")).Value().toInt(),
                     rs.Fields(QStringLiteral("RRULE")).Value().toString());
    rs.Close();
    return rules;
}

void SetTaskRepeat(qint32 taskId, const QString& rrule)
{
    adodb::Connection& db = ActiveConnection();
    if (rrule.isEmpty()) {
        if (hasTable())
            db.Execute(QStringLiteral("DELETE FROM TASK_REPEATS WHERE TASK_ID = %1").arg(taskId));
        return;
    }
    ClientRecordset task(Sql::SelectStatus(taskId));
    const bool gone = task.Eof();
    task.Close();
    if (gone) // deleted meanwhile: no rule is left behind without its task
        return;
    for (const char* sql : RepeatTableSql)
        db.Execute(QString::fromUtf8(sql));
    ClientRecordset rs(selectRepeat(taskId));
    if (rs.Eof()) {
        rs.AddNew();
        rs.Fields(QStringLiteral("TASK_ID")) = taskId;
    }
    rs.Fields(QStringLiteral("RRULE")) = rrule;
    rs.Fields(QStringLiteral("EXDATE")) = QVariant();
    rs.Update();
    rs.Close();
}

void MoveTaskRepeat(qint32 fromTaskId, qint32 toTaskId, const QString& rrule)
{
    // The id is changed in place (not a row deleted and one added), so that what follows a
    // task's repeat elsewhere in the file can follow it on.
    ActiveConnection().Execute(
        QStringLiteral("UPDATE TASK_REPEATS SET TASK_ID = %1 WHERE TASK_ID = %2")
            .arg(toTaskId)
            .arg(fromTaskId));
    ClientRecordset rs(selectRepeat(toTaskId));
    if (!rs.Eof()) {
        rs.Fields(QStringLiteral("RRULE")) = rrule;
        rs.Update();
    }
    rs.Close();
}

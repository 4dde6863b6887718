// SPDX-License-Identifier: MIT
#pragma once

#include "adodb.h"
#include "jetsql.h"

#include <QDate>
#include <QString>
#include <memory>

// The program-wide connection. The main window opens it on load and releases it on unload;
// while it is null or closed every operation below fails with a DbError (or the
// "ERROR:" message of SetTaskStatus/SetTaskDate).
extern std::unique_ptr<adodb::Connection> gConnection;

// gConnection for a statement: a DbError naming the file, not a crash, when the main window
// has not opened it.
adodb::Connection& ActiveConnection();

// The status words stored in TASK_STATUS.
namespace TaskStatus
{
inline const QString INCOMPLETE = QStringLiteral("INCOMPLETE");
inline const QString COMPLETE = QStringLiteral("COMPLETE");
inline const QString SPECIAL = QStringLiteral("SPECIAL");
} // namespace TaskStatus

// "PROVIDER=MICROSOFT.JET.OLEDB.4.0;DATA SOURCE=" + App::DatabaseFile()
QString ConnectionString();

// The nine statements, each returning its exact text.
namespace Sql
{
QString SelectCounter(const QString& code);                 // 1
QString UpdateStatus(qint32 taskId, const QString& status); // 2
QString SelectStatus(qint32 taskId);                        // 3
QString UpdateDate(qint32 taskId, const QString& mdy);      // 4
QString SelectTask(qint32 taskId);                          // 5
QString SelectPastDueIds(const QDate& today);               // 6
QString SelectPastDue(const QDate& today);                  // 7
QString SelectDay(const QDate& day);                        // 8
QString DeleteTask(qint32 taskId);                          // 9
} // namespace Sql

// The task operations. GetNextID, GetTaskStatus, GetTaskDate, CountPastDueTasks and
// ProcrastinateTask throw adodb::DbError; SetTaskStatus and SetTaskDate report failures
// themselves ("ERROR:\r" + description through MsgBox) and return false.
qint32 GetNextID(const QString& code);
bool SetTaskStatus(qint32 taskId, const QString& status);
// "Mark Complete": SetTaskStatus with COMPLETE, and for a repeating task, in the same
// transaction, a new task like it (open, or special if it was) on its rule's next date that is
// not already past, which the rule moves to. Past the rule's last date only the task is
// completed. Reports a failure as SetTaskStatus does, and then nothing has changed.
bool CompleteTask(qint32 taskId);
QString GetTaskStatus(qint32 taskId);
bool SetTaskDate(qint32 taskId, const QString& dateText);
QDate GetTaskDate(qint32 taskId);
qint32 CountPastDueTasks();
void ProcrastinateTask(qint32 taskId, int days);

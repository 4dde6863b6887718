// SPDX-License-Identifier: MIT
#pragma once

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <optional>

// Repeating tasks: each one's RRULE (and the days its series skips) in a side table beside
// TASKS, which a trigger empties of a task's row when the task is deleted. dueboard-initdb makes
// it in new databases; in an older one it appears the first time a rule is chosen, and a
// database without it has no repeating tasks.
inline constexpr const char* RepeatTableSql[] = {
    R"(CREATE TABLE IF NOT EXISTS TASK_REPEATS (
    TASK_ID INTEGER PRIMARY KEY,
    RRULE TEXT NOT NULL,
    EXDATE TEXT
))",
    R"(CREATE TRIGGER IF NOT EXISTS TASK_REPEATS_GONE AFTER DELETE ON TASKS
BEGIN
    DELETE FROM TASK_REPEATS WHERE TASK_ID = OLD.TASK_ID;
END)",
};

struct TaskRepeat {
    QString rrule;
    QList<QDate> exdates;
};

// The task's repeat; nullopt for a task that does not repeat. Throws adodb::DbError.
std::optional<TaskRepeat> GetTaskRepeat(qint32 taskId);
// The rules of the tasks due on a day, by task id, read at once for the day list.
QHash<qint32, QString> GetDayRepeats(const QDate& day);
// A new rule for the task (its series' skipped days are gone with the old one); an empty rule
// ends its repeating. Throws adodb::DbError.
void SetTaskRepeat(qint32 taskId, const QString& rrule);
// Hands the repeat of a completed task on to the task made for its next occurrence, with the
// rule it carries on with; inside the caller's transaction.
void MoveTaskRepeat(qint32 fromTaskId, qint32 toTaskId, const QString& rrule);

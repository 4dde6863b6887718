// SPDX-License-Identifier: MIT
#pragma once

#include <QDate>
#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <sqlite3.h>
#include <stdexcept>

// Writes tasks straight into a benchmark database, all in one transaction.
class TaskWriter
{
public:
    explicit TaskWriter(const QString& file)
    {
        if (sqlite3_open(QFile::encodeName(file).constData(), &m_db) != SQLITE_OK)
            throw std::runtime_error("cannot open the benchmark database");
        sqlite3_exec(m_db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(m_db,
                           "INSERT INTO TASKS (TASK_ID, TASK_TITLE, DESCRIPTION, TASK_DATE, "
                           "TASK_STATUS) VALUES (?, ?, ?, ?, ?)",
                           -1, &m_insert, nullptr);
    }
    ~TaskWriter()
    {
        sqlite3_finalize(m_insert);
        sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(m_db);
    }
    TaskWriter(const TaskWriter&) = delete;
    TaskWriter& operator=(const TaskWriter&) = delete;

    void Add(int id, const QString& title, const QString& description, const QDate& due,
             const char* status)
    {
        const QByteArray texts[] = {title.toUtf8(), description.toUtf8(),
                                    due.toString(Qt::ISODate).toUtf8()};
        sqlite3_bind_int(m_insert, 1, id);
        for (int i = 0; i < 3; ++i)
            sqlite3_bind_text(m_insert, i + 2, texts[i].constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(m_insert, 5, status, -1, SQLITE_STATIC);
        sqlite3_step(m_insert);
        sqlite3_reset(m_insert);
    }

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_insert = nullptr;
};

// A lifetime of tasks in small: three years around today, two of them behind it, with 45 % of
// the past tasks still open, which makes 30 % of all tasks open and overdue; a tenth of the
// open ones special. The same seed gives the same tasks.
inline void FillThreeYears(const QString& file, int tasks, const QDate& today)
{
    TaskWriter writer(file);
    QRandomGenerator random(20260305);
    const QDate first = today.addYears(-2);
    const int span = int(first.daysTo(today.addYears(1)));
    static const char* const words[] = {"INCOMPLETE", "SPECIAL", "COMPLETE"};
    for (int id = 1; id <= tasks; ++id) {
        const QDate due = first.addDays(random.bounded(span));
        const bool open = due >= today || random.bounded(100) < 45;
        const char* status = open ? words[random.bounded(100) < 10 ? 1 : 0] : words[2];
        const QString title = QStringLiteral("Task %1: call the supplier about order").arg(id);
        writer.Add(id, title,
                   QStringLiteral("Notes for the task, a line or two of free text that says what "
                                  "was agreed and what is still to do. ") +
                       title,
                   due, status);
    }
}

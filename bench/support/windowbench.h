// SPDX-License-Identifier: MIT
#pragma once

#include "platform/app.h"
#include "platform/clock.h"
#include "runtime/forms.h"
#include "schema.h"
#include "store/appfunctions.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <functional>
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

// The frame of a window benchmark's main(): no display, a fresh database that `fill` writes
// its tasks into, today pinned, the window that `show` returns shown while the benchmarks run.
inline int RunWindowBenchmarks(int argc, char** argv, const QDate& today,
                               const std::function<void(const QString& file)>& fill,
                               const std::function<Form&()>& show)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/Dueboard.mdb");
    Schema::CreateDatabase(file);
    fill(file);
    App::SetPath(dir.path());
    Clock::SetToday(today);

    Form& window = show();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Forms::Unload(window);
    gConnection.reset();
    return 0;
}

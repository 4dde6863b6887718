// SPDX-License-Identifier: MIT
#pragma once

#include "platform/app.h"
#include "platform/clock.h"
#include "runtime/forms.h"
#include "schema.h"
#include "store/appfunctions.h"
#include "tasks.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <functional>
#include <sqlite3.h>
#include <stdexcept>

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

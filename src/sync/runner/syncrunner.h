// SPDX-License-Identifier: MIT
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QProcess>
#include <QTimer>
#include <functional>

// Runs dueboard-sync in the background for the running program, which never links the
// network code itself: shortly after the database file changes, and every 15 minutes. A run
// still going after 15 minutes is ended, so one stuck run does not stop the ones after it. The
// windows never wait for it. What a background run has to tell the person (a failure, or a
// text a later change replaced) goes to one desktop notification; a failure is not told again
// until a run succeeds.
class SyncRunner : public QObject
{
    Q_OBJECT
public:
    using Notify = std::function<void(const QString& body)>;

    SyncRunner(const QString& tool, const QString& database, Notify notify,
               QObject* parent = nullptr);

    void SetDelays(int afterChangeMs, int periodMs);
    void SetRunLimit(int ms);
    // Starts a run now, or right after the one under way.
    void RunSoon();

signals:
    // A run brought changes from the server into the database.
    void TasksChanged();
    // A run ended, with dueboard-sync's exit status (-1 when it could not be started).
    void RunFinished(int exitCode);

private:
    void watch();
    void changed();
    void start();
    void finished(int exitCode, QProcess::ExitStatus status);

    QString m_tool;
    QString m_database;
    Notify m_notify;
    QProcess m_process;
    QFileSystemWatcher m_watcher;
    QTimer m_debounce;
    QTimer m_period;
    QTimer m_limit;
    bool m_overtime = false;
    bool m_again = false;
    bool m_failing = false;
    qint64 m_quietUntil = 0; // the tool's own writes are no change to sync
};

// The real notification: org.freedesktop.Notifications on the session bus.
void NotifyDesktop(const QString& body);

// SPDX-License-Identifier: MIT
#include "syncrunner.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>

namespace
{

// dueboard-sync's status when no collection is set up for the database: nothing to tell.
constexpr int notSetUp = 3;
constexpr int quietMs = 2000;

} // namespace

SyncRunner::SyncRunner(const QString& tool, const QString& database, Notify notify, QObject* parent)
    : QObject(parent), m_tool(tool), m_database(database), m_notify(std::move(notify))
{
    m_debounce.setSingleShot(true);
    m_limit.setSingleShot(true);
    SetDelays(10 * 1000, 15 * 60 * 1000);
    SetRunLimit(15 * 60 * 1000);
    connect(&m_limit, &QTimer::timeout, this, [this] {
        m_overtime = true;
        m_process.kill();
    });
    connect(&m_debounce, &QTimer::timeout, this, &SyncRunner::start);
    connect(&m_period, &QTimer::timeout, this, &SyncRunner::start);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &SyncRunner::changed);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &SyncRunner::watch);
    connect(&m_process, &QProcess::finished, this, &SyncRunner::finished);
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            finished(-1, QProcess::CrashExit);
    });
    m_period.start();
    watch();
}

void SyncRunner::SetDelays(int afterChangeMs, int periodMs)
{
    m_debounce.setInterval(afterChangeMs);
    m_period.setInterval(periodMs);
}

void SyncRunner::SetRunLimit(int ms)
{
    m_limit.setInterval(ms);
}

// Every write reaches the write-ahead log beside the file; it comes and goes, so the folder
// is watched for it too.
void SyncRunner::watch()
{
    const QString wal = m_database + QStringLiteral("-wal");
    const QString folder = QFileInfo(m_database).absolutePath();
    if (!m_watcher.directories().contains(folder))
        m_watcher.addPath(folder);
    for (const QString& file : {m_database, wal})
        if (QFileInfo::exists(file) && !m_watcher.files().contains(file))
            m_watcher.addPath(file);
}

void SyncRunner::changed()
{
    watch();
    if (m_process.state() != QProcess::NotRunning ||
        QDateTime::currentMSecsSinceEpoch() < m_quietUntil)
        return;
    m_debounce.start();
}

void SyncRunner::RunSoon()
{
    start();
}

void SyncRunner::start()
{
    m_debounce.stop();
    // A program directory without the tool (a copy of the program alone) has no sync to run,
    // and nothing to tell the person about it.
    if (!QFileInfo(m_tool).isExecutable())
        return;
    if (m_process.state() != QProcess::NotRunning) {
        m_again = true;
        return;
    }
    m_overtime = false;
    m_process.start(m_tool, {QStringLiteral("--database"), m_database});
    m_limit.start();
}

void SyncRunner::finished(int exitCode, QProcess::ExitStatus status)
{
    m_limit.stop();
    m_quietUntil = QDateTime::currentMSecsSinceEpoch() + quietMs;
    const QString out = QString::fromUtf8(m_process.readAllStandardOutput());
    const QString err = QString::fromUtf8(m_process.readAllStandardError()).trimmed();
    if (status == QProcess::NormalExit && exitCode == 0) {
        m_failing = false;
        static const QRegularExpression received(
            QStringLiteral("From the server: (\\d+) added, (\\d+) changed, (\\d+) deleted"));
        const QRegularExpressionMatch m = received.match(out);
        QStringList lines = out.trimmed().split(QLatin1Char('\n'));
        lines.removeLast(); // the summary; what stands before it was replaced or skipped
        if (!lines.isEmpty())
            m_notify(lines.join(QLatin1Char('\n')));
        if (m.hasMatch() && m.captured(1).toInt() + m.captured(2).toInt() + m.captured(3).toInt())
            emit TasksChanged();
    } else if (!(status == QProcess::NormalExit && exitCode == notSetUp) && !m_failing) {
        m_failing = true;
        if (m_overtime)
            m_notify(QStringLiteral("A sync with the server took longer than %1 minutes and was "
                                    "stopped; it is tried again later.")
                         .arg(qMax(1, m_limit.interval() / 60000)));
        else
            m_notify(
                err.isEmpty()
                    ? QStringLiteral("%1 could not run: %2").arg(m_tool, m_process.errorString())
                    : err);
    }
    emit RunFinished(status == QProcess::NormalExit ? exitCode : -1);
    if (m_again) {
        m_again = false;
        start();
    }
}

void NotifyDesktop(const QString& body)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << QStringLiteral("Dueboard") << 0u << QStringLiteral("org.example.Dueboard")
         << QStringLiteral("Dueboard sync") << body << QStringList() << QVariantMap() << -1;
    QDBusConnection::sessionBus().asyncCall(call);
}

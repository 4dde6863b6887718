// SPDX-License-Identifier: MIT
#include "launcher/launcher.h"

#include "platform/app.h"
#include "platform/serverexit.h"

#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <unistd.h>

namespace
{

using std::chrono::milliseconds;

LaunchResult Failure(LaunchStatus status, const QString& message)
{
    // Texts from the bus may span lines; the launcher reports one.
    return {status, QStringLiteral("dueboard: ") + message.simplified()};
}

QString Seconds(milliseconds duration)
{
    return QStringLiteral("%1 s").arg(duration.count() / 1000.0);
}

QString SessionBusFailure(const QDBusConnection& bus)
{
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return QStringLiteral("no D-Bus session bus (DBUS_SESSION_BUS_ADDRESS is not set)");
    return QStringLiteral("cannot connect to the D-Bus session bus: %1")
        .arg(bus.lastError().message());
}

// Asks the bus itself. QDBusConnectionInterface would do, but now and then it prints a Qt
// warning to standard error, and the launcher's errors are one line each.
QVariant AskBus(const QDBusConnection& bus, const QString& method, const QVariantList& args = {})
{
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), method);
    ask.setArguments(args);
    const QDBusMessage reply = bus.call(ask);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
               ? reply.arguments().constFirst()
               : QVariant();
}

bool NameOwned(const QDBusConnection& bus)
{
    return AskBus(bus, QStringLiteral("NameHasOwner"), {kServiceName}).toBool();
}

bool NameActivatable(const QDBusConnection& bus)
{
    return AskBus(bus, QStringLiteral("ListActivatableNames"))
        .toStringList()
        .contains(kServiceName);
}

// What the program's exit status says about why it did not start.
QString EndedBecause(int status)
{
    switch (static_cast<ServerExit>(status)) {
    case ServerExit::NoDisplay:
        return QStringLiteral("found no display: neither DISPLAY nor WAYLAND_DISPLAY is set");
    case ServerExit::DisplayUnreachable:
        return QStringLiteral("could not open the display %1")
            .arg(qEnvironmentVariable("WAYLAND_DISPLAY", qEnvironmentVariable("DISPLAY")));
    case ServerExit::NoSessionBus:
        return QStringLiteral("could not connect to the D-Bus session bus");
    case ServerExit::NotPublished:
        return QStringLiteral("could not publish %1 on the session bus").arg(kServiceName);
    case ServerExit::Ok:
        break;
    }
    return QStringLiteral("ended with status %1 without taking the bus name %2")
        .arg(status)
        .arg(kServiceName);
}

// The program stays a child of the launcher until it owns the bus name or ends, so that its end
// and the reason for it reach the launcher at once. Its own output goes nowhere near the
// launcher's: a caller reading the launcher's output is not held while the program runs.
// Another launcher may have started a program that has not yet taken the name; a second one
// then finds the name taken and ends, and both launchers call the first.
std::optional<LaunchResult> StartServer(const QDBusConnection& bus, const QString& serverPath,
                                        milliseconds timeout)
{
    const QFileInfo server(serverPath);
    if (!server.isFile() || !server.isExecutable())
        return Failure(LaunchStatus::ServerNotStarted,
                       QStringLiteral("cannot find the program %1").arg(serverPath));

    QDBusServiceWatcher watcher(kServiceName, bus, QDBusServiceWatcher::WatchForRegistration);
    QEventLoop waiting;
    QObject::connect(&watcher, &QDBusServiceWatcher::serviceRegistered, &waiting,
                     &QEventLoop::quit);
    // Never destroyed: its destructor would end the program it started, which outlives us.
    auto* process = new QProcess;
    process->setProgram(serverPath);
    process->setWorkingDirectory(server.absolutePath());
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    // A session of its own, so that closing the launcher's terminal does not end it.
    process->setChildProcessModifier([] { ::setsid(); });
    QObject::connect(process, &QProcess::finished, &waiting, &QEventLoop::quit);
    QObject::connect(process, &QProcess::errorOccurred, &waiting, &QEventLoop::quit);
    QTimer::singleShot(timeout, &waiting, &QEventLoop::quit);
    process->start();
    if (!process->waitForStarted())
        return Failure(LaunchStatus::ServerNotStarted,
                       QStringLiteral("cannot start the program %1: %2")
                           .arg(serverPath, process->errorString()));
    if (!NameOwned(bus))
        waiting.exec();
    if (NameOwned(bus))
        return std::nullopt;
    if (process->state() == QProcess::NotRunning)
        return Failure(LaunchStatus::ServerNotStarted,
                       QStringLiteral("the program %1 %2")
                           .arg(serverPath, process->exitStatus() == QProcess::CrashExit
                                                ? QStringLiteral("crashed")
                                                : EndedBecause(process->exitCode())));
    return Failure(LaunchStatus::ServerNotStarted,
                   QStringLiteral("the program %1 did not take the bus name %2 within %3")
                       .arg(serverPath, kServiceName, Seconds(timeout)));
}

LaunchResult CallShowMainScreen(const QDBusConnection& bus, milliseconds timeout)
{
    const QDBusMessage call =
        QDBusMessage::createMethodCall(kServiceName, kObjectPath, kInterfaceName, "ShowMainScreen");
    QElapsedTimer clock;
    clock.start();
    const QDBusMessage reply = bus.call(call, QDBus::Block, static_cast<int>(timeout.count()));
    if (reply.type() != QDBusMessage::ErrorMessage)
        return {};
    // The bus reports an expired call and a peer that vanished mid-call alike; the clock tells.
    if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply") &&
        milliseconds(clock.elapsed()) >= timeout * 9 / 10)
        return Failure(LaunchStatus::CallTimedOut,
                       QStringLiteral("%1 did not answer ShowMainScreen within %2")
                           .arg(kServiceName, Seconds(timeout)));
    // The bus started the program with its own environment, and a program that cannot reach a
    // display dies at once; say why it ended where its status tells, and where to look.
    if (reply.errorName().startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn."))) {
        static const QRegularExpression exited(QStringLiteral("exited with status (\\d+)"));
        const QRegularExpressionMatch status = exited.match(reply.errorMessage());
        return Failure(LaunchStatus::ServerNotStarted,
                       QStringLiteral("the session bus could not start the program (%1); is the "
                                      "display known to the bus? See "
                                      "dbus-update-activation-environment")
                           .arg(status.hasMatch() ? QStringLiteral("it ") +
                                                        EndedBecause(status.captured(1).toInt())
                                                  : reply.errorMessage()));
    }
    return Failure(LaunchStatus::CallFailed,
                   QStringLiteral("ShowMainScreen failed: %1").arg(reply.errorMessage()));
}

} // namespace

std::optional<LaunchResult> MakeDatabase(const QString& initDbPath)
{
    try {
        if (!App::DataInHome() || QFileInfo::exists(App::DatabaseFile()))
            return std::nullopt;
    } catch (const std::exception& e) {
        return Failure(LaunchStatus::NoDatabase, QString::fromUtf8(e.what()));
    }
    QProcess tool;
    tool.setStandardInputFile(QProcess::nullDevice());
    tool.setStandardOutputFile(QProcess::nullDevice());
    tool.start(initDbPath, {});
    if (tool.waitForFinished() && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0)
        return std::nullopt;
    const QString said = QString::fromLocal8Bit(tool.readAllStandardError()).trimmed();
    return Failure(LaunchStatus::NoDatabase, QStringLiteral("could not make the task database: %1")
                                                 .arg(said.isEmpty() ? tool.errorString() : said));
}

LaunchResult Launch(const QDBusConnection& bus, const QString& serverPath, LaunchTimeouts timeouts)
{
    if (!bus.isConnected())
        return Failure(LaunchStatus::NoSessionBus, SessionBusFailure(bus));
    // A running program, or one the bus starts on the call, needs nothing but the call.
    if (!NameOwned(bus) && !NameActivatable(bus)) {
        if (const auto failure = StartServer(bus, serverPath, timeouts.start))
            return *failure;
    }
    return CallShowMainScreen(bus, timeouts.call);
}

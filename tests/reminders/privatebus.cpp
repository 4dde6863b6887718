// SPDX-License-Identifier: MIT
#include "privatebus.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <stdexcept>

namespace
{
constexpr int kStartMs = 10000;

[[noreturn]] void Fail(const QString& what, QProcess& process)
{
    throw std::runtime_error(
        (what + QStringLiteral(": ") + QString::fromUtf8(process.readAllStandardError()))
            .toStdString());
}
} // namespace

PrivateBus::PrivateBus()
{
    QFile config(m_dir.filePath(QStringLiteral("bus.conf")));
    if (!m_dir.isValid() || !config.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write the bus configuration");
    config.write(QStringLiteral("<busconfig><type>session</type>"
                                "<listen>unix:path=%1/bus</listen><auth>EXTERNAL</auth>"
                                "<policy context='default'>"
                                "<allow send_destination='*' eavesdrop='true'/>"
                                "<allow eavesdrop='true'/><allow own='*'/>"
                                "</policy></busconfig>")
                     .arg(m_dir.path())
                     .toUtf8());
    config.close();
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--config-file=") + config.fileName(),
                    QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    if (!m_daemon.waitForReadyRead(kStartMs))
        Fail(QStringLiteral("the bus did not start"), m_daemon);
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
}

PrivateBus::~PrivateBus()
{
    for (const QString& name : m_connections)
        QDBusConnection::disconnectFromBus(name);
    m_daemon.terminate();
    m_daemon.waitForFinished();
}

QDBusConnection PrivateBus::Connect()
{
    static int made = 0;
    const QString name = QStringLiteral("private-bus-%1").arg(++made);
    m_connections << name;
    QDBusConnection connection = QDBusConnection::connectToBus(m_address, name);
    if (!connection.isConnected())
        throw std::runtime_error("cannot connect to the private bus");
    return connection;
}

QProcessEnvironment PrivateBus::Environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
    return environment;
}

Logind::Logind(PrivateBus& bus) : m_connection(bus.Connect())
{
    if (!m_connection.registerService(QStringLiteral("org.freedesktop.login1")))
        throw std::runtime_error("cannot own org.freedesktop.login1 on the private bus");
}

void Logind::PrepareForSleep(bool start)
{
    QDBusMessage signal = QDBusMessage::createSignal(
        QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
        QStringLiteral("PrepareForSleep"));
    signal << start;
    m_connection.send(signal);
}

NotificationServer::NotificationServer(PrivateBus& bus) : m_environment(bus.Environment())
{
    m_display.start(QStringLiteral("Xvfb"),
                    {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                     QStringLiteral("0"), QStringLiteral("640x480x24"), QStringLiteral("-nolisten"),
                     QStringLiteral("tcp")});
    if (!m_display.waitForReadyRead(kStartMs))
        Fail(QStringLiteral("Xvfb did not start"), m_display);
    m_environment.insert(QStringLiteral("DISPLAY"),
                         u':' + QString::fromUtf8(m_display.readLine()).trimmed());
    m_server.setProcessEnvironment(m_environment);
    m_server.start(QStringLiteral("dunst"), {QStringLiteral("-config"), QStringLiteral(DUNSTRC)});
    QDBusConnection watcher = bus.Connect();
    if (!QTest::qWaitFor(
            [&] {
                return watcher.interface()->isServiceRegistered(
                    QStringLiteral("org.freedesktop.Notifications"));
            },
            kStartMs))
        Fail(QStringLiteral("dunst did not start"), m_server);
}

NotificationServer::~NotificationServer()
{
    for (QProcess* process : {&m_server, &m_display}) {
        process->terminate();
        process->waitForFinished();
    }
}

QString NotificationServer::Control(const QStringList& arguments)
{
    QProcess control;
    control.setProcessEnvironment(m_environment);
    control.start(QStringLiteral("dunstctl"), arguments);
    // The program under test answers the server while this waits.
    if (!QTest::qWaitFor([&] { return control.state() == QProcess::NotRunning; }, kStartMs))
        Fail(QStringLiteral("dunstctl did not finish"), control);
    return QString::fromUtf8(control.readAllStandardOutput()).trimmed();
}

int NotificationServer::Displayed()
{
    return Control({QStringLiteral("count"), QStringLiteral("displayed")}).toInt();
}

void NotificationServer::ChooseTop()
{
    Control({QStringLiteral("action"), QStringLiteral("0")});
}

void NotificationServer::CloseAll()
{
    Control({QStringLiteral("close-all")});
}

QStringList NotificationServer::History()
{
    const QJsonDocument history =
        QJsonDocument::fromJson(Control({QStringLiteral("history")}).toUtf8());
    QStringList bodies;
    for (const QJsonValue& entry : history[QStringLiteral("data")][0].toArray())
        bodies << entry[QStringLiteral("body")][QStringLiteral("data")].toString();
    return bodies;
}

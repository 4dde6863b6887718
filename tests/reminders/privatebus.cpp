// SPDX-License-Identifier: MIT
#include "privatebus.h"

#include <QDBusMessage>
#include <QFile>
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

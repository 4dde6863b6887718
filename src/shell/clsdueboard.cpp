// SPDX-License-Identifier: MIT
#include "shell/clsdueboard.h"

#include "runtime/forms.h"
#include "shell/frmsystray.h"
#include "ui/main/frmmain.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>

namespace
{
constexpr auto kObjectPath = "/clsDueboard";
constexpr auto kServiceName = "Dueboard.clsDueboard";
} // namespace

clsDueboard::clsDueboard(QDBusConnection bus, std::chrono::milliseconds idleTime)
{
    Publish(bus);
    m_idle.setInterval(idleTime);
    connect(&m_idle, &QTimer::timeout, this, &Forms::QuitWhenNoWindow);
    m_idle.start();
}

// The object goes on the bus before the name, so a caller that sees the name finds the object.
void clsDueboard::Publish(QDBusConnection& bus)
{
    if (!bus.registerVirtualObject(kObjectPath, &m_busObject))
        return;
    QDBusConnectionInterface* daemon = bus.interface();
    if (!daemon)
        return;
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        daemon->registerService(kServiceName);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered)
        m_ROTCookie = reply.value();
}

void clsDueboard::ShowMainScreen()
{
    m_idle.start(); // a call restarts the idle time
    if (!IsFormLoaded(QStringLiteral("frmSysTray")))
        Forms::Load(Forms::Instance<frmSysTray>());
    Forms::Show<frmMain>();
}

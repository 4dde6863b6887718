// SPDX-License-Identifier: MIT
#include "fakeserver.h"

#include "clsdueboardadaptor.h"
#include "launcher/launcher.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

using namespace std::chrono_literals;

namespace
{

void LogEvent(const char* event)
{
    QFile log(qEnvironmentVariable("FAKE_SERVER_LOG"));
    if (log.open(QIODevice::Append | QIODevice::Text))
        log.write(QByteArray(event) + ' ' + QByteArray::number(QCoreApplication::applicationPid()) +
                  '\n');
}

// The real program exits at once when another instance holds the name; so does this one.
bool TakeName(QDBusConnection& bus)
{
    const bool taken = bus.registerService(kServiceName);
    LogEvent(taken ? "owner" : "lost");
    return taken;
}

} // namespace

void FakeServer::ShowMainScreen()
{
    LogEvent("call");
    if (m_mode == "fail")
        sendErrorReply(QDBusError::Failed, "Cannot open Dueboard.mdb:\nfile is not a database");
    else if (m_mode == "hang")
        setDelayedReply(true);
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    LogEvent("start");
    const QString mode = qEnvironmentVariable("FAKE_SERVER_MODE", "ok");
    if (mode.startsWith("exit-"))
        return mode.mid(5).toInt();
    if (mode == "crash")
        std::abort();
    // What it says must not reach the launcher's caller.
    std::printf("fake-dueboard-server: started\n");
    std::fflush(stdout);
    FakeServer server(mode);
    new ClsDueboardAdaptor(&server);
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.registerObject(kObjectPath, &server);
    if (mode == "late")
        QTimer::singleShot(300ms, &app, [&] {
            if (!TakeName(bus))
                app.exit();
        });
    else if (mode != "never" && !TakeName(bus))
        return 0;
    // A test that fails before stopping its servers leaves none behind for long.
    QTimer::singleShot(20s, &app, &QCoreApplication::quit);
    return app.exec();
}

// SPDX-License-Identifier: MIT
// The program: everything begins when a launcher calls ShowMainScreen on the published object.
#include "controls/systray/trayiconbackend.h"
#include "platform/serverexit.h"
#include "reminders/reminders.h"
#include "runtime/errors.h"
#include "runtime/runtime.h"
#include "shell/backgroundsync.h"
#include "shell/clsdueboard.h"
#include "shell/frmsystray.h"
#include "shell/streams.h"
#include "ui/main/statusicons.h"
#include "ui/windows.h"

#include <QApplication>
#include <QDBusConnectionInterface>
#include <cstdio>
#include <cstdlib>

namespace
{
QtMessageHandler g_qtMessages = nullptr;

// Qt ends the program with a fatal message when its display cannot be opened; the launcher
// learns the cause from the exit status instead.
void DisplayMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    g_qtMessages(type, context, message);
    if (type == QtFatalMsg) {
        std::fflush(nullptr);
        std::_Exit(static_cast<int>(ServerExit::DisplayUnreachable));
    }
}

int Exit(ServerExit status, const char* cause)
{
    std::fprintf(stderr, "dueboard-server: %s\n", cause);
    return static_cast<int>(status);
}
} // namespace

int main(int argc, char* argv[])
{
    LeaveCallersStreams();
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return Exit(ServerExit::NoDisplay,
                    "no display: neither DISPLAY nor WAYLAND_DISPLAY is set");
    g_qtMessages = qInstallMessageHandler(DisplayMessages);
    QApplication app(argc, argv);
    qInstallMessageHandler(g_qtMessages);
    QApplication::setQuitOnLastWindowClosed(false);
    // How notification areas list the tray item (its id and title) to the person.
    QCoreApplication::setApplicationName(QStringLiteral("Dueboard"));
    // Ties the windows to the installed menu entry (the Wayland app id).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Dueboard"));
    // Every window without an icon of its own, message boxes included, shows the program's.
    QApplication::setWindowIcon(CalendarIcon());
    InstallDesktopRuntime();
    InstallTrayIconBackend();
    RegisterWindows();
    RegisterTrayWindow();

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return Exit(ServerExit::NoSessionBus, "cannot connect to the D-Bus session bus");
    clsDueboard dueboard(bus);
    // Another instance owns the name and answers the launchers; this one has nothing to do.
    if (!dueboard.Published()) {
        if (bus.interface()->isServiceRegistered(QStringLiteral("Dueboard.clsDueboard")))
            return static_cast<int>(ServerExit::Ok);
        return Exit(ServerExit::NotPublished, "the session bus refused Dueboard.clsDueboard");
    }
    StartBackgroundSync(&app);
    Reminders reminders(bus, QDBusConnection::systemBus());
    QObject::connect(&reminders, &Reminders::ShowMainScreen, &dueboard, [&dueboard] {
        Guard(QStringLiteral("Showing the main window"),
              [&dueboard] { dueboard.ShowMainScreen(); });
    });
    return app.exec();
}

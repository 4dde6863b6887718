// SPDX-License-Identifier: MIT
// The program: everything begins when a launcher calls ShowMainScreen on the published object.
#include "controls/systray/trayiconbackend.h"
#include "runtime/runtime.h"
#include "shell/clsdueboard.h"
#include "shell/frmsystray.h"
#include "ui/windows.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    // Qt aborts without a display; a session bus that starts us without one gets a reason.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "dueboard-server: no display: neither DISPLAY nor WAYLAND_DISPLAY "
                             "is set\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // Ties the windows to the installed menu entry (the Wayland app id).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Dueboard"));
    InstallDesktopRuntime();
    InstallTrayIconBackend();
    RegisterWindows();
    RegisterTrayWindow();

    QDBusConnection bus = QDBusConnection::sessionBus();
    clsDueboard dueboard(bus);
    // Another instance owns the name and answers the launchers; this one has nothing to do.
    if (bus.isConnected() && !dueboard.Published())
        return 0;
    return app.exec();
}

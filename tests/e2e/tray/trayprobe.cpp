// SPDX-License-Identifier: MIT
// Shows one tray control with the real notification area and prints what reaches it, one line
// per event, for the end-to-end script to read. With --menu it hands the tray a menu too.
#include "controls/systray/systray.h"
#include "controls/systray/trayiconbackend.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QPixmap>
#include <QThread>
#include <cstdio>

namespace
{
void Say(const char* line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// Magenta, so the script can find the icon on a screenshot.
QIcon ProbeIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(QColor(255, 0, 255));
    return QIcon(pixmap);
}

bool WaitForTray(int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    // The tray may come up after us; its announcement arrives as an event, so let events run.
    while (!QSystemTrayIcon::isSystemTrayAvailable()) {
        if (waited.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
        QThread::msleep(50);
    }
    return true;
}

const char* Protocol()
{
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String("QSystemTrayIconSys"))
            return "Docked xembed";
    }
    return "Docked sni";
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (!WaitForTray(20000)) {
        Say("NoTray");
        return 1;
    }
    InstallTrayIconBackend();

    QMenu menu;
    QObject::connect(menu.addAction(QStringLiteral("Probe item")), &QAction::triggered,
                     [] { Say("Chosen"); });
    QObject::connect(&menu, &QMenu::aboutToShow, [] { Say("MenuShown"); });

    SysTray tray;
    tray.InitProperties();
    QObject::connect(&tray, &SysTray::Click, [] { Say("Click"); });
    QObject::connect(&tray, &SysTray::RClick, [] { Say("RClick"); });
    QObject::connect(&tray, &SysTray::DblClick, [] { Say("DblClick"); });
    if (app.arguments().contains(QStringLiteral("--menu")))
        tray.SetContextMenu(&menu);
    tray.SetTrayType(0);
    tray.SetTrayIcon(ProbeIcon());
    tray.SetTrayTip(QStringLiteral("Dueboard"));
    tray.SetTrayVisible(true);
    Say(Protocol());
    return app.exec();
}

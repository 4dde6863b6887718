// SPDX-License-Identifier: MIT
#include "controls/systray/trayiconbackend.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTimer>

namespace
{
// Qt's XEmbed tray draws the context menu itself on a right press and then reports it as well;
// only StatusNotifierItem hosts need the menu handed over, so that they can draw it.
bool HostDrawsMenus()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    const auto windows = QApplication::topLevelWidgets();
    return std::none_of(windows.begin(), windows.end(), [](const QWidget* window) {
        return window->objectName() == QLatin1String("QSystemTrayIconSys");
    });
}

// Qt refuses to show a tray icon without a picture; an icon "without image" is a blank one.
QIcon ShownIcon(const QIcon& icon)
{
    if (!icon.isNull())
        return icon;
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    return QIcon(blank);
}

qint64 NowMs()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}
} // namespace

QList<quint32> ClickSequencer::Codes(QSystemTrayIcon::ActivationReason reason, qint64 nowMs,
                                     int doubleClickIntervalMs)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        if (m_lastClick && nowMs - *m_lastClick <= doubleClickIntervalMs) {
            m_lastClick.reset();
            return {WM_LBUTTONDBLCLK, WM_LBUTTONUP};
        }
        m_lastClick = nowMs;
        return {WM_LBUTTONDOWN, WM_LBUTTONUP};
    case QSystemTrayIcon::DoubleClick:
        m_lastClick.reset();
        return {WM_LBUTTONDBLCLK, WM_LBUTTONUP};
    case QSystemTrayIcon::Context:
        return {WM_RBUTTONDOWN, WM_RBUTTONUP};
    case QSystemTrayIcon::MiddleClick:
        return {WM_MBUTTONDOWN, WM_MBUTTONUP};
    case QSystemTrayIcon::Unknown:
        break;
    }
    return {};
}

struct TrayIconBackend::Icon {
    QSystemTrayIcon tray;
    NotifyIconData callback; // window and message the callbacks go to
    ClickSequencer clicks;
};

TrayIconBackend::TrayIconBackend(QObject* parent) : QObject(parent) {}

TrayIconBackend::~TrayIconBackend() = default;

bool TrayIconBackend::Shell_NotifyIcon(quint32 message, const NotifyIconData& data)
{
    if (!data.hWnd)
        return false;
    const Key key(data.hWnd.data(), data.uID);
    switch (message) {
    case NIM_ADD:
        return Add(key, data);
    case NIM_MODIFY:
        return Modify(key, data);
    case NIM_DELETE:
        return m_icons.erase(key) > 0;
    default:
        return false;
    }
}

bool TrayIconBackend::Add(const Key& key, const NotifyIconData& data)
{
    if (m_icons.count(key))
        return false;
    auto icon = std::make_unique<Icon>();
    Icon& added = *icon;
    added.callback.hWnd = data.hWnd;
    connect(&added.tray, &QSystemTrayIcon::activated, this,
            [this, &added](QSystemTrayIcon::ActivationReason reason) { Activated(added, reason); });
    m_icons.emplace(key, std::move(icon));
    Apply(added, data);
    added.tray.show();
    // Hand the menu over before the event loop lets a host ask for it.
    added.tray.setContextMenu(HostDrawsMenus() ? data.contextMenu.data() : nullptr);
    return true;
}

bool TrayIconBackend::Modify(const Key& key, const NotifyIconData& data)
{
    const auto it = m_icons.find(key);
    if (it == m_icons.end())
        return false;
    Apply(*it->second, data);
    it->second->tray.setContextMenu(HostDrawsMenus() ? data.contextMenu.data() : nullptr);
    return true;
}

void TrayIconBackend::Apply(Icon& icon, const NotifyIconData& data)
{
    if (data.uFlags & NIF_MESSAGE)
        icon.callback.uCallbackMessage = data.uCallbackMessage;
    if (data.uFlags & NIF_ICON)
        icon.tray.setIcon(ShownIcon(data.hIcon));
    if (data.uFlags & NIF_TIP)
        icon.tray.setToolTip(TipText(data.szTip));
}

// Delivered from the event loop, as a posted message would be: a host's handler may then
// remove the icon without pulling it from under Qt's own event handling.
void TrayIconBackend::Activated(Icon& icon, QSystemTrayIcon::ActivationReason reason)
{
    const QList<quint32> codes =
        icon.clicks.Codes(reason, NowMs(), QApplication::doubleClickInterval());
    QTimer::singleShot(0, this, [target = icon.callback, codes] {
        for (quint32 code : codes)
            SendNotifyCallback(target, code);
    });
}

void InstallTrayIconBackend()
{
    QPointer<TrayIconBackend> backend = new TrayIconBackend(qApp);
    NotifyArea().Replace([backend](quint32 message, const NotifyIconData& data) {
        return backend && backend->Shell_NotifyIcon(message, data);
    });
    NotificationAreaCheck().Replace([] { return QSystemTrayIcon::isSystemTrayAvailable(); });
}

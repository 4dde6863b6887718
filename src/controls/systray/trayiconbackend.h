// SPDX-License-Identifier: MIT
#pragma once

#include "controls/systray/notifyicon.h"

#include <QList>
#include <QObject>
#include <QSystemTrayIcon>
#include <map>
#include <memory>
#include <optional>

// Turns the activations Qt reports into the mouse messages a notification area sends: a click
// is down then up, a double-click is double-click then up, so a host sees Click, DblClick,
// Click. XEmbed trays report a quick second press as DoubleClick; StatusNotifierItem hosts
// report it as a second Trigger, which counts as a double-click within the desktop's interval.
class ClickSequencer
{
public:
    QList<quint32> Codes(QSystemTrayIcon::ActivationReason reason, qint64 nowMs,
                         int doubleClickIntervalMs);

private:
    std::optional<qint64> m_lastClick; // time of a click that may become a double-click
};

// The notification area of this desktop through QSystemTrayIcon, which speaks
// StatusNotifierItem or XEmbed as Qt picks. Icons are keyed by their window and identifier;
// adding a present icon, or changing or deleting an absent one, fails and changes nothing.
class TrayIconBackend : public QObject
{
    Q_OBJECT
public:
    explicit TrayIconBackend(QObject* parent = nullptr);
    ~TrayIconBackend() override;

    bool Shell_NotifyIcon(quint32 message, const NotifyIconData& data);

private:
    struct Icon;
    using Key = std::pair<const QWidget*, quint32>;

    bool Add(const Key& key, const NotifyIconData& data);
    bool Modify(const Key& key, const NotifyIconData& data);
    void Apply(Icon& icon, const NotifyIconData& data);
    void Activated(Icon& icon, QSystemTrayIcon::ActivationReason reason);

    std::map<Key, std::unique_ptr<Icon>> m_icons;
};

// Makes the real notification area the one every tray control talks to; main() calls it once,
// after the QApplication exists.
void InstallTrayIconBackend();

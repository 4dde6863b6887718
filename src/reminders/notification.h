// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <functional>

// The program's one desktop notification, through the freedesktop Notifications service on the
// session bus: each one shown replaces the one before, and choosing it is reported. Without the
// service nothing shows and nothing fails. The calls do not wait for the service.
class DesktopNotification : public QObject
{
    Q_OBJECT
public:
    explicit DesktopNotification(const QDBusConnection& bus, QObject* parent = nullptr);
    // Takes the notification down: choosing it needs this program.
    ~DesktopNotification() override;

    // body(markup): the text, escaped when the service reads markup in it.
    void Show(const QString& summary, const std::function<QString(bool markup)>& body);
    void Close();

signals:
    void Activated();

private slots:
    void ActionInvoked(uint id, const QString& action);
    void NotificationClosed(uint id, uint reason);

private:
    void Notify(int request, const QString& summary, const QString& body);
    void CloseNotification(uint id);

    QDBusConnection m_bus;
    uint m_id = 0;     // the one on screen, 0 for none
    int m_request = 0; // the latest Show or Close: an answer to an earlier one is out of date
};

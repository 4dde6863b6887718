// SPDX-License-Identifier: MIT
#include "reminders/notification.h"

#include "platform/app.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <utility>

namespace
{

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kDefaultAction = QStringLiteral("default");
constexpr int kCloseTimeoutMs = 1000;

QDBusMessage Call(const QString& method, const QVariantList& arguments = {})
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, method);
    call.setArguments(arguments);
    return call;
}

// Runs then with the reply once it arrives; an error reply is handed on like any other.
template <class Reply, class Then>
void OnReply(QObject* context, const QDBusPendingCall& pending, Then then)
{
    auto* watcher = new QDBusPendingCallWatcher(pending, context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [watcher, then](QDBusPendingCallWatcher*) {
                         then(Reply(*watcher));
                         watcher->deleteLater();
                     });
}

} // namespace

DesktopNotification::DesktopNotification(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_bus(bus)
{
    // Qt D-Bus delivers signals to slots named by their signature only.
    m_bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                  SLOT(ActionInvoked(uint, QString)));
    m_bus.connect(kService, kPath, kService, QStringLiteral("NotificationClosed"), this,
                  SLOT(NotificationClosed(uint, uint)));
}

DesktopNotification::~DesktopNotification()
{
    if (m_id != 0)
        m_bus.call(Call(QStringLiteral("CloseNotification"), {m_id}), QDBus::Block,
                   kCloseTimeoutMs);
}

// Markup is escaped only for a service that reads it; any other shows the text as it is.
void DesktopNotification::Show(const QString& summary,
                               const std::function<QString(bool markup)>& body)
{
    const int request = ++m_request;
    OnReply<QDBusPendingReply<QStringList>>(
        this, m_bus.asyncCall(Call(QStringLiteral("GetCapabilities"))),
        [this, request, summary, body](const QDBusPendingReply<QStringList>& capabilities) {
            if (capabilities.isError() || request != m_request)
                return;
            Notify(request, summary,
                   body(capabilities.value().contains(QStringLiteral("body-markup"))));
        });
}

void DesktopNotification::Notify(int request, const QString& summary, const QString& body)
{
    QVariantMap hints;
    if (!QGuiApplication::desktopFileName().isEmpty())
        hints.insert(QStringLiteral("desktop-entry"), QGuiApplication::desktopFileName());
    const QStringList actions{kDefaultAction, QStringLiteral("Show Tasks")};
    const QDBusMessage notify = Call(QStringLiteral("Notify"), {App::Title, m_id, App::Icon(),
                                                                summary, body, actions, hints, -1});
    OnReply<QDBusPendingReply<uint>>(this, m_bus.asyncCall(notify),
                                     [this, request](const QDBusPendingReply<uint>& id) {
                                         if (!id.isValid())
                                             return;
                                         if (request == m_request)
                                             m_id = id.value();
                                         else
                                             CloseNotification(id.value());
                                     });
}

void DesktopNotification::Close()
{
    ++m_request;
    if (m_id != 0)
        CloseNotification(std::exchange(m_id, 0u));
}

void DesktopNotification::CloseNotification(uint id)
{
    m_bus.asyncCall(Call(QStringLiteral("CloseNotification"), {id}));
}

// Taken down once chosen: not every service does that itself.
void DesktopNotification::ActionInvoked(uint id, const QString& action)
{
    if (id == 0 || id != m_id || action != kDefaultAction)
        return;
    Close();
    emit Activated();
}

void DesktopNotification::NotificationClosed(uint id, uint)
{
    if (id == m_id)
        m_id = 0;
}

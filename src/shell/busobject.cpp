// SPDX-License-Identifier: MIT
#include "shell/busobject.h"

#include "platform/error.h"
#include "shell/clsdueboard.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <exception>

namespace
{
const QString kInterface = QStringLiteral("Dueboard.clsDueboard");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

bool Ours(const QString& interface)
{
    return interface.isEmpty() || interface == kInterface;
}
} // namespace

QString BusObject::introspect(const QString&) const
{
    return QStringLiteral("  <interface name=\"Dueboard.clsDueboard\">\n"
                          "    <method name=\"ShowMainScreen\"/>\n"
                          "  </interface>\n");
}

// What this does not answer (introspection, unknown methods) the bus library answers.
bool BusObject::handleMessage(const QDBusMessage& message, const QDBusConnection& connection)
{
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    if (message.interface() == kProperties)
        return connection.send(Properties(message));
    if (Ours(message.interface()) && message.member() == QLatin1String("ShowMainScreen") &&
        message.signature().isEmpty())
        return connection.send(ShowMainScreen(message));
    return false;
}

// An error ends the call and reaches the caller as the error reply, with its description.
QDBusMessage BusObject::ShowMainScreen(const QDBusMessage& call)
{
    try {
        m_target.ShowMainScreen();
        return call.createReply();
    } catch (...) {
        return call.createErrorReply(QDBusError::Failed, Describe(std::current_exception()));
    }
}

// The interface declares no properties, so there is none to read or write.
QDBusMessage BusObject::Properties(const QDBusMessage& call)
{
    const QVariantList args = call.arguments();
    const QString interface = args.value(0).toString();
    const QString member = call.member();
    const QString signature = call.signature();
    const bool known = (member == QLatin1String("Get") && signature == QLatin1String("ss")) ||
                       (member == QLatin1String("Set") && signature == QLatin1String("ssv")) ||
                       (member == QLatin1String("GetAll") && signature == QLatin1String("s"));
    if (!known)
        return call.createErrorReply(QDBusError::UnknownMethod,
                                     QStringLiteral("No method %1 with signature \"%2\" in %3")
                                         .arg(member, signature, kProperties));
    if (!Ours(interface))
        return call.createErrorReply(
            QDBusError::UnknownInterface,
            QStringLiteral("No interface %1 at %2").arg(interface, call.path()));
    if (member == QLatin1String("GetAll"))
        return call.createReply(QVariant::fromValue(QVariantMap()));
    return call.createErrorReply(
        QDBusError::UnknownProperty,
        QStringLiteral("No property %1 in %2").arg(args.value(1).toString(), kInterface));
}

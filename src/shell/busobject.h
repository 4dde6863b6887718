// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusVirtualObject>

class clsDueboard;

// The automation object as the bus sees it: Dueboard.clsDueboard with its one method
// ShowMainScreen, and the bus's standard interfaces. Nothing of the Qt object behind it (its
// objectName, say) can be read or written over the bus: it answers exactly what it declares.
class BusObject : public QDBusVirtualObject
{
    Q_OBJECT
public:
    explicit BusObject(clsDueboard& target) : m_target(target) {}

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    QDBusMessage ShowMainScreen(const QDBusMessage& call);
    static QDBusMessage Properties(const QDBusMessage& call);

    clsDueboard& m_target;
};

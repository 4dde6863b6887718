// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QStringList>
#include <QVariant>
#include <utility>

// A control's saved state: named values in the order written. A value equal to its default is
// not stored, and a missing name reads as its default.
class PropertyBag
{
public:
    void WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue);
    QVariant ReadProperty(const QString& name, const QVariant& defaultValue) const;
    QStringList Names() const;

private:
    QList<std::pair<QString, QVariant>> m_values;
};

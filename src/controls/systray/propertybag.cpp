// SPDX-License-Identifier: MIT
#include "controls/systray/propertybag.h"

#include <algorithm>

void PropertyBag::WriteProperty(const QString& name, const QVariant& value,
                                const QVariant& defaultValue)
{
    auto it = std::find_if(m_values.begin(), m_values.end(),
                           [&](const auto& entry) { return entry.first == name; });
    if (value == defaultValue) {
        if (it != m_values.end())
            m_values.erase(it);
    } else if (it != m_values.end()) {
        it->second = value;
    } else {
        m_values.append({name, value});
    }
}

QVariant PropertyBag::ReadProperty(const QString& name, const QVariant& defaultValue) const
{
    for (const auto& [key, value] : m_values) {
        if (key == name)
            return value;
    }
    return defaultValue;
}

QStringList PropertyBag::Names() const
{
    QStringList names;
    for (const auto& entry : m_values)
        names.append(entry.first);
    return names;
}

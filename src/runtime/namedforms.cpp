// SPDX-License-Identifier: MIT
#include "forms.h"

#include <QHash>
#include <stdexcept>

namespace
{
QHash<QString, Forms::InstanceGetter>& registry()
{
    static QHash<QString, Forms::InstanceGetter> getters;
    return getters;
}
} // namespace

namespace Forms
{
void Register(const QString& name, InstanceGetter instance)
{
    registry().insert(name, std::move(instance));
}

Form& Named(const QString& name)
{
    const auto found = registry().constFind(name);
    if (found == registry().constEnd())
        throw std::runtime_error("No window named " + name.toStdString() + " is known.");
    return (*found)();
}
} // namespace Forms

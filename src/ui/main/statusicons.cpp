// SPDX-License-Identifier: MIT
#include "statusicons.h"

#include <QHash>

namespace
{
QIcon loadIcon(const QString& resource)
{
    // Pre-rendered at the list's size so the list never rasterises SVG per node.
    QIcon icon(resource);
    icon.addPixmap(icon.pixmap(32, 32));
    return icon;
}
} // namespace

QIcon StatusIcon(const QString& statusWord)
{
    static const QHash<QString, QIcon> images = {
        {QStringLiteral("SPECIAL"), loadIcon(QStringLiteral(":/icons/shield-yellow.svg"))},
        {QStringLiteral("COMPLETE"), loadIcon(QStringLiteral(":/icons/shield-green.svg"))},
        {QStringLiteral("INCOMPLETE"), loadIcon(QStringLiteral(":/icons/shield-red.svg"))},
    };
    return images.value(statusWord);
}

QIcon CalendarIcon()
{
    static const QIcon icon = loadIcon(QStringLiteral(":/icons/calendar.svg"));
    return icon;
}

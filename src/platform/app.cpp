// SPDX-License-Identifier: MIT
#include "app.h"

#include <QCoreApplication>

namespace
{
QString& overridePath()
{
    static QString path;
    return path;
}
} // namespace

namespace App
{

QString Path()
{
    if (!overridePath().isEmpty())
        return overridePath();
    return QCoreApplication::applicationDirPath();
}

void SetPath(const QString& path)
{
    overridePath() = path;
}

int Major()
{
    return DUEBOARD_VERSION_MAJOR;
}
int Minor()
{
    return DUEBOARD_VERSION_MINOR;
}
int Revision()
{
    return DUEBOARD_VERSION_PATCH;
}

} // namespace App

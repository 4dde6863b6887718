// SPDX-License-Identifier: MIT
#include "app.h"

#include <QCoreApplication>
#include <QFileInfo>

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

QString Icon()
{
    const QString name = QStringLiteral("org.example.Dueboard");
    const QString file = Path() + u'/' + name + QStringLiteral(".svg");
    return QFileInfo(file).isFile() ? file : name;
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

// SPDX-License-Identifier: MIT
#include "app.h"

#include "error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

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

bool DataInHome()
{
    return QFileInfo(QDir(Path()).filePath(PackageMarker)).isFile();
}

QString DatabaseFolder()
{
    if (!DataInHome())
        return Path();
    // The base directory rules ignore a relative path, as if the variable were unset.
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (QDir::isAbsolutePath(data))
        return QDir::cleanPath(data + QStringLiteral("/dueboard"));
    const QString home = qEnvironmentVariable("HOME");
    if (QDir::isAbsolutePath(home))
        return QDir::cleanPath(home + QStringLiteral("/.local/share/dueboard"));
    throw Error(QStringLiteral("Cannot find the data folder for the task database: neither "
                               "XDG_DATA_HOME nor HOME is an absolute path"));
}

QString DatabaseFile()
{
    return DatabaseFolder() + u'/' + DatabaseName;
}

void MakeDatabaseFolder()
{
    const QString folder = DatabaseFolder();
    QString made;
    for (const QString& part : folder.split(u'/', Qt::SkipEmptyParts)) {
        made += u'/' + part;
        if (::mkdir(QFile::encodeName(made).constData(), 0700) != 0 && errno != EEXIST)
            throw Error(QStringLiteral("Cannot make the folder %1 for the task database: %2")
                            .arg(made, QString::fromLocal8Bit(std::strerror(errno))));
    }
    if (!QFileInfo(folder).isDir())
        throw Error(QStringLiteral("Cannot make the folder %1 for the task database: a file "
                                   "of that name is in the way")
                        .arg(folder));
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

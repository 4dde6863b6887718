// SPDX-License-Identifier: MIT
#include "reminders/zonechange.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <ctime>

namespace
{

QString ZoneFile()
{
    if (!qEnvironmentVariableIsSet("TZ"))
        return QStringLiteral("/etc/localtime");
    QByteArray tz = qgetenv("TZ");
    if (tz.startsWith(':'))
        tz.remove(0, 1);
    const QString path = QFile::decodeName(tz);
    return QDir::isAbsolutePath(path) ? path : QString();
}

QByteArray Read(const QString& file)
{
    QFile zone(file);
    return zone.open(QIODevice::ReadOnly) ? zone.readAll() : QByteArray();
}

// The C library reads the zone file again when TZ changes, or when TZ is unset and the file is
// another one; under an unchanged TZ it keeps the zone it read. Qt asks it for every local time.
void ReadZoneAgain()
{
    if (qEnvironmentVariableIsSet("TZ")) {
        const QByteArray tz = qgetenv("TZ");
        qputenv("TZ", "UTC0");
        ::tzset();
        qputenv("TZ", tz);
    }
    ::tzset();
}

} // namespace

ZoneChanges::ZoneChanges(QObject* parent) : QObject(parent), m_file(ZoneFile())
{
    if (m_file.isEmpty())
        return;
    m_zone = Read(m_file);
    // The folder too: tools replace the file (a new link renamed over it) rather than write it.
    m_watcher.addPath(QFileInfo(m_file).absolutePath());
    WatchFile();
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &ZoneChanges::Look);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &ZoneChanges::Look);
}

// Watched anew each time: a link put in its place leads to another file. A file in the middle of
// being replaced is awaited.
void ZoneChanges::WatchFile()
{
    m_watcher.removePath(m_file);
    if (QFileInfo::exists(m_file))
        m_watcher.addPath(m_file);
}

void ZoneChanges::Look()
{
    WatchFile();
    const QByteArray zone = Read(m_file);
    if (zone.isEmpty() || zone == m_zone)
        return;
    m_zone = zone;
    ReadZoneAgain();
    emit Changed();
}

// SPDX-License-Identifier: MIT
#include "reminders/zonechange.h"

#include <QFile>
#include <QFileInfo>
#include <ctime>

namespace
{

QByteArray Read(const QString& file)
{
    QFile zone(file);
    return zone.open(QIODevice::ReadOnly) ? zone.readAll() : QByteArray();
}

} // namespace

ZoneChanges::ZoneChanges(QObject* parent) : QObject(parent)
{
    // A zone TZ names stays for the program's run: the C library reads it once, and reads it
    // again only when TZ changes, which no thread of this program may do while others run.
    if (qEnvironmentVariableIsSet("TZ"))
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
    // Under an unset TZ the C library reads the file again once it is another one.
    ::tzset();
    emit Changed();
}

// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QObject>

// Tells when the local time zone changes: the zone file (/etc/localtime, or the file TZ names)
// is replaced or rewritten. The C library is made to read the zone again first, so that local
// dates and times follow at once.
class ZoneChanges : public QObject
{
    Q_OBJECT
public:
    explicit ZoneChanges(QObject* parent = nullptr);

signals:
    void Changed();

private:
    void WatchFile();
    void Look();

    QString m_file; // empty when TZ names a zone, which never changes under the program
    QByteArray m_zone;
    QFileSystemWatcher m_watcher;
};

// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QObject>

// Tells when the local time zone changes: /etc/localtime is replaced or rewritten. The C library
// reads the zone again first, so that local dates and times follow at once. Under a TZ of the
// person's own the zone does not change.
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

    const QString m_file = QStringLiteral("/etc/localtime");
    QByteArray m_zone;
    QFileSystemWatcher m_watcher;
};

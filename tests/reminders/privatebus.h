// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// A bus daemon of the test's own, with nothing to activate: it stands for the session bus or
// the system bus. Throws std::runtime_error when it cannot start.
class PrivateBus
{
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    QString Address() const { return m_address; }
    // A connection of its own to the bus, under a name unique in the process.
    QDBusConnection Connect();

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};

// logind as the program hears it: its name on a bus, and its word before a suspend (start) and
// on waking. Throws std::runtime_error when the name cannot be had.
class Logind
{
public:
    explicit Logind(PrivateBus& bus);
    void PrepareForSleep(bool start);

private:
    QDBusConnection m_connection;
};

// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QProcessEnvironment>
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
    // The environment of a program that uses this bus as its session bus.
    QProcessEnvironment Environment() const;

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

// A display and a real notification server (dunst) on a bus. Throws std::runtime_error when
// either cannot start.
class NotificationServer
{
public:
    explicit NotificationServer(PrivateBus& bus);
    ~NotificationServer();
    NotificationServer(const NotificationServer&) = delete;
    NotificationServer& operator=(const NotificationServer&) = delete;

    int Displayed();  // how many notifications are on screen
    void ChooseTop(); // the person chooses the top one (its default action)
    void CloseAll();  // the person dismisses them
    // The bodies of the notifications dismissed so far, the latest first.
    QStringList History();

private:
    QString Control(const QStringList& arguments);

    QProcessEnvironment m_environment;
    QProcess m_display;
    QProcess m_server;
};

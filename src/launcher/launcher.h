// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusConnection>
#include <QString>
#include <chrono>
#include <optional>

inline constexpr auto kServiceName = "Dueboard.clsDueboard";
inline constexpr auto kObjectPath = "/clsDueboard";
inline constexpr auto kInterfaceName = "Dueboard.clsDueboard";
inline constexpr auto kServerProgram = "dueboard-server";
inline constexpr auto kInitDbProgram = "dueboard-initdb";

// The exit statuses of the launcher, so that a script can tell the causes apart.
enum class LaunchStatus : int {
    Ok = 0,
    CallFailed = 1,
    NoSessionBus = 2,
    ServerNotStarted = 3,
    CallTimedOut = 4,
    NoDatabase = 5,
};

struct LaunchResult {
    LaunchStatus status = LaunchStatus::Ok;
    QString message; // one line naming the cause; empty on success
};

struct LaunchTimeouts {
    // Opening the main window opens the database too, so the call gets a generous limit.
    std::chrono::milliseconds call{25000};
    std::chrono::milliseconds start{10000};
};

// Where the database lives in the person's data folder (a program directory the package
// installed), the first start makes it there with the database tool, since the program itself
// never creates one. nullopt when the database is there or was made; otherwise why not.
std::optional<LaunchResult> MakeDatabase(const QString& initDbPath);

// Makes the running program show its main screen: calls the owner of the bus name, lets the bus
// activate the program where a service file exists, and otherwise starts serverPath itself.
LaunchResult Launch(const QDBusConnection& bus, const QString& serverPath,
                    LaunchTimeouts timeouts = {});

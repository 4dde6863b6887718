// SPDX-License-Identifier: MIT
#pragma once

#include "shell/busobject.h"

#include <QDBusConnection>
#include <QObject>
#include <QTimer>
#include <chrono>

inline constexpr auto kIdleTime = std::chrono::seconds(30);

// The program's automation object, published on the session bus at /clsDueboard under the
// name Dueboard.clsDueboard. A publication that fails is ignored: the object works all the same.
// While no window is loaded and ShowMainScreen has not been called for the idle time, the
// program ends.
class clsDueboard : public QObject
{
    Q_OBJECT
public:
    explicit clsDueboard(QDBusConnection bus, std::chrono::milliseconds idleTime = kIdleTime);

    // Whether the bus name was taken: another instance holds it when this is false.
    bool Published() const { return m_ROTCookie != 0; }

public slots:
    // Loads the tray host window once, then shows the main window. An error ends the call: a
    // caller on the bus gets it as the method's error reply (BusObject), a caller in the program
    // as the exception.
    void ShowMainScreen();

private:
    void Publish(QDBusConnection& bus);

    quint32 m_ROTCookie = 0; // the bus's answer to the name request, once the name is ours
    BusObject m_busObject{*this};
    QTimer m_idle;
};

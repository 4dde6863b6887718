// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <ctime>

// Sets the process's local time zone (TZ) for its own lifetime.
class LocalZone
{
public:
    explicit LocalZone(const QByteArray& tz)
        : m_was(qgetenv("TZ")), m_wasSet(qEnvironmentVariableIsSet("TZ"))
    {
        qputenv("TZ", tz);
        ::tzset();
    }
    ~LocalZone()
    {
        if (m_wasSet)
            qputenv("TZ", m_was);
        else
            qunsetenv("TZ");
        ::tzset();
    }
    LocalZone(const LocalZone&) = delete;
    LocalZone& operator=(const LocalZone&) = delete;

private:
    QByteArray m_was;
    bool m_wasSet;
};

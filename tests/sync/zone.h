// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <ctime>

// The machine's time zone for a test: Pacific/Auckland unless set otherwise, far from UTC so
// that a wrong conversion moves the day; the zone before is back when it ends.
class TestZone
{
public:
    TestZone() : m_before(qgetenv("TZ")) { Set("Pacific/Auckland"); }
    ~TestZone()
    {
        qputenv("TZ", m_before);
        tzset();
    }
    TestZone(const TestZone&) = delete;
    TestZone& operator=(const TestZone&) = delete;
    static void Set(const char* zone)
    {
        qputenv("TZ", zone);
        tzset();
    }

private:
    QByteArray m_before;
};

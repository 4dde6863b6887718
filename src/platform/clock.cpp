// SPDX-License-Identifier: MIT
#include "clock.h"

namespace
{
QDate& pinned()
{
    static QDate day;
    return day;
}
} // namespace

QDate Today()
{
    return pinned().isValid() ? pinned() : QDate::currentDate();
}

namespace Clock
{
void SetToday(const QDate& day)
{
    pinned() = day;
}
void Reset()
{
    pinned() = QDate();
}
} // namespace Clock

// SPDX-License-Identifier: MIT
#pragma once

#include <QDate>

// The system's local date. Tests pin it so that "today" and "past due" are repeatable.
QDate Today();

namespace Clock
{
void SetToday(const QDate& day); // pins Today() to day
void Reset();                    // back to the system clock
} // namespace Clock

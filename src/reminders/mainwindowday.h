// SPDX-License-Identifier: MIT
#pragma once

#include "runtime/whennoneopen.h"

#include <QDate>

// Brings a loaded main window up to a new day. Its Past Due and "T" buttons follow the date; a
// window on the day that ended moves on to today as "T" would, unless its details hold an edit
// not yet saved. While a dialog or a menu is open, this waits until it closes, so that no command
// in progress finds another task current. A window that is not loaded stays so.
class MainWindowDay
{
public:
    // ended: the day the program knew until now.
    void DayChanged(const QDate& ended);

private:
    void Apply();

    QDate m_ended; // the day the window was last brought up to; null when nothing is waiting
    WhenNoneOpen m_apply{[this] { Apply(); }};
};

// SPDX-License-Identifier: MIT
#pragma once

#include <QDate>
#include <QString>

// Dates as the program writes them: m/d/yyyy, month first whatever the locale, one or two
// digits for month and day and four for the year. An invalid QDate for anything else.
QDate ParseMonthFirst(const QString& text);

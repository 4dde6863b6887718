// SPDX-License-Identifier: MIT
#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

// Dates as the program writes them: m/d/yyyy, month first whatever the locale, one or two
// digits for month and day and four for the year. An invalid QDate for anything else.
QDate ParseMonthFirst(const QString& text);

// The locale's short date format with the year always in four digits ("M/d/yyyy" for en_US,
// "dd.MM.yyyy" for de_DE): a two-digit year is ambiguous in lists of old tasks.
QString ShortDateFormatWithFullYear(const QLocale& locale);
// A date as a person of that locale reads it in a list: the short format with the full year.
QString ShortDateText(const QDate& day, const QLocale& locale = QLocale());

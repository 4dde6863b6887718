// SPDX-License-Identifier: MIT
#pragma once

#include <QDate>
#include <QString>

// The program's statements are written in the Jet dialect. The one construct SQLite does not
// share is the date literal #m/d/yyyy#, read month first whatever the locale; it becomes the
// ISO text 'yyyy-MM-dd' that TASK_DATE holds. Text inside single quotes is left alone.
// A malformed literal throws adodb::DbError rather than matching the wrong rows.
QString TranslateJetSql(const QString& jetSql);

// m/d/yyyy: no leading zeros, four-digit year, whatever the locale (3/5/2026).
QString FormatDateMDY(const QDate& day);
// Reads text that holds a date (m/d/yyyy, or ISO yyyy-MM-dd); an invalid QDate otherwise.
QDate ParseDateText(const QString& text);

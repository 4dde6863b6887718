// SPDX-License-Identifier: MIT
#include "datetext.h"

#include <QRegularExpression>

QDate ParseMonthFirst(const QString& text)
{
    static const QRegularExpression mdy(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{4})$"));
    const QRegularExpressionMatch m = mdy.match(text);
    if (!m.hasMatch())
        return {};
    return QDate(m.captured(3).toInt(), m.captured(1).toInt(), m.captured(2).toInt());
}

QString ShortDateFormatWithFullYear(const QLocale& locale)
{
    QString format = locale.dateFormat(QLocale::ShortFormat);
    static const QRegularExpression years(QStringLiteral("y+"));
    return format.replace(years, QStringLiteral("yyyy"));
}

QString ShortDateText(const QDate& day, const QLocale& locale)
{
    return locale.toString(day, ShortDateFormatWithFullYear(locale));
}

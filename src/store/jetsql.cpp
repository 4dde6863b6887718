// SPDX-License-Identifier: MIT
#include "jetsql.h"

#include "adodb.h"
#include "platform/datetext.h"

#include <QRegularExpression>

namespace
{

QDate parseIso(const QString& text)
{
    static const QRegularExpression iso(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    if (!iso.match(text).hasMatch())
        return {};
    return QDate::fromString(text, Qt::ISODate);
}

} // namespace

QString FormatDateMDY(const QDate& day)
{
    return QStringLiteral("%1/%2/%3")
        .arg(day.month())
        .arg(day.day())
        .arg(day.year(), 4, 10, QChar('0'));
}

QDate ParseDateText(const QString& text)
{
    const QString trimmed = text.trimmed();
    const QDate mdy = ParseMonthFirst(trimmed);
    return mdy.isValid() ? mdy : parseIso(trimmed);
}

QString TranslateJetSql(const QString& jetSql)
{
    QString out;
    out.reserve(jetSql.size() + 8);
    bool inString = false;
    for (qsizetype i = 0; i < jetSql.size(); ++i) {
        const QChar c = jetSql.at(i);
        if (c == QLatin1Char('\'')) {
            inString = !inString; // a doubled quote toggles twice and stays inside
        } else if (c == QLatin1Char('#') && !inString) {
            const qsizetype close = jetSql.indexOf(QLatin1Char('#'), i + 1);
            if (close < 0)
                throw adodb::DbError(
                    QStringLiteral("Syntax error in date literal: unclosed '#' in \"%1\"")
                        .arg(jetSql));
            const QString literal = jetSql.mid(i + 1, close - i - 1);
            const QDate day = ParseMonthFirst(literal.trimmed());
            if (!day.isValid())
                throw adodb::DbError(
                    QStringLiteral(
                        "Syntax error in date literal #%1#: expected a valid m/d/yyyy date")
                        .arg(literal));
            out += QLatin1Char('\'') + day.toString(Qt::ISODate) + QLatin1Char('\'');
            i = close;
            continue;
        }
        out += c;
    }
    return out;
}

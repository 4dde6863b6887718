// SPDX-License-Identifier: MIT
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <ostream>

// Readable gtest failure messages for the Qt types the tests compare.
inline std::ostream& operator<<(std::ostream& os, const QString& s)
{
    return os << '"' << s.toStdString() << '"';
}
inline std::ostream& operator<<(std::ostream& os, const QStringList& list)
{
    return os << '[' << list.join(QStringLiteral(", ")).toStdString() << ']';
}
inline std::ostream& operator<<(std::ostream& os, const QDate& d)
{
    return os << d.toString(Qt::ISODate).toStdString();
}

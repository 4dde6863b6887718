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

// gtest prints containers element by element unless told how to print the whole.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << s;
}
inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << list;
}
inline void PrintTo(const QDate& d, std::ostream* os)
{
    *os << d;
}

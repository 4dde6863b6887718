// SPDX-License-Identifier: MIT
#pragma once

#include "platform/error.h"

#include <QString>
#include <QVariant>
#include <memory>

// The task file's connection and its recordsets: a recordset walks a statement's rows one at a
// time and writes changed or added rows back. Statements are written with #m/d/yyyy# date
// literals, which jetsql.h turns into SQLite's text before the engine sees them.
namespace adodb
{

inline constexpr int adUseServer = 2;
inline constexpr int adUseClient = 3;
inline constexpr int adOpenStatic = 3;
inline constexpr int adLockOptimistic = 3;
inline constexpr int adCmdUnspecified = -1;
inline constexpr int adConnectUnspecified = -1;
inline constexpr int adModeUnknown = 0;
inline constexpr int adModeRead = 1;

// Every database failure: the engine's description, naming the file concerned.
class DbError : public Error
{
public:
    using Error::Error;
};

class Connection;
class Recordset;

// How long a statement waits for another process's lock on the file before it fails
// ("database is locked"). Three seconds unless set.
void SetBusyTimeout(int milliseconds);

// One column of a recordset's current row, read with Value() and written by assignment.
// Date columns (TASK_DATE) read as QDate and accept a QDate or date text ("3/7/2026").
class Field
{
public:
    QVariant Value() const;
    Field& operator=(const QVariant& value);

private:
    friend class Recordset;
    Field(Recordset& rs, int column) : m_rs(rs), m_column(column) {}
    Recordset& m_rs;
    int m_column;
};

class Connection
{
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Set before Open: adModeRead reads the file without writing it or needing leave to.
    int Mode = adModeUnknown;

    // "PROVIDER=MICROSOFT.JET.OLEDB.4.0;DATA SOURCE=<file>". The file must already be a
    // Dueboard database; it is never created here.
    void Open(const QString& connectionString, const QString& userId = {},
              const QString& password = {}, int options = adConnectUnspecified);
    void Execute(const QString& commandText, int options = adCmdUnspecified);
    void Close();

    bool IsOpen() const;
    QString FilePath() const;
    struct Impl;
    Impl& impl() const;

private:
    std::unique_ptr<Impl> m_impl;
};

class Recordset
{
public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    int CursorLocation = adUseServer;

    void Open(const QString& source, Connection& activeConnection, int cursorType = adOpenStatic,
              int lockType = adLockOptimistic, int options = adCmdUnspecified);
    bool Eof() const; // ADO's EOF; the name is taken by a C macro
    Field Fields(const QString& name);
    void MoveNext();
    void AddNew();
    void Update();
    void Close();

    struct Impl;
    Impl& impl() const;

private:
    friend class Field;
    std::unique_ptr<Impl> m_impl;
};

} // namespace adodb

// SPDX-License-Identifier: MIT
#pragma once

#include "recordedmsgbox.h"
#include "store/appfunctions.h"

#include <QDate>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <gtest/gtest.h>

// A fresh program directory for one test. Construction makes a temporary directory with an
// empty Dueboard.mdb, points App::Path() at it, pins Today() to TempDb::Today, records every
// message box and opens gConnection. Destruction undoes all of it.
//
//   TEST_F(TempDbTest, ...) { db.AddTask(1, "Title", "Notes", TempDb::Today); ... }
//
// Message boxes: msgBox records each prompt and answers questions (recordedmsgbox.h).
class TempDb
{
public:
    static inline const QDate Today{2026, 3, 5}; // a Thursday

    enum class Connect { Open, Closed };
    explicit TempDb(Connect connect = Connect::Open);
    ~TempDb();
    TempDb(const TempDb&) = delete;
    TempDb& operator=(const TempDb&) = delete;

    QString Dir() const;  // the program directory, App::Path()
    QString File() const; // Dir() + "/Dueboard.mdb"

    // Inserts a row straight into TASKS through a separate SQLite connection.
    void AddTask(qint32 id, const QString& title, const QString& description, const QDate& date,
                 const QString& status = TaskStatus::INCOMPLETE) const;
    // Makes TASKS the table of a database that another tool made, with no checks on TASK_DATE,
    // so that rows can hold whatever such a tool writes there.
    void DropDateChecks() const;
    // Runs SQLite statements on the file through a separate connection, outside the store.
    void Exec(const QString& sql) const;
    // The first column of the first row of a query (null when there is none).
    QVariant Scalar(const QString& sql) const;

    RecordedMsgBox msgBox;

private:
    void restore();

    QTemporaryDir m_dir;
};

// A test fixture that owns a TempDb named db.
class TempDbTest : public ::testing::Test
{
protected:
    TempDb db;
};

// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusContext>
#include <QObject>

// Stands in for dueboard-server in the launcher tests. FAKE_SERVER_MODE says how it behaves:
// "ok" answers, "fail" answers with an error, "hang" never answers, "late" takes the bus name
// after a pause and "never" not at all; "exit-N" ends at once with status N, "crash" aborts. Each
// start, name taken, name lost and call is appended to the file FAKE_SERVER_LOG as "event pid".
class FakeServer : public QObject, protected QDBusContext
{
    Q_OBJECT
public:
    explicit FakeServer(QString mode) : m_mode(std::move(mode)) {}

public slots:
    void ShowMainScreen();

private:
    QString m_mode;
};

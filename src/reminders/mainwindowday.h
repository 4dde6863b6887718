// SPDX-License-Identifier: MIT
#pragma once

#include <QDate>
#include <QObject>
#include <QPointer>

class QWidget;

// Brings a loaded main window up to a new day. Its Past Due and "T" buttons follow the date; a
// window on the day that ended moves on to today as "T" would, unless its details hold an edit
// not yet saved. While a dialog or a menu is open, this waits until it closes, so that no command
// in progress finds another task current. A window that is not loaded stays so.
class MainWindowDay : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // ended: the day the program knew until now.
    void DayChanged(const QDate& ended);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Apply();
    bool WaitForOpenWindow();

    QDate m_ended; // the day the window was last brought up to; null when nothing is waiting
    QPointer<QWidget> m_awaited;
};

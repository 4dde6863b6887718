// SPDX-License-Identifier: MIT
#include "reminders/mainwindowday.h"

#include "controls/datepicker.h"
#include "runtime/errors.h"
#include "runtime/forms.h"
#include "ui/main/frmmain.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <utility>

void MainWindowDay::DayChanged(const QDate& ended)
{
    // A change while waiting leaves the window where it was at the first one.
    if (m_ended.isNull())
        m_ended = ended;
    Apply();
}

void MainWindowDay::Apply()
{
    if (m_ended.isNull() || WaitForOpenWindow())
        return;
    const QDate ended = std::exchange(m_ended, QDate());
    if (!IsFormLoaded(QStringLiteral("frmMain")))
        return;
    frmMain& main = Forms::Instance<frmMain>();
    Guard(QStringLiteral("Showing the new day"), [&main, ended] {
        if (main.DTPicker1->HoldsDate() && main.DTPicker1->Value() == ended &&
            !main.DetailsEdited()) {
            main.cmdToday_Click();
            return;
        }
        main.SetTodayButton();
        main.SetPastDueButton();
    });
}

// True while a modal window or a pop-up menu is open; Apply runs again once it has closed.
bool MainWindowDay::WaitForOpenWindow()
{
    QWidget* open = QApplication::activeModalWidget();
    if (!open)
        open = QApplication::activePopupWidget();
    if (!open)
        return false;
    if (m_awaited != open) {
        if (m_awaited)
            m_awaited->removeEventFilter(this);
        m_awaited = open;
        open->installEventFilter(this);
        connect(open, &QObject::destroyed, this,
                [this] { QTimer::singleShot(0, this, &MainWindowDay::Apply); });
    }
    return true;
}

// Looked at once the handler that closed it is done: another may be open by then.
bool MainWindowDay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_awaited && event->type() == QEvent::Hide) {
        m_awaited->removeEventFilter(this);
        m_awaited = nullptr;
        QTimer::singleShot(0, this, &MainWindowDay::Apply);
    }
    return QObject::eventFilter(watched, event);
}

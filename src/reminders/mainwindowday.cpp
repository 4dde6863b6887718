// SPDX-License-Identifier: MIT
#include "reminders/mainwindowday.h"

#include "controls/datepicker.h"
#include "runtime/errors.h"
#include "runtime/forms.h"
#include "ui/main/frmmain.h"

#include <utility>

void MainWindowDay::DayChanged(const QDate& ended)
{
    // A change while waiting leaves the window where it was at the first one.
    if (m_ended.isNull())
        m_ended = ended;
    m_apply.Request();
}

void MainWindowDay::Apply()
{
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

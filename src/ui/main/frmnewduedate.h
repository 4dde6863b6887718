// SPDX-License-Identifier: MIT
#pragma once

#include "runtime/form.h"

class DatePicker;
class QLabel;
class QPushButton;

// Picks a new due date for one task. The opener sets TaskID before showing it; the calendar
// then starts on the task's current due date.
class frmNewDueDate : public Form
{
    Q_OBJECT
public:
    frmNewDueDate();

    qint32 TaskID() const { return m_taskId; }
    void SetTaskID(qint32 taskId) { m_taskId = taskId; }

    void Form_Load() override;
    void cmdSave_Click();

    DatePicker* DTPicker1;
    QLabel* Label1;
    QPushButton* cmdSave;

private:
    qint32 m_taskId = 0;
};

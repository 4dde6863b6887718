// SPDX-License-Identifier: MIT
#pragma once

#include "runtime/form.h"

class DatePicker;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The task the new task dialog saved last: 0 until a save, so that the main window reloads
// only after one.
extern qint32 gNewTaskID;

class frmNewTask : public Form
{
    Q_OBJECT
public:
    frmNewTask();

    void Form_Load() override;
    void cmdSave_Click();

    QLineEdit* txtTitle;
    QPlainTextEdit* txtDescription;
    QCheckBox* chkSpecial;
    QPushButton* cmdSave;
    QLabel* Label3;
    DatePicker* DTPicker1;
    QLabel* Label2;
    QLabel* Label1;

protected:
    void showEvent(QShowEvent* event) override;
};

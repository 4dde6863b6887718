// SPDX-License-Identifier: MIT
#include "frmnewtask.h"

#include "controls/datepicker.h"
#include "frmmain.h"
#include "platform/msgbox.h"
#include "runtime/errors.h"
#include "runtime/forms.h"
#include "runtime/keys.h"
#include "runtime/layout.h"
#include "statusicons.h"
#include "store/appfunctions.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

qint32 gNewTaskID = 0;

frmNewTask::frmNewTask() : Form(QStringLiteral("frmNewTask"))
{
    setWindowTitle(QStringLiteral("New Task"));
    setWindowIcon(StatusIcon(TaskStatus::INCOMPLETE));
    SetClientSizeTwips(4725, 4155, true);
    CenterOnScreen();

    const QFont bold = SansSerifFont(8.25, true);
    QWidget* c = Client();
    txtTitle = Place(new QLineEdit(c), "txtTitle", Twips::Rect(720, 600, 3615, 285));
    txtDescription = MultiLineTextBox(c, "txtDescription", Twips::Rect(240, 1320, 4215, 1695));
    chkSpecial = Place(new QCheckBox(QStringLiteral("Mark &As Special"), c), "chkSpecial",
                       Twips::Rect(1440, 3240, 1815, 195));
    cmdSave = Place(new QPushButton(QStringLiteral("&Save"), c), "cmdSave",
                    Twips::Rect(1680, 3600, 1335, 375));
    Label3 = Place(new QLabel(QStringLiteral("D&escription"), c), "Label3",
                   Twips::Rect(240, 1080, 1095, 255));
    DTPicker1 = Place(new DatePicker(c), "DTPicker1", Twips::Rect(720, 240, 1815, 315));
    Label2 =
        Place(new QLabel(QStringLiteral("&Title:"), c), "Label2", Twips::Rect(240, 600, 615, 255));
    Label1 =
        Place(new QLabel(QStringLiteral("&Due:"), c), "Label1", Twips::Rect(240, 240, 495, 255));
    for (QWidget* w : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(Label2),
                       static_cast<QWidget*>(Label3), static_cast<QWidget*>(chkSpecial),
                       static_cast<QWidget*>(cmdSave)})
        w->setFont(bold);

    setTabOrder(txtTitle, txtDescription);
    setTabOrder(txtDescription, chkSpecial);
    setTabOrder(chkSpecial, cmdSave);
    setTabOrder(cmdSave, DTPicker1);

    connect(cmdSave, &QPushButton::clicked, this,
            [this] { Guard(QStringLiteral("Saving the new task"), [this] { cmdSave_Click(); }); });

    Label1->setBuddy(DTPicker1);
    Label2->setBuddy(txtTitle);
    Label3->setBuddy(txtDescription);
    DTPicker1->setAccessibleName(QStringLiteral("Due"));
    txtTitle->setAccessibleName(QStringLiteral("Title"));
    txtDescription->setAccessibleName(QStringLiteral("Description"));
    MarkAsDialog();
    AddWindowKeys(*this, cmdSave);
}

void frmNewTask::showEvent(QShowEvent* event)
{
    Form::showEvent(event);
    txtTitle->setFocus();
}

void frmNewTask::Form_Load()
{
    DTPicker1->SetValue(Forms::Instance<frmMain>().DTPicker1->Value());
    gNewTaskID = 0;
}

void frmNewTask::cmdSave_Click()
{
    if (!DTPicker1->HoldsDate()) {
        MsgBox(QStringLiteral("Invalid Date"));
        return;
    }
    if (txtTitle->text().isEmpty()) {
        MsgBox(QStringLiteral("Please Enter A Title"));
        return;
    }
    const QString status = chkSpecial->isChecked() ? TaskStatus::SPECIAL : TaskStatus::INCOMPLETE;
    const qint32 id = GetNextID(QStringLiteral("TASK"));

    adodb::Recordset rs;
    rs.Open(Sql::SelectTask(id), ActiveConnection(), adodb::adOpenStatic, adodb::adLockOptimistic,
            adodb::adCmdUnspecified);
    if (rs.Eof()) {
        rs.AddNew();
        rs.Fields(QStringLiteral("TASK_ID")) = id;
    }
    rs.Fields(QStringLiteral("TASK_TITLE")) = txtTitle->text();
    rs.Fields(QStringLiteral("DESCRIPTION")) = txtDescription->toPlainText();
    rs.Fields(QStringLiteral("TASK_DATE")) = DTPicker1->Value();
    rs.Fields(QStringLiteral("TASK_STATUS")) = status;
    rs.Update();
    rs.Close();

    gNewTaskID = id;
    Forms::Unload(*this);
}

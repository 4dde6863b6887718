// SPDX-License-Identifier: MIT
#include "frmnewduedate.h"

#include "controls/datepicker.h"
#include "platform/msgbox.h"
#include "runtime/errors.h"
#include "runtime/forms.h"
#include "runtime/keys.h"
#include "runtime/layout.h"
#include "statusicons.h"
#include "store/appfunctions.h"

#include <QLabel>
#include <QPushButton>

frmNewDueDate::frmNewDueDate() : Form(QStringLiteral("frmNewDueDate"))
{
    setWindowTitle(QStringLiteral("New Due Date"));
    setWindowIcon(CalendarIcon());
    SetClientSizeTwips(4680, 1350, true);

    const QFont bold = SansSerifFont(8.25, true);
    DTPicker1 = Place(new DatePicker(Client()), "DTPicker1", Twips::Rect(1800, 200, 1935, 315));

    Label1 = Place(new QLabel(QStringLiteral("New Due &Date"), Client()), "Label1",
                   Twips::Rect(360, 240, 1335, 255));
    Label1->setFont(bold);

    cmdSave = Place(new QPushButton(QStringLiteral("&Save"), Client()), "cmdSave",
                    Twips::Rect(1440, 720, 1575, 375));
    cmdSave->setFont(bold);
    connect(cmdSave, &QPushButton::clicked, this,
            [this] { Guard(QStringLiteral("Saving the due date"), [this] { cmdSave_Click(); }); });

    setTabOrder(DTPicker1, cmdSave);

    Label1->setBuddy(DTPicker1);
    DTPicker1->setAccessibleName(QStringLiteral("New Due Date"));
    MarkAsDialog();
    AddWindowKeys(*this, cmdSave);
}

void frmNewDueDate::Form_Load()
{
    DTPicker1->SetValue(GetTaskDate(m_taskId));
}

void frmNewDueDate::cmdSave_Click()
{
    if (!DTPicker1->HoldsDate()) {
        MsgBox(QStringLiteral("Invalid Date"));
        return;
    }
    SetTaskDate(m_taskId, FormatDateMDY(DTPicker1->Value()));
    Forms::Unload(*this);
}

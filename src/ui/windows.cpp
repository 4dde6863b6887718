// SPDX-License-Identifier: MIT
#include "windows.h"

#include "runtime/forms.h"
#include "ui/about/frmabout.h"
#include "ui/help/frmhelp.h"
#include "ui/pastdue/frmpastdue.h"

void RegisterWindows()
{
    Forms::Register(QStringLiteral("frmPastDue"),
                    []() -> Form& { return Forms::Instance<frmPastDue>(); });
    Forms::Register(QStringLiteral("frmHelp"),
                    []() -> Form& { return Forms::Instance<frmHelp>(); });
    Forms::Register(QStringLiteral("frmAbout"),
                    []() -> Form& { return Forms::Instance<frmAbout>(); });
}

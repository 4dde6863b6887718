// SPDX-License-Identifier: MIT
#include "shell/frmsystray.h"

#include "controls/systray/systray.h"
#include "platform/app.h"
#include "platform/msgbox.h"
#include "runtime/errors.h"
#include "runtime/forms.h"
#include "runtime/loadedforms.h"
#include "runtime/menus.h"
#include "runtime/popup.h"
#include "shell/clsdueboard.h"
#include "ui/main/frmmain.h"

#include <QMenu>
#include <QPointer>
#include <QTimer>

namespace
{
const QString kMainWindow = QStringLiteral("frmMain");
constexpr int kUnloadPasses = 9;
} // namespace

frmSysTray::frmSysTray() : Form(QStringLiteral("frmSysTray"))
{
    setWindowTitle(QStringLiteral("Form1"));
    setWindowIcon(QIcon(QStringLiteral(":/shell/frmsystray.svg")));
    SysTray1 = new SysTray(Client());
    SysTray1->setObjectName(QStringLiteral("SysTray1"));
    SysTray1->InitProperties();
    connect(SysTray1, &SysTray::RClick, this,
            [this] { Guard(QStringLiteral("The tray menu"), [this] { SysTray1_RClick(); }); });
    connect(SysTray1, &SysTray::DblClick, this, [this] {
        Guard(QStringLiteral("Showing the main window"), [this] { SysTray1_DblClick(); });
    });

    mnuTrayPopUp = new QMenu(QStringLiteral("Tray PopUp"), this);
    mnuTrayPopUp->setObjectName(QStringLiteral("mnuTrayPopUp"));
    mnuHideTasks =
        addCommand("mnuHideTasks", QStringLiteral("Hide Tasks"), &frmSysTray::mnuHideTasks_Click);
    mnuShowTasks =
        addCommand("mnuShowTasks", QStringLiteral("Show Tasks"), &frmSysTray::mnuShowTasks_Click);
    mnuExit = addCommand("mnuExit", QStringLiteral("Quit"), &frmSysTray::mnuExit_Click);
    // Hosts that draw the menu themselves read and size it before they ask to open it, so the
    // items follow the main window at all times; the host's request just before it shows the
    // menu, and the RClick, set them once more.
    connect(mnuTrayPopUp, &QMenu::aboutToShow, this, &frmSysTray::SetTrayMenuItems);
    connect(&LoadedForms::Instance(), &LoadedForms::Changed, this, &frmSysTray::LoadedFormsChanged);
    SysTray1->SetContextMenu(mnuTrayPopUp);

    // Once this window is gone and nothing else is loaded, the program is done.
    connect(this, &Form::Unloaded, this, &Forms::QuitWhenNoWindow);
}

QAction* frmSysTray::addCommand(const char* name, const QString& caption,
                                void (frmSysTray::*handler)())
{
    return AddMenuCommand(mnuTrayPopUp, name, caption, [this, handler] { (this->*handler)(); });
}

void frmSysTray::Form_Load()
{
    m_mainLoaded = IsFormLoaded(kMainWindow);
    SetTrayMenuItems();
    SysTray1->SetTrayType(0);
    SysTray1->SetTrayIcon(windowIcon());
    SysTray1->SetTrayTip(App::Title);
    SysTray1->SetTrayVisible(true);
}

void frmSysTray::Form_Unload()
{
    m_shuttingDown = true;
    QList<QPointer<Form>> others;
    for (Form* form : Forms::Loaded()) {
        if (form->Name() != Name())
            others.append(form);
    }
    for (const QPointer<Form>& form : others) {
        if (form)
            Forms::Unload(*form);
    }
    SysTray1->SetTrayVisible(false);
    DoEvents(kUnloadPasses);
}

void frmSysTray::SetTrayMenuItems()
{
    const bool mainLoaded = IsFormLoaded(kMainWindow);
    mnuShowTasks->setVisible(!mainLoaded);
    mnuHideTasks->setVisible(mainLoaded);
}

void frmSysTray::LoadedFormsChanged()
{
    if (!IsLoaded())
        return;
    SetTrayMenuItems();
    const bool mainLoaded = IsFormLoaded(kMainWindow);
    // Looked at once the command that unloaded it is done: "Quit" unloads this window next.
    if (m_mainLoaded && !mainLoaded)
        QTimer::singleShot(0, this, &frmSysTray::TellStillRunning);
    m_mainLoaded = mainLoaded;
}

// Without a notification area nothing is left on screen; the person learns how to come back.
void frmSysTray::TellStillRunning()
{
    if (!IsLoaded() || m_shuttingDown || IsFormLoaded(kMainWindow) || m_toldStillRunning ||
        NotificationAreaPresent())
        return;
    m_toldStillRunning = true;
    MsgBox(QStringLiteral("Dueboard is still running. Run dueboard to show the window again."));
}

void frmSysTray::SysTray1_RClick()
{
    SetTrayMenuItems();
    Popup::Open(*mnuTrayPopUp);
}

// A main window that is loaded is left as it is, even when minimised or behind others.
void frmSysTray::SysTray1_DblClick()
{
    if (!IsFormLoaded(kMainWindow))
        Forms::Show<frmMain>();
}

void frmSysTray::mnuHideTasks_Click()
{
    if (IsFormLoaded(kMainWindow))
        Forms::Unload(Forms::Instance<frmMain>());
}

void frmSysTray::mnuShowTasks_Click()
{
    Forms::Show<frmMain>();
}

void frmSysTray::mnuExit_Click()
{
    Forms::Unload(*this);
}

void RegisterTrayWindow()
{
    Forms::Register(QStringLiteral("frmSysTray"),
                    []() -> Form& { return Forms::Instance<frmSysTray>(); });
}

// SPDX-License-Identifier: MIT
#pragma once

#include "runtime/form.h"

class QAction;
class QMenu;
class SysTray;

// The hidden window that owns the program's icon in the notification area and its menu.
// Loaded once and never shown; unloading it shuts the program down.
class frmSysTray : public Form
{
    Q_OBJECT
public:
    frmSysTray();

    void Form_Load() override;
    void Form_Unload() override;

    void SysTray1_RClick();
    void SysTray1_DblClick();
    void mnuHideTasks_Click();
    void mnuShowTasks_Click();
    void mnuExit_Click();

    SysTray* SysTray1;
    QMenu* mnuTrayPopUp;
    QAction* mnuHideTasks;
    QAction* mnuShowTasks;
    QAction* mnuExit;

private:
    QAction* addCommand(const char* name, const QString& caption, void (frmSysTray::*handler)());
    void SetTrayMenuItems();
    void LoadedFormsChanged();
    void TellStillRunning();

    bool m_mainLoaded = false;
    bool m_toldStillRunning = false; // once per run
    bool m_shuttingDown = false;     // its unload lets events run before it completes
};

// Makes the tray host window known by name to the windows that cannot depend on this module.
void RegisterTrayWindow();

// SPDX-License-Identifier: MIT
#pragma once

#include "pastduemodel.h"
#include "runtime/form.h"

#include <functional>

class QAction;
class QMenu;
class QTreeView;
class RepeatMenu;

// Every open task due before today, oldest first, with how many days late it is. A
// right-click on a row offers the task commands; each command rebuilds the list.
class frmPastDue : public Form
{
    Q_OBJECT
public:
    frmPastDue();

    void Form_Load() override;
    void Form_Resize() override;
    void ShowPastDue();

    // Button 2 is the right button; x and y are twips within the list.
    void lstTasks_MouseDown(int Button, int Shift, double x, double y);

    void mnuMarkComplete_Click();
    void mnuDelete_Click();
    void mnuDueToday_Click();
    void mnuDueTomorrow_Click();
    void mnuProcrastinate_Click(int days); // mnuPro1 ... mnuPro7
    void mnuNewDueDate_Click();

    QTreeView* lstTasks;

    QMenu* mnuPopUp;
    QMenu* mnuProcrastinate;
    QAction* mnuMarkComplete;
    QAction* mnuDelete;
    QAction* mnuDueToday;
    QAction* mnuDueTomorrow;
    QAction* mnuNewDueDate;
    RepeatMenu* mnuRepeat; // the separator and "Repeat" that end mnuPopUp

    // The list's columns, in order.
    using enum PastDueModel::Column;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu();
    void pressCurrentRow();
    void sizeColumns();
    int selectedRow() const; // -1 when none
    // Runs a command on the selected row's task; a command that changed something (true)
    // has the list rebuilt.
    void runOnSelected(const std::function<bool(qint32 id)>& command);

    PastDueModel* m_rows;
};

// SPDX-License-Identifier: MIT
#pragma once

#include "runtime/form.h"

#include <optional>

class DatePicker;
class QAction;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The day view: one day's tasks with their status icons, the selected task's details, day
// navigation and the Past Due button. It owns the database connection while it is loaded.
class frmMain : public Form
{
    Q_OBJECT
public:
    frmMain();

    // The task whose details are shown and on which every task command acts; 0 for none.
    qint32 CurrentTaskID = 0;
    // Where the last press in the task list was, in twips relative to the list.
    qint32 LastMouseX = 0;
    qint32 LastMouseY = 0;

    void Form_Load() override;
    void Form_Unload() override;

    void ShowTasks(qint32 SelectTaskID);
    void DisplayTaskDetails(qint32 id);
    // Whether the person has changed the shown title or description since they were shown, and
    // not pressed "Update": work that reloads the window on its own keeps such an edit. A box
    // whose text is again what was shown counts as not edited.
    bool DetailsEdited() const;
    bool TitleEdited() const;
    bool DescriptionEdited() const;
    void SetPastDueButton();
    // "T" is offered on every day but today.
    void SetTodayButton();
    void SetPopUpMenuItems();

    void cmdPrev_Click();
    void cmdNext_Click();
    void cmdToday_Click();
    void DTPicker1_CloseUp();
    void cmdUpdate_Click();
    void cmdAddNew_Click();
    void cmdPastDue_Click();
    void tvwTasks_MouseDown(int Button, int Shift, double x, double y);
    void tvwTasks_DblClick();

    void mnuHide_Click();
    void mnuExit_Click();
    void mnuHelp_Click();
    void mnuAbout_Click();
    void mnuAutoStart_Click();
    void mnuMarkComplete_Click();
    void mnuMarkSpecial_Click();
    void mnuMarkNotSpecial_Click();
    void mnuMarkIncomplete_Click();
    void mnuDeleteTask_Click();
    void mnuDueToday_Click();
    void mnuDueTomorrow_Click();
    void mnuProcrastinate_Click(int days); // mnuPro1 ... mnuPro7
    void mnuNewDueDate_Click();

    DatePicker* DTPicker1;
    QLabel* Label1;
    QGroupBox* Frame1;
    QLabel* Label2;
    QLineEdit* txtTitle;
    QLabel* Label3;
    QPlainTextEdit* txtDescription;
    QPushButton* cmdPrev;
    QPushButton* cmdNext;
    QPushButton* cmdToday;
    QTreeWidget* tvwTasks;
    QPushButton* cmdUpdate;
    QPushButton* cmdAddNew;
    QPushButton* cmdPastDue;

    QMenu* mnuPopUp;
    QMenu* mnuNewTaskPopUp;
    QMenu* mnuProcrastinate;
    QAction* mnuMarkComplete;
    QAction* mnuMarkSpecial;
    QAction* mnuMarkNotSpecial;
    QAction* mnuMarkIncomplete;
    QAction* mnuDeleteTask;
    QAction* mnuDueToday;
    QAction* mnuDueTomorrow;
    QAction* mnuNewDueDate;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    QAction* addCommand(QMenu* menu, const char* name, const QString& caption,
                        void (frmMain::*handler)());
    bool selectTask(qint32 id);
    QTreeWidgetItem* taskNode(qint32 id) const;
    void clearDetails();
    void showPickedDay(const QDate& day, qint32 selectTaskId);
    void addKeyboard();
    bool tasksKeyPress(const QKeyEvent& key);
    void pressFocusedRow(int button);
    void openPopup(QMenu& menu);
    void markShownNode();

    std::optional<QPoint> m_menuAt; // where a menu opened from the keyboard goes
    quint64 m_reloads = 0;          // ShowTasks calls so far, to tell a reload nested in its events

    QString m_shownTitle;       // the title box's text as DisplayTaskDetails left it
    QString m_shownDescription; // the description box's text likewise
};

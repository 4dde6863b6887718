// SPDX-License-Identifier: MIT
#include "frmmain.h"

#include "controls/datepicker.h"
#include "frmnewduedate.h"
#include "frmnewtask.h"
#include "platform/app.h"
#include "platform/clock.h"
#include "platform/msgbox.h"
#include "runtime/errors.h"
#include "runtime/forms.h"
#include "runtime/keys.h"
#include "runtime/layout.h"
#include "runtime/menus.h"
#include "runtime/popup.h"
#include "statusicons.h"
#include "store/appfunctions.h"
#include "store/autostart.h"
#include "ui/listtext.h"
#include "ui/taskmenus.h"
#include "ui/taskrows.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextDocument>
#include <QTreeWidget>

namespace
{

constexpr int kRightButton = 2;
// The description box holds at most this many characters, as the title box holds 32767: laying
// out megabytes that another program stored would hold the window up for minutes.
constexpr qsizetype kDescriptionBoxLimit = 65535;

qint32 nodeTag(const QTreeWidgetItem* node)
{
    return node->data(0, Qt::UserRole).toInt();
}

// A stored text longer than its box holds is shown from its start, and the box is read-only:
// "Update" would write the part shown and lose the rest.
template <class Box>
void lockIfCut(Box& box, qsizetype stored, qsizetype limit, const QString& what)
{
    const bool whole = stored <= limit;
    box.setReadOnly(!whole);
    box.setToolTip(whole ? QString()
                         : QStringLiteral("This %1 is longer than the %2 characters this box "
                                          "holds: its beginning is shown, and it cannot be "
                                          "changed here, so that none of it is lost.")
                               .arg(what, QLocale().toString(limit)));
}

QPushButton* dayButton(QWidget* parent, const char* name, const QString& caption,
                       const QString& tip, int left)
{
    auto* button = Place(new QPushButton(caption, parent), name, Twips::Rect(left, 120, 315, 315));
    button->setToolTip(tip);
    button->setFont(SansSerifFont(8.25, true));
    return button;
}

} // namespace

frmMain::frmMain() : Form(QStringLiteral("frmMain"))
{
    setWindowTitle(App::Title);
    setWindowIcon(CalendarIcon());
    buildControls();
    buildMenus();
    addKeyboard();
    SetClientSizeTwips(8265, 3990, true);
    CenterOnScreen();
}

void frmMain::buildControls()
{
    const QFont bold = SansSerifFont(8.25, true);
    const QFont regular = SansSerifFont(8.25, false);
    QWidget* c = Client();

    DTPicker1 = Place(new DatePicker(c), "DTPicker1", Twips::Rect(840, 120, 1575, 315));
    Label1 =
        Place(new QLabel(QStringLiteral("&Date"), c), "Label1", Twips::Rect(240, 120, 495, 255));
    Label1->setFont(bold);

    Frame1 = Place(new QGroupBox(QStringLiteral("Details"), c), "Frame1",
                   Twips::Rect(3720, 600, 4455, 3255));
    Frame1->setFont(bold);
    Label2 = Place(new QLabel(QStringLiteral("&Title:"), Frame1), "Label2",
                   Twips::Rect(120, 360, 615, 255));
    txtTitle = Place(new QLineEdit(Frame1), "txtTitle", Twips::Rect(600, 360, 3615, 285));
    Label3 = Place(new QLabel(QStringLiteral("De&scription"), Frame1), "Label3",
                   Twips::Rect(120, 840, 1095, 255));
    txtDescription = MultiLineTextBox(Frame1, "txtDescription", Twips::Rect(120, 1080, 4215, 1695));
    cmdUpdate = Place(new QPushButton(QStringLiteral("&Update"), Frame1), "cmdUpdate",
                      Twips::Rect(1680, 2880, 1095, 255));
    for (QWidget* w : {static_cast<QWidget*>(Label2), static_cast<QWidget*>(Label3)})
        w->setFont(bold);
    for (QWidget* w : {static_cast<QWidget*>(txtTitle), static_cast<QWidget*>(txtDescription),
                       static_cast<QWidget*>(cmdUpdate)})
        w->setFont(regular);

    cmdPrev = dayButton(c, "cmdPrev", QStringLiteral("<"), QStringLiteral("Previous Day"), 2520);
    cmdNext = dayButton(c, "cmdNext", QStringLiteral(">"), QStringLiteral("Next Day"), 3240);
    cmdToday = dayButton(c, "cmdToday", QStringLiteral("T"), QStringLiteral("Today"), 2880);

    tvwTasks = Place(new QTreeWidget(c), "tvwTasks", Twips::Rect(120, 600, 3375, 3255));
    tvwTasks->setHeaderHidden(true);
    tvwTasks->setRootIsDecorated(false);
    tvwTasks->setUniformRowHeights(true);
    tvwTasks->setIconSize(QSize(32, 32));
    tvwTasks->setSelectionMode(QAbstractItemView::SingleSelection);
    tvwTasks->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvwTasks->setContextMenuPolicy(Qt::PreventContextMenu);
    KeepIconPlace(*tvwTasks);
    tvwTasks->viewport()->installEventFilter(this);

    cmdAddNew = Place(new QPushButton(QStringLiteral("Add &New"), c), "cmdAddNew",
                      Twips::Rect(4080, 120, 1095, 315));
    cmdPastDue = Place(new QPushButton(QStringLiteral("&Past Due"), c), "cmdPastDue",
                       Twips::Rect(5280, 120, 1935, 315));
    cmdPastDue->setFont(bold);
    cmdPastDue->setStyleSheet(QStringLiteral(
        "QPushButton { background-color: #ff0000; color: #000000; border: 1px solid #7f0000;"
        " border-radius: 2px; } QPushButton:pressed { background-color: #d00000; }"
        " QPushButton:focus { border: 2px solid #000000; }"));

    QWidget* order[] = {DTPicker1, txtTitle, txtDescription, cmdPrev,   cmdNext,
                        cmdToday,  tvwTasks, cmdUpdate,      cmdAddNew, cmdPastDue};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    auto on = [this](QPushButton* button, const QString& what, void (frmMain::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                [this, what, handler] { Guard(what, [this, handler] { (this->*handler)(); }); });
    };
    on(cmdPrev, QStringLiteral("Showing the previous day"), &frmMain::cmdPrev_Click);
    on(cmdNext, QStringLiteral("Showing the next day"), &frmMain::cmdNext_Click);
    on(cmdToday, QStringLiteral("Showing today"), &frmMain::cmdToday_Click);
    on(cmdUpdate, QStringLiteral("Saving the task's details"), &frmMain::cmdUpdate_Click);
    on(cmdAddNew, QStringLiteral("Adding a task"), &frmMain::cmdAddNew_Click);
    on(cmdPastDue, QStringLiteral("Showing the past due tasks"), &frmMain::cmdPastDue_Click);
    connect(DTPicker1, &DatePicker::CloseUp, this, [this] {
        Guard(QStringLiteral("Showing the chosen day"), [this] { DTPicker1_CloseUp(); });
    });
}

QAction* frmMain::addCommand(QMenu* menu, const char* name, const QString& caption,
                             void (frmMain::*handler)())
{
    return AddMenuCommand(menu, name, caption, [this, handler] { (this->*handler)(); });
}

void frmMain::buildMenus()
{
    QMenu* mnuFile = MenuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    addCommand(mnuFile, "mnuAddNew", QStringLiteral("&Add New Task..."), &frmMain::cmdAddNew_Click);
    mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuB"));
    addCommand(mnuFile, "mnuHide", QStringLiteral("&Hide"), &frmMain::mnuHide_Click);
    addCommand(mnuFile, "mnuExit", QStringLiteral("&Quit"), &frmMain::mnuExit_Click);

    QMenu* mnuH = MenuBar()->addMenu(QStringLiteral("&Extras"));
    mnuH->setObjectName(QStringLiteral("mnuH"));
    addCommand(mnuH, "mnuHelp", QStringLiteral("Show &Help"), &frmMain::mnuHelp_Click);
    mnuH->addSeparator()->setObjectName(QStringLiteral("mnuD4"));
    addCommand(mnuH, "mnuAutoStart", QStringLiteral("Auto-&Start Options"),
               &frmMain::mnuAutoStart_Click);
    mnuH->addSeparator()->setObjectName(QStringLiteral("mnuD6"));
    addCommand(mnuH, "mnuAbout", QStringLiteral("&About"), &frmMain::mnuAbout_Click);

    // The two context menus are never part of the menu bar.
    mnuPopUp = new QMenu(QStringLiteral("PopUp"), this);
    mnuPopUp->setObjectName(QStringLiteral("mnuPopUp"));
    mnuMarkComplete = addCommand(mnuPopUp, "mnuMarkComplete", QStringLiteral("Mark &Complete"),
                                 &frmMain::mnuMarkComplete_Click);
    mnuMarkSpecial = addCommand(mnuPopUp, "mnuMarkSpecial", QStringLiteral("Mark &Special"),
                                &frmMain::mnuMarkSpecial_Click);
    mnuMarkNotSpecial =
        addCommand(mnuPopUp, "mnuMarkNotSpecial", QStringLiteral("Mark &Not Special"),
                   &frmMain::mnuMarkNotSpecial_Click);
    mnuMarkIncomplete =
        addCommand(mnuPopUp, "mnuMarkIncomplete", QStringLiteral("Mark &Incomplete"),
                   &frmMain::mnuMarkIncomplete_Click);
    mnuDeleteTask = addCommand(mnuPopUp, "mnuDeleteTask", QStringLiteral("&Delete Task"),
                               &frmMain::mnuDeleteTask_Click);
    mnuPopUp->addSeparator()->setObjectName(QStringLiteral("mnuA"));
    mnuDueToday = addCommand(mnuPopUp, "mnuDueToday", QStringLiteral("Due &Today"),
                             &frmMain::mnuDueToday_Click);
    mnuDueTomorrow = addCommand(mnuPopUp, "mnuDueTomorrow", QStringLiteral("Due To&morrow"),
                                &frmMain::mnuDueTomorrow_Click);
    mnuProcrastinate =
        AddProcrastinateMenu(mnuPopUp, [this](int days) { mnuProcrastinate_Click(days); });
    mnuNewDueDate = addCommand(mnuPopUp, "mnuNewDueDate", QStringLiteral("Ch&oose Due Date..."),
                               &frmMain::mnuNewDueDate_Click);

    mnuNewTaskPopUp = new QMenu(QStringLiteral("New Task PopUp"), this);
    mnuNewTaskPopUp->setObjectName(QStringLiteral("mnuNewTaskPopUp"));
    addCommand(mnuNewTaskPopUp, "mnuAddNewPopUp", QStringLiteral("&Add New"),
               &frmMain::cmdAddNew_Click);
}

void frmMain::Form_Load()
{
    try {
        gConnection = std::make_unique<adodb::Connection>();
        gConnection->Open(ConnectionString(), QString(), QString(), adodb::adConnectUnspecified);
        DTPicker1->SetText(FormatDateMDY(Today()));
        ShowTasks(0);
    } catch (...) {
        gConnection.reset(); // a window that failed to load holds no connection
        throw;
    }
}

void frmMain::Form_Unload()
{
    if (gConnection)
        gConnection->Close();
    gConnection.reset();
}

void frmMain::ShowTasks(qint32 SelectTaskID)
{
    const quint64 reload = ++m_reloads;
    tvwTasks->clear();
    clearDetails();
    if (!DTPicker1->HoldsDate())
        return;

    const QDate picked = DTPicker1->Value();
    SetTodayButton();
    setWindowTitle(App::Title + QStringLiteral("      ") +
                   QLocale().toString(picked, QStringLiteral("dddd MMMM d, yyyy")));

    adodb::Recordset rs;
    rs.Open(Sql::SelectDay(picked), ActiveConnection(), adodb::adOpenStatic,
            adodb::adLockOptimistic, adodb::adCmdUnspecified);
    QList<QTreeWidgetItem*> nodes;
    QList<qint32> tags; // beside the nodes: looking a tag up in its node costs more
    while (!rs.Eof()) {
        const QString status = rs.Fields(QStringLiteral("TASK_STATUS")).Value().toString();
        auto* node = new QTreeWidgetItem;
        node->setText(0, ListText(rs.Fields(QStringLiteral("TASK_TITLE")).Value().toString()));
        node->setIcon(0, StatusIcon(status));
        tags.append(rs.Fields(QStringLiteral("TASK_ID")).Value().toInt());
        node->setData(0, Qt::UserRole, tags.last());
        node->setData(0, Qt::AccessibleTextRole, TaskRowText(node->text(0), status));
        nodes.append(node);
        rs.MoveNext();
    }
    rs.Close();
    tvwTasks->addTopLevelItems(nodes);

    SetPastDueButton();

    tvwTasks->clearSelection();
    tvwTasks->setCurrentItem(nullptr, 0, QItemSelectionModel::NoUpdate);
    CurrentTaskID = 0;
    // A reload run by the events a selection lets through has made its own selection.
    for (int i = 0; i < tags.size() && m_reloads == reload; ++i) {
        if (tags[i] == SelectTaskID)
            selectTask(tags[i]);
    }
    if (tvwTasks->selectedItems().isEmpty() && tvwTasks->topLevelItemCount() > 0)
        selectTask(nodeTag(tvwTasks->topLevelItem(0)));
}

// Selects a task's row the way a press does: painted first, then its details loaded. Events may
// rebuild the list meanwhile: false when the task has left it, and nothing more is done.
bool frmMain::selectTask(qint32 id)
{
    QTreeWidgetItem* node = taskNode(id);
    if (!node)
        return false;
    node->setSelected(true);
    DoEvents(4);
    node = taskNode(id);
    if (!node)
        return false;
    tvwTasks->setCurrentItem(node);
    DoEvents(4);
    if (!taskNode(id))
        return false;
    DisplayTaskDetails(id);
    return true;
}

// A reload frees the rows, and new ones may take their addresses: a row is known by its task.
QTreeWidgetItem* frmMain::taskNode(qint32 id) const
{
    for (int i = 0; i < tvwTasks->topLevelItemCount(); ++i) {
        if (nodeTag(tvwTasks->topLevelItem(i)) == id)
            return tvwTasks->topLevelItem(i);
    }
    return nullptr;
}

void frmMain::DisplayTaskDetails(qint32 id)
{
    CurrentTaskID = id;
    adodb::Recordset rs;
    rs.Open(Sql::SelectTask(id), ActiveConnection(), adodb::adOpenStatic, adodb::adLockOptimistic,
            adodb::adCmdUnspecified);
    if (rs.Eof()) {
        clearDetails();
    } else {
        const QString title = rs.Fields(QStringLiteral("TASK_TITLE")).Value().toString();
        txtTitle->setText(LeadingText(title, txtTitle->maxLength()));
        txtTitle->setCursorPosition(0); // a long title shows its beginning
        lockIfCut(*txtTitle, title.size(), txtTitle->maxLength(), QStringLiteral("title"));
        const QString description = rs.Fields(QStringLiteral("DESCRIPTION")).Value().toString();
        txtDescription->setPlainText(LeadingText(description, kDescriptionBoxLimit));
        lockIfCut(*txtDescription, description.size(), kDescriptionBoxLimit,
                  QStringLiteral("description"));
        cmdUpdate->show();
    }
    rs.Close();
    markShownNode();
    // What the boxes hold now, which may differ from what is stored: text longer than a box
    // holds is cut, text that is not UTF-8 shows replacement characters, and the description box
    // has line ends of its own.
    m_shownTitle = txtTitle->text();
    m_shownDescription = txtDescription->toPlainText();
}

void frmMain::clearDetails()
{
    txtTitle->clear();
    txtDescription->clear();
    lockIfCut(*txtTitle, 0, 0, QString());
    lockIfCut(*txtDescription, 0, 0, QString());
    cmdUpdate->hide();
    m_shownTitle.clear();
    m_shownDescription.clear();
}

bool frmMain::TitleEdited() const
{
    return txtTitle->text() != m_shownTitle;
}

bool frmMain::DescriptionEdited() const
{
    return txtDescription->toPlainText() != m_shownDescription;
}

bool frmMain::DetailsEdited() const
{
    return TitleEdited() || DescriptionEdited();
}

void frmMain::SetPastDueButton()
{
    const qint32 n = CountPastDueTasks();
    if (n != 0) {
        cmdPastDue->setText(QString::number(n) + QStringLiteral(" &Past Due"));
        cmdPastDue->setAccessibleName(n == 1 ? QStringLiteral("1 task past due")
                                             : QStringLiteral("%1 tasks past due").arg(n));
        cmdPastDue->show();
    } else {
        cmdPastDue->hide();
    }
}

void frmMain::SetTodayButton()
{
    if (DTPicker1->HoldsDate())
        cmdToday->setEnabled(FormatDateMDY(Today()) != FormatDateMDY(DTPicker1->Value()));
}

void frmMain::cmdUpdate_Click()
{
    adodb::Recordset rs;
    rs.CursorLocation = adodb::adUseClient;
    rs.Open(Sql::SelectTask(CurrentTaskID), ActiveConnection(), adodb::adOpenStatic,
            adodb::adLockOptimistic, adodb::adCmdUnspecified);
    // Only what the person changed is written: the boxes may not hold the stored text exactly.
    if (!rs.Eof()) {
        if (TitleEdited())
            rs.Fields(QStringLiteral("TASK_TITLE")) = txtTitle->text();
        if (DescriptionEdited())
            rs.Fields(QStringLiteral("DESCRIPTION")) = txtDescription->toPlainText();
        rs.Update();
    }
    rs.Close();
    ShowTasks(CurrentTaskID);
}

void frmMain::showPickedDay(const QDate& day, qint32 selectTaskId)
{
    DTPicker1->SetText(FormatDateMDY(day));
    ShowTasks(selectTaskId);
}

void frmMain::cmdPrev_Click()
{
    if (DTPicker1->HoldsDate())
        showPickedDay(DTPicker1->Value().addDays(-1), 0);
}

void frmMain::cmdNext_Click()
{
    if (DTPicker1->HoldsDate())
        showPickedDay(DTPicker1->Value().addDays(1), 0);
}

void frmMain::cmdToday_Click()
{
    showPickedDay(Today(), 0);
}

void frmMain::DTPicker1_CloseUp()
{
    ShowTasks(CurrentTaskID);
}

void frmMain::cmdAddNew_Click()
{
    Forms::ShowModal(Forms::Instance<frmNewTask>(), this);
    // The program may have been shut down from the tray meanwhile.
    if (IsLoaded() && gNewTaskID > 0)
        ShowTasks(gNewTaskID);
}

void frmMain::cmdPastDue_Click()
{
    Forms::ShowModal(Forms::Named(QStringLiteral("frmPastDue")), nullptr);
    if (IsLoaded())
        ShowTasks(CurrentTaskID);
}

void frmMain::mnuHide_Click()
{
    Forms::Unload(*this);
}

void frmMain::mnuExit_Click()
{
    Forms::Unload(*this);
    Form& tray = Forms::Named(QStringLiteral("frmSysTray"));
    if (!tray.IsLoaded())
        Forms::Load(tray);
    Forms::Unload(tray);
}

void frmMain::mnuHelp_Click()
{
    Forms::Show(Forms::Named(QStringLiteral("frmHelp")));
}

void frmMain::mnuAbout_Click()
{
    Forms::ShowModal(Forms::Named(QStringLiteral("frmAbout")), nullptr);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == tvwTasks && event->type() == QEvent::KeyPress)
        return tasksKeyPress(*static_cast<QKeyEvent*>(event));
    if (watched != tvwTasks->viewport())
        return Form::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        auto* press = static_cast<QMouseEvent*>(event);
        const int button = press->button() == Qt::RightButton  ? kRightButton
                           : press->button() == Qt::LeftButton ? 1
                                                               : 4;
        const QPointF at = press->position();
        tvwTasks_MouseDown(button, 0, Twips::FromPixels(qRound(at.x())),
                           Twips::FromPixels(qRound(at.y())));
        // The handler made its own selection; the list must not move it afterwards.
        return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        tvwTasks_DblClick();
        return true;
    }
    return Form::eventFilter(watched, event);
}

void frmMain::tvwTasks_MouseDown(int Button, int /*Shift*/, double x, double y)
{
    QTreeWidgetItem* node = nullptr;
    ContinueOnError({
        [&] { node = tvwTasks->itemAt(QPoint(Twips::ToPixels(x), Twips::ToPixels(y))); },
        [&] {
            if (!node && Button == kRightButton)
                openPopup(*mnuNewTaskPopUp);
        },
        [&] {
            if (!node)
                return;
            tvwTasks->setFocus(Qt::MouseFocusReason);
            // A task the events took off the list gets no menu.
            if (!selectTask(nodeTag(node)))
                node = nullptr;
        },
        [&] {
            if (node && Button == kRightButton)
                SetPopUpMenuItems();
        },
        [&] {
            if (node && Button == kRightButton)
                openPopup(*mnuPopUp);
        },
    });
    LastMouseX = qRound(x);
    LastMouseY = qRound(y);
}

void frmMain::tvwTasks_DblClick()
{
    ContinueOnError({[this] { tvwTasks_MouseDown(kRightButton, 0, LastMouseX, LastMouseY); }});
}

void frmMain::SetPopUpMenuItems()
{
    for (QAction* item : {mnuDueToday, mnuDueTomorrow, mnuProcrastinate->menuAction(),
                          mnuNewDueDate, mnuMarkComplete})
        item->setVisible(true);
    const QString status = GetTaskStatus(CurrentTaskID).toUpper();
    if (status == TaskStatus::SPECIAL) {
        mnuMarkNotSpecial->setVisible(true);
        mnuMarkSpecial->setVisible(false);
        mnuMarkIncomplete->setVisible(false);
    } else if (status != TaskStatus::COMPLETE) {
        mnuMarkNotSpecial->setVisible(false);
        mnuMarkSpecial->setVisible(true);
        mnuMarkIncomplete->setVisible(false);
    } else {
        mnuMarkNotSpecial->setVisible(false);
        mnuMarkSpecial->setVisible(false);
        mnuMarkIncomplete->setVisible(true);
        for (QAction* item : {mnuDueToday, mnuDueTomorrow, mnuProcrastinate->menuAction(),
                              mnuNewDueDate, mnuMarkComplete})
            item->setVisible(false);
    }
}

void frmMain::mnuMarkComplete_Click()
{
    SetTaskStatus(CurrentTaskID, TaskStatus::COMPLETE);
    ShowTasks(0);
}

void frmMain::mnuMarkSpecial_Click()
{
    SetTaskStatus(CurrentTaskID, TaskStatus::SPECIAL);
    ShowTasks(CurrentTaskID);
}

void frmMain::mnuMarkNotSpecial_Click()
{
    SetTaskStatus(CurrentTaskID, TaskStatus::INCOMPLETE);
    ShowTasks(CurrentTaskID);
}

void frmMain::mnuMarkIncomplete_Click()
{
    SetTaskStatus(CurrentTaskID, TaskStatus::INCOMPLETE);
    ShowTasks(CurrentTaskID);
}

void frmMain::mnuDeleteTask_Click()
{
    if (MsgBox(QStringLiteral("Delete ") + ListText(txtTitle->text()) + QStringLiteral("?"),
               MsgBoxButtons::YesNo) != MsgBoxResult::Yes)
        return;
    ActiveConnection().Execute(Sql::DeleteTask(CurrentTaskID), adodb::adCmdUnspecified);
    ShowTasks(0);
}

void frmMain::mnuDueToday_Click()
{
    SetTaskDate(CurrentTaskID, FormatDateMDY(Today()));
    ShowTasks(CurrentTaskID);
}

void frmMain::mnuDueTomorrow_Click()
{
    SetTaskDate(CurrentTaskID, FormatDateMDY(Today().addDays(1)));
    ShowTasks(CurrentTaskID);
}

void frmMain::mnuProcrastinate_Click(int days)
{
    ProcrastinateTask(CurrentTaskID, days);
    ShowTasks(0);
}

void frmMain::mnuNewDueDate_Click()
{
    frmNewDueDate& dialog = Forms::Instance<frmNewDueDate>();
    dialog.SetTaskID(CurrentTaskID);
    const int offset = Twips::ToPixels(500);
    dialog.move(frameGeometry().topLeft() + QPoint(offset, offset));
    // The list is reloaded however the dialog ended, unless the program was shut down meanwhile.
    try {
        Forms::ShowModal(dialog, this);
    } catch (...) {
        if (IsLoaded())
            ShowTasks(CurrentTaskID);
        throw;
    }
    if (IsLoaded())
        ShowTasks(CurrentTaskID);
}

void frmMain::mnuAutoStart_Click()
{
    if (MsgBox(
            QStringLiteral("Would you like Dueboard to start automatically when Windows starts?"),
            MsgBoxButtons::YesNo) == MsgBoxResult::Yes) {
        EnableAutoStart();
        MsgBox(QStringLiteral("Auto-Start Enabled"));
    } else {
        DisableAutoStart();
        MsgBox(QStringLiteral("Auto-Start Disabled"));
    }
}

// Layered over the mouse-driven window: names for screen readers and the desktop's keys.
void frmMain::addKeyboard()
{
    Label1->setBuddy(DTPicker1);
    Label2->setBuddy(txtTitle);
    Label3->setBuddy(txtDescription);
    DTPicker1->setAccessibleName(QStringLiteral("Date"));
    txtTitle->setAccessibleName(QStringLiteral("Title"));
    txtDescription->setAccessibleName(QStringLiteral("Description"));
    cmdPrev->setAccessibleName(QStringLiteral("Previous Day"));
    cmdToday->setAccessibleName(QStringLiteral("Today"));
    cmdNext->setAccessibleName(QStringLiteral("Next Day"));
    tvwTasks->setAccessibleName(QStringLiteral("Tasks"));
    tvwTasks->installEventFilter(this);
    AddButtonKeys(*this);

    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, this,
            [this] { MenuBar()->setActiveAction(MenuBar()->actions().value(0)); });
    // A date typed or stepped in the box counts once the person confirms it.
    connect(DTPicker1, &DatePicker::ReturnPressed, this, [this] {
        Guard(QStringLiteral("Showing the chosen day"), [this] { DTPicker1_CloseUp(); });
    });
}

// Menu key and Shift+F10 press the focused row as the right button does; Return and Space as
// the left one does. Arrows only move the selection, as the list does by itself.
bool frmMain::tasksKeyPress(const QKeyEvent& key)
{
    const bool menuKey = IsMenuKey(key);
    const bool leftKey =
        (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter || key.key() == Qt::Key_Space) &&
        !(key.modifiers() & ~Qt::KeypadModifier);
    if (!menuKey && !leftKey)
        return false;
    pressFocusedRow(menuKey ? kRightButton : 1);
    return true;
}

void frmMain::pressFocusedRow(int button)
{
    const QModelIndex row = tvwTasks->currentIndex();
    if (!row.isValid()) {
        if (button == kRightButton)
            Popup::Open(*mnuNewTaskPopUp, tvwTasks->viewport()->mapToGlobal(QPoint(0, 0)));
        return;
    }
    tvwTasks->scrollTo(row);
    const QRect rect = tvwTasks->visualRect(row);
    // A press from the keyboard is no mouse press: the position a double-click reuses stays.
    const qint32 lastX = LastMouseX;
    const qint32 lastY = LastMouseY;
    m_menuAt = tvwTasks->viewport()->mapToGlobal(rect.bottomLeft());
    tvwTasks_MouseDown(button, 0, Twips::FromPixels(rect.center().x()),
                       Twips::FromPixels(rect.center().y()));
    m_menuAt.reset();
    LastMouseX = lastX;
    LastMouseY = lastY;
}

void frmMain::openPopup(QMenu& menu)
{
    if (m_menuAt)
        Popup::Open(menu, *m_menuAt);
    else
        Popup::Open(menu);
}

// The row whose details are shown is bold, apart from the row the keyboard has moved to.
void frmMain::markShownNode()
{
    QFont shown = tvwTasks->font();
    shown.setBold(true);
    for (int i = 0; i < tvwTasks->topLevelItemCount(); ++i) {
        QTreeWidgetItem* node = tvwTasks->topLevelItem(i);
        node->setData(0, Qt::FontRole,
                      nodeTag(node) == CurrentTaskID ? QVariant(shown) : QVariant());
    }
}

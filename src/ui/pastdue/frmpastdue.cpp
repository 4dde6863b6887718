// SPDX-License-Identifier: MIT
#include "frmpastdue.h"

#include "platform/clock.h"
#include "platform/msgbox.h"
#include "runtime/errors.h"
#include "runtime/forms.h"
#include "runtime/keys.h"
#include "runtime/layout.h"
#include "runtime/menus.h"
#include "runtime/popup.h"
#include "store/appfunctions.h"
#include "ui/main/frmnewduedate.h"
#include "ui/taskmenus.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTreeView>

namespace
{

constexpr int kRightButton = 2;
constexpr int kClientWidth = 9015; // twips

int mouseButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return kRightButton;
    default:
        return 4;
    }
}

int shiftState(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

QIcon windowIcon32()
{
    // Rendered once at its design size so the title bar never scales a blurred copy.
    QIcon icon(QStringLiteral(":/pastdue/pastdue.svg"));
    icon.addPixmap(icon.pixmap(32, 32));
    return icon;
}

} // namespace

frmPastDue::frmPastDue() : Form(QStringLiteral("frmPastDue"))
{
    setWindowTitle(QStringLiteral("Past Due Tasks"));
    setWindowIcon(windowIcon32());
    Client()->setFont(SansSerifFont(8.25, false));

    lstTasks = new QTreeView(Client());
    lstTasks->setObjectName(QStringLiteral("lstTasks"));
    lstTasks->setRootIsDecorated(false);
    lstTasks->setItemsExpandable(false);
    lstTasks->setUniformRowHeights(true);
    lstTasks->setAllColumnsShowFocus(true);
    lstTasks->setSelectionMode(QAbstractItemView::SingleSelection);
    lstTasks->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstTasks->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstTasks->setContextMenuPolicy(Qt::PreventContextMenu);
    lstTasks->header()->setSectionsMovable(false);
    lstTasks->viewport()->installEventFilter(this);
    lstTasks->installEventFilter(this);
    lstTasks->setAccessibleName(QStringLiteral("Past Due Tasks"));
    AddWindowKeys(*this);
    m_rows = new PastDueModel(this);

    buildMenu();
    SetClientSizeTwips(kClientWidth, 3540, false);
    CenterOnScreen();
}

void frmPastDue::buildMenu()
{
    // Never part of a menu bar: it opens only over the list.
    mnuPopUp = new QMenu(QStringLiteral("PopUp"), this);
    mnuPopUp->setObjectName(QStringLiteral("mnuPopUp"));
    mnuMarkComplete = AddMenuCommand(mnuPopUp, "mnuMarkComplete", QStringLiteral("Mark &Complete"),
                                     [this] { mnuMarkComplete_Click(); });
    mnuDelete = AddMenuCommand(mnuPopUp, "mnuDelete", QStringLiteral("&Delete Task"),
                               [this] { mnuDelete_Click(); });
    mnuPopUp->addSeparator()->setObjectName(QStringLiteral("mnuD1"));
    mnuDueToday = AddMenuCommand(mnuPopUp, "mnuDueToday", QStringLiteral("Due &Today"),
                                 [this] { mnuDueToday_Click(); });
    mnuDueTomorrow = AddMenuCommand(mnuPopUp, "mnuDueTomorrow", QStringLiteral("Due To&morrow"),
                                    [this] { mnuDueTomorrow_Click(); });
    mnuProcrastinate =
        AddProcrastinateMenu(mnuPopUp, [this](int days) { mnuProcrastinate_Click(days); });
    mnuNewDueDate = AddMenuCommand(mnuPopUp, "mnuNewDueDate", QStringLiteral("Ch&oose Due Date"),
                                   [this] { mnuNewDueDate_Click(); });
}

void frmPastDue::Form_Load()
{
    lstTasks->setModel(m_rows);
    sizeColumns();
    ShowPastDue();
}

// Dates, day counts and status words have a known widest form; the title and description
// share what is left, and the description takes up any later change of window width.
void frmPastDue::sizeColumns()
{
    QHeaderView* header = lstTasks->header();
    const QFontMetrics metrics(lstTasks->font());
    const int padding = metrics.horizontalAdvance(QLatin1Char('M')) * 2;
    auto fit = [&](int column, const QString& widest) {
        const int text = std::max(
            metrics.horizontalAdvance(widest),
            metrics.horizontalAdvance(m_rows->headerData(column, Qt::Horizontal).toString()));
        lstTasks->setColumnWidth(column, text + padding);
        return text + padding;
    };
    const int fixed = fit(DueDate, PastDueModel::DateText(QDate(2000, 12, 28))) +
                      fit(DaysLate, QStringLiteral("99999")) + fit(Status, TaskStatus::INCOMPLETE);
    // The list is laid out only when the window first shows: share out its designed width.
    const int rest = Twips::ToPixels(kClientWidth - 150) - fixed -
                     lstTasks->verticalScrollBar()->sizeHint().width();
    lstTasks->setColumnWidth(Title, std::max(rest * 2 / 5, padding * 3));
    header->setStretchLastSection(false);
    header->setSectionResizeMode(Description, QHeaderView::Stretch);
}

void frmPastDue::ShowPastDue()
{
    m_rows->Reload(Today());
}

void frmPastDue::Form_Resize()
{
    const int width = OuterWidthTwips() - 150;
    const int height = OuterHeightTwips() - 550;
    // Minimised or shrunk below the margins: the list keeps its last size.
    if (width < 0 || height < 0)
        return;
    lstTasks->setGeometry(Twips::Rect(0, 0, width, height));
}

bool frmPastDue::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lstTasks && event->type() == QEvent::KeyPress &&
        IsMenuKey(*static_cast<QKeyEvent*>(event))) {
        pressCurrentRow();
        return true;
    }
    if (watched == lstTasks->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* press = static_cast<QMouseEvent*>(event);
        const QPointF at = press->position();
        const int button = mouseButton(press->button());
        lstTasks_MouseDown(button, shiftState(press->modifiers()),
                           Twips::FromPixels(qRound(at.x())), Twips::FromPixels(qRound(at.y())));
        // The right button's selection is the handler's own; the list must not move it.
        return button == kRightButton;
    }
    return Form::eventFilter(watched, event);
}

void frmPastDue::lstTasks_MouseDown(int Button, int /*Shift*/, double x, double y)
{
    if (Button != kRightButton)
        return;
    const QPointer<frmPastDue> self(this);
    ContinueOnError({
        [&] {
            // Always 100 twips in, so a click in any column finds its row. Below the last
            // row nothing is selected, so no menu opens for a row the user did not point at.
            const QModelIndex row =
                lstTasks->indexAt(QPoint(Twips::ToPixels(100), Twips::ToPixels(y)));
            lstTasks->setFocus(Qt::MouseFocusReason);
            lstTasks->setCurrentIndex(row);
            if (!row.isValid())
                lstTasks->clearSelection();
        },
        [] { DoEvents(8); },
        [&] {
            // The pending events may have closed the window.
            if (!self || !IsLoaded() || selectedRow() < 0)
                return;
            const QPoint at(Twips::ToPixels(x), Twips::ToPixels(y));
            Popup::Open(*mnuPopUp, lstTasks->viewport()->mapToGlobal(at));
        },
    });
}

// The Menu key's right press: the mouse's path, at the focused row's rectangle.
void frmPastDue::pressCurrentRow()
{
    const QModelIndex row = lstTasks->currentIndex();
    if (!row.isValid())
        return;
    lstTasks->scrollTo(row);
    const QRect rect = lstTasks->visualRect(row);
    lstTasks_MouseDown(kRightButton, 0, Twips::FromPixels(rect.left()),
                       Twips::FromPixels(rect.bottom()));
}

int frmPastDue::selectedRow() const
{
    const QModelIndexList selected = lstTasks->selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void frmPastDue::runOnSelected(const std::function<bool(qint32 id)>& command)
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const QPointer<frmPastDue> self(this);
    // A nested event loop (a question, a dialog) may have closed this window meanwhile.
    if (command(m_rows->TaskID(row)) && self && IsLoaded())
        ShowPastDue();
}

void frmPastDue::mnuMarkComplete_Click()
{
    runOnSelected([](qint32 id) {
        SetTaskStatus(id, TaskStatus::COMPLETE);
        return true;
    });
}

void frmPastDue::mnuDelete_Click()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const QString prompt =
        QStringLiteral("Delete ") + m_rows->Text(row, Title) + QStringLiteral("?");
    runOnSelected([&prompt](qint32 id) {
        if (MsgBox(prompt, MsgBoxButtons::YesNo) != MsgBoxResult::Yes)
            return false;
        ActiveConnection().Execute(Sql::DeleteTask(id), adodb::adCmdUnspecified);
        return true;
    });
}

void frmPastDue::mnuDueToday_Click()
{
    runOnSelected([](qint32 id) {
        SetTaskDate(id, FormatDateMDY(Today()));
        return true;
    });
}

void frmPastDue::mnuDueTomorrow_Click()
{
    runOnSelected([](qint32 id) {
        SetTaskDate(id, FormatDateMDY(Today().addDays(1)));
        return true;
    });
}

void frmPastDue::mnuProcrastinate_Click(int days)
{
    runOnSelected([days](qint32 id) {
        ProcrastinateTask(id, days);
        return true;
    });
}

void frmPastDue::mnuNewDueDate_Click()
{
    runOnSelected([this](qint32 id) {
        frmNewDueDate& dialog = Forms::Instance<frmNewDueDate>();
        dialog.SetTaskID(id);
        const int offset = Twips::ToPixels(500);
        dialog.move(frameGeometry().topLeft() + QPoint(offset, offset));
        Forms::ShowModal(dialog, this);
        return true; // the list is rebuilt whether or not a date was saved
    });
}

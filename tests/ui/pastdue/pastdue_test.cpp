// SPDX-License-Identifier: MIT
#include "controls/datepicker.h"
#include "pastduelist.h"
#include "platform/clock.h"
#include "platform/datetext.h"
#include "runtime/forms.h"
#include "runtime/layout.h"
#include "runtime/popup.h"
#include "support/qtprint.h"
#include "support/tempdb.h"
#include "ui/listtext.h"
#include "ui/main/frmmain.h"
#include "ui/main/frmnewduedate.h"
#include "ui/pastdue/frmpastdue.h"
#include "ui/windows.h"

#include <QAccessible>
#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <ctime>
#include <optional>

namespace
{

const QDate kToday = TempDb::Today;

class PastDueTest : public TempDbTest
{
protected:
    void TearDown() override
    {
        for (Form* form : Forms::Loaded())
            Forms::Unload(*form);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    frmPastDue& open()
    {
        frmPastDue& w = Forms::Instance<frmPastDue>();
        Forms::Show(w);
        return w;
    }

    static QStringList column(const frmPastDue& w, int col) { return PastDueList::Column(w, col); }
    static QList<qint32> tags(const frmPastDue& w) { return PastDueList::Tags(w); }

    // Records what the menu offered and picks the named item.
    void pick(const QString& name)
    {
        m_picker.emplace(Popup::Picker(), [this, name](QMenu& menu) {
            ++m_menusOpened;
            return menu.findChild<QAction*>(name);
        });
    }

    // A right press with the pointer over the row's Description cell, through the list itself.
    static void rightClickDescription(frmPastDue& w, int row)
    {
        const QRect cell = PastDueList::RowRect(w, row);
        const int x = w.lstTasks->header()->sectionViewportPosition(frmPastDue::Description) +
                      w.lstTasks->columnWidth(frmPastDue::Description) / 2;
        QTest::mousePress(w.lstTasks->viewport(), Qt::RightButton, {},
                          QPoint(x, cell.center().y()));
    }

    int m_menusOpened = 0;
    std::optional<ScopedHook<QAction*(QMenu&)>> m_picker;
};

TEST_F(PastDueTest, ListsOpenTasksBeforeTodayWithDaysLate)
{
    db.AddTask(1, "Yesterday", "notes", kToday.addDays(-1));
    db.AddTask(2, "Today", "", kToday);
    db.AddTask(3, "Last week", "", kToday.addDays(-7), TaskStatus::SPECIAL);
    db.AddTask(4, "Done", "", kToday.addDays(-3), TaskStatus::COMPLETE);

    frmPastDue& w = open();

    EXPECT_EQ(tags(w), (QList<qint32>{3, 1}));
    EXPECT_EQ(column(w, frmPastDue::DueDate),
              (QStringList{ShortDateText(kToday.addDays(-7)), ShortDateText(kToday.addDays(-1))}));
    EXPECT_EQ(column(w, frmPastDue::DaysLate), (QStringList{"7", "1"}));
    EXPECT_EQ(column(w, frmPastDue::Title), (QStringList{"Last week", "Yesterday"}));
    EXPECT_EQ(column(w, frmPastDue::Description), (QStringList{"", "notes"}));
    EXPECT_EQ(column(w, frmPastDue::Status), (QStringList{"SPECIAL", "INCOMPLETE"}));
}

// Under a locale whose short format has two-digit years the list still shows four, and text
// another program stored at great length is shortened for the row, never in the table.
TEST_F(PastDueTest, DatesHaveFourDigitYearsAndLongTextIsShortenedForTheRow)
{
    const QString longTitle(5000, QLatin1Char('T'));
    db.AddTask(1, longTitle, QString(3000, QLatin1Char('d')), QDate(2025, 12, 4));
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const auto restore = qScopeGuard([&] { QLocale::setDefault(saved); });
    frmPastDue& w = open();

    EXPECT_EQ(column(w, frmPastDue::DueDate), QStringList{"12/4/2025"});
    const QString shown = column(w, frmPastDue::Title).value(0);
    EXPECT_EQ(shown, ListText(longTitle));
    EXPECT_LT(shown.size(), longTitle.size());
    EXPECT_LT(column(w, frmPastDue::Description).value(0).size(), 3000);
    EXPECT_EQ(db.Scalar("SELECT LENGTH(TASK_TITLE) FROM TASKS").toInt(), 5000);
}

// Other tools may have written dates the program cannot read. The statements still reach them
// (numbers and such text sort before today's date): each shows what is stored, no days late, and
// takes its commands.
TEST_F(PastDueTest, RowsWithUnreadableDatesShowTheStoredTextAndTakeTheirCommands)
{
    db.DropDateChecks();
    db.Exec(
        "INSERT INTO TASKS VALUES (1, 'Text', '', '12/7/2026', 'INCOMPLETE'),"
        " (2, 'Number', '', 46000, 'SPECIAL'), (3, 'No such day', '', '2026-02-30', 'INCOMPLETE'),"
        " (4, 'No date', '', NULL, 'INCOMPLETE'), (5, 'After every date', '', 'someday', "
        "'INCOMPLETE')");
    db.AddTask(6, "Yesterday", "", kToday.addDays(-1));

    frmPastDue& w = open();
    EXPECT_EQ(tags(w), (QList<qint32>{2, 1, 3, 6}));
    EXPECT_EQ(column(w, frmPastDue::DueDate),
              (QStringList{"46000", "12/7/2026", "2026-02-30", ShortDateText(kToday.addDays(-1))}));
    EXPECT_EQ(column(w, frmPastDue::DaysLate), (QStringList{"", "", "", "1"}));

    const ScopedHook driver(Forms::ModalDriver(), [](Form& form) {
        auto& dialog = static_cast<frmNewDueDate&>(form);
        EXPECT_EQ(dialog.DTPicker1->Value(), kToday) << "no date to start from: today";
        dialog.DTPicker1->SetValue(kToday.addDays(3));
        dialog.cmdSave->click();
    });
    pick("mnuNewDueDate");
    rightClickDescription(w, 0);
    EXPECT_EQ(db.Scalar("SELECT TASK_DATE FROM TASKS WHERE TASK_ID = 2").toString(), "2026-03-08");
    pick("mnuDueToday");
    rightClickDescription(w, 0);
    EXPECT_EQ(db.Scalar("SELECT TASK_DATE FROM TASKS WHERE TASK_ID = 1").toString(), "2026-03-05");
    db.msgBox.Answer(MsgBoxResult::Yes);
    pick("mnuDelete");
    rightClickDescription(w, 0);
    EXPECT_EQ(db.msgBox.prompts, QStringList{"Delete No such day?"});
    EXPECT_EQ(tags(w), QList<qint32>{6});
    EXPECT_EQ(db.Scalar("SELECT count(*) FROM TASKS").toInt(), 5);
}

TEST_F(PastDueTest, OldestFirstAndTiesInDatabaseOrder)
{
    db.AddTask(9, "b", "", kToday.addDays(-2));
    db.AddTask(5, "newest", "", kToday.addDays(-1));
    db.AddTask(2, "a", "", kToday.addDays(-2));
    db.AddTask(7, "oldest", "", QDate(2025, 12, 31));

    EXPECT_EQ(tags(open()), (QList<qint32>{7, 2, 9, 5}));
}

TEST_F(PastDueTest, EmptyListKeepsItsHeadersAndTheWindowOpen)
{
    db.AddTask(1, "Later", "", kToday.addDays(1));

    frmPastDue& w = open();
    QCoreApplication::processEvents();

    EXPECT_EQ(PastDueList::RowCount(w), 0);
    ASSERT_EQ(w.lstTasks->model()->columnCount(), 5);
    QStringList headers;
    for (int c = 0; c < 5; ++c)
        headers << PastDueList::Header(w, c);
    EXPECT_EQ(headers, (QStringList{"Due Date", "Days Late", "Title", "Description", "Status"}));
    EXPECT_TRUE(IsFormLoaded("frmpastdue"));
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.windowTitle(), "Past Due Tasks");
}

// Days late are counted on calendar dates: month and year ends, leap days and a change of
// clocks (Europe moves to summer time on 29 March 2026) all give whole days.
TEST_F(PastDueTest, DaysLateCountsCalendarDays)
{
    const QByteArray oldTz = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    struct Case {
        QDate due, today;
        int late;
    } cases[] = {
        {{2026, 1, 31}, {2026, 3, 1}, 29},  {{2025, 12, 31}, {2026, 1, 1}, 1},
        {{2024, 2, 28}, {2024, 3, 1}, 2},   {{2023, 2, 28}, {2023, 3, 1}, 1},
        {{2026, 3, 28}, {2026, 3, 30}, 2},  {{2026, 10, 24}, {2026, 10, 26}, 2},
        {{2016, 3, 5}, {2026, 3, 5}, 3652},
    };
    for (const Case& c : cases) {
        db.Exec("DELETE FROM TASKS");
        db.AddTask(1, "t", "", c.due);
        Clock::SetToday(c.today);
        frmPastDue& w = open();
        EXPECT_EQ(column(w, frmPastDue::DaysLate), QStringList{QString::number(c.late)})
            << c.due.toString(Qt::ISODate).toStdString() << " to "
            << c.today.toString(Qt::ISODate).toStdString();
        Forms::Unload(w);
    }
    if (oldTz.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", oldTz);
    tzset();
}

struct CommandCase {
    const char* item;
    std::optional<int> daysLateAfter; // the task's row afterwards; none when it left the list
    QString storedDate;               // TASK_DATE afterwards
    QString storedStatus;
};

class PastDueCommandTest : public PastDueTest, public ::testing::WithParamInterface<CommandCase>
{
};

// Each command on a task five days late, chosen from the menu a right-click in the
// Description column opened; the other task's row must stay as it was.
TEST_P(PastDueCommandTest, ActsOnTheClickedRowAndRebuildsTheList)
{
    const CommandCase& c = GetParam();
    db.AddTask(1, "Older", "", kToday.addDays(-9));
    db.AddTask(2, "Pay rent", "landlord", kToday.addDays(-5));
    db.msgBox.Answer(MsgBoxResult::Yes);
    pick(c.item);

    frmPastDue& w = open();
    rightClickDescription(w, 1);

    EXPECT_EQ(m_menusOpened, 1);
    EXPECT_EQ(db.Scalar("SELECT TASK_DATE FROM TASKS WHERE TASK_ID = 1").toString(),
              kToday.addDays(-9).toString(Qt::ISODate));
    if (c.daysLateAfter) {
        EXPECT_EQ(tags(w), (QList<qint32>{1, 2}));
        EXPECT_EQ(column(w, frmPastDue::DaysLate),
                  (QStringList{"9", QString::number(*c.daysLateAfter)}));
    } else {
        EXPECT_EQ(tags(w), QList<qint32>{1});
    }
    EXPECT_EQ(db.Scalar("SELECT TASK_DATE FROM TASKS WHERE TASK_ID = 2").toString(), c.storedDate);
    EXPECT_EQ(db.Scalar("SELECT TASK_STATUS FROM TASKS WHERE TASK_ID = 2").toString(),
              c.storedStatus);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, PastDueCommandTest,
    ::testing::Values(CommandCase{"mnuPro1", 4, "2026-03-01", "INCOMPLETE"},
                      CommandCase{"mnuPro4", 1, "2026-03-04", "INCOMPLETE"},
                      CommandCase{"mnuPro5", std::nullopt, "2026-03-05", "INCOMPLETE"},
                      CommandCase{"mnuPro7", std::nullopt, "2026-03-07", "INCOMPLETE"},
                      CommandCase{"mnuDueToday", std::nullopt, "2026-03-05", "INCOMPLETE"},
                      CommandCase{"mnuDueTomorrow", std::nullopt, "2026-03-06", "INCOMPLETE"},
                      CommandCase{"mnuMarkComplete", std::nullopt, "2026-02-28", "COMPLETE"},
                      CommandCase{"mnuDelete", std::nullopt, QString(), QString()}),
    [](const auto& info) { return std::string(info.param.item); });

TEST_F(PastDueTest, DeleteAsksWithTheRowsTitleAndNoKeepsEverything)
{
    db.AddTask(2, "Pay rent", "", kToday.addDays(-5));
    db.msgBox.Answer(MsgBoxResult::No);
    pick("mnuDelete");

    frmPastDue& w = open();
    rightClickDescription(w, 0);

    EXPECT_EQ(db.msgBox.prompts, QStringList{"Delete Pay rent?"});
    EXPECT_EQ(db.Scalar("SELECT COUNT(*) FROM TASKS").toInt(), 1);
    ASSERT_EQ(PastDueList::RowCount(w), 1);
    EXPECT_TRUE(PastDueList::IsSelected(w, 0)) << "No must not rebuild the list";
}

TEST_F(PastDueTest, ChooseDueDateOpensTheDialogForTheTaskAndRebuildsWhenClosed)
{
    db.AddTask(1, "Older", "", kToday.addDays(-9));
    db.AddTask(2, "Pay rent", "", kToday.addDays(-5));
    pick("mnuNewDueDate");
    frmPastDue& w = open();

    int driven = 0;
    const ScopedHook driver(Forms::ModalDriver(), [&](Form& form) {
        ++driven;
        auto* dialog = qobject_cast<frmNewDueDate*>(&form);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->TaskID(), 2);
        EXPECT_EQ(dialog->DTPicker1->Value(), kToday.addDays(-5));
        const int offset = Twips::ToPixels(500);
        EXPECT_EQ(dialog->pos(), w.frameGeometry().topLeft() + QPoint(offset, offset));
        dialog->close(); // the close box: nothing saved
    });
    rightClickDescription(w, 1);

    EXPECT_EQ(driven, 1);
    EXPECT_EQ(tags(w), (QList<qint32>{1, 2}));
    EXPECT_EQ(column(w, frmPastDue::DaysLate), (QStringList{"9", "5"}));
    EXPECT_TRUE(PastDueList::NoneSelected(w))
        << "the list is rebuilt even though nothing was saved";
    EXPECT_TRUE(db.msgBox.prompts.isEmpty());
}

TEST_F(PastDueTest, RightClickBelowTheRowsClearsTheSelectionAndOpensNoMenu)
{
    db.AddTask(2, "Pay rent", "", kToday.addDays(-5));
    pick("mnuDueToday");
    frmPastDue& w = open();
    PastDueList::Select(w, 0);

    const QRect last = PastDueList::RowRect(w, 0);
    QTest::mousePress(w.lstTasks->viewport(), Qt::RightButton, {},
                      QPoint(last.center().x(), last.bottom() + 20));

    EXPECT_EQ(m_menusOpened, 0);
    EXPECT_TRUE(PastDueList::NoneSelected(w));
    EXPECT_EQ(db.Scalar("SELECT TASK_DATE FROM TASKS").toString(), "2026-02-28");
}

TEST_F(PastDueTest, OnlyTheRightButtonOpensTheMenu)
{
    db.AddTask(2, "Pay rent", "", kToday.addDays(-5));
    pick("mnuDueToday");
    frmPastDue& w = open();

    const QRect row = PastDueList::RowRect(w, 0);
    QTest::mousePress(w.lstTasks->viewport(), Qt::LeftButton, {}, row.center());
    w.lstTasks_MouseDown(4, 0, 100, Twips::FromPixels(row.center().y()));

    EXPECT_EQ(m_menusOpened, 0);
    EXPECT_TRUE(PastDueList::IsSelected(w, 0)) << "a left click selects as usual";
}

TEST_F(PastDueTest, ResizeFollowsTheOuterSizeAndIgnoresTooSmallSizes)
{
    frmPastDue& w = open();
    w.resize(700, 400);
    QCoreApplication::processEvents();
    const QRect expected = Twips::Rect(0, 0, w.OuterWidthTwips() - 150, w.OuterHeightTwips() - 550);
    EXPECT_EQ(w.lstTasks->geometry(), expected);

    w.resize(5, 20); // below the 550-twip margin
    QCoreApplication::processEvents();
    EXPECT_EQ(w.lstTasks->geometry(), expected);
    EXPECT_TRUE(db.msgBox.prompts.isEmpty());

    w.showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(db.msgBox.prompts.isEmpty());
}

// Many overdue tasks: task i is due 3001 - i days before today, so row r shows task r + 1.
class LongPastDueTest : public PastDueTest
{
protected:
    static constexpr int kRows = 3000;

    void SetUp() override
    {
        db.Exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                               "WHERE i < %1) INSERT INTO TASKS SELECT i, 'Task ' || i, "
                               "'Notes ' || i, date('%2', '-' || (%1 + 1 - i) || ' days'), "
                               "'INCOMPLETE' FROM n")
                    .arg(kRows)
                    .arg(kToday.toString(Qt::ISODate)));
    }

    // Every row on screen shows its own task: the title read by its id, the days late from
    // the date read with the list.
    static void expectVisibleRowsConsistent(frmPastDue& w, const QString& titlePrefix)
    {
        const auto [first, last] = PastDueList::VisibleRows(w);
        ASSERT_GE(first, 0);
        ASSERT_GE(last, first);
        for (int row = first; row <= last; ++row) {
            const qint32 id = PastDueList::Tag(w, row);
            EXPECT_EQ(PastDueList::Text(w, row, frmPastDue::Title),
                      titlePrefix + QString::number(id));
            EXPECT_EQ(PastDueList::Text(w, row, frmPastDue::DaysLate),
                      QString::number(kRows + 1 - id));
            EXPECT_EQ(PastDueList::Text(w, row, frmPastDue::Description),
                      QStringLiteral("Notes %1").arg(id));
        }
    }
};

// Titles, descriptions and status are read when their rows come into view: a title another
// program changed after the list was read shows at the end, where nothing was read before.
TEST_F(LongPastDueTest, ScrollingToTheEndShowsTheLastRowsReadWhenTheyComeIntoView)
{
    frmPastDue& w = open();
    w.lstTasks->viewport()->grab();
    db.Exec("UPDATE TASKS SET TASK_TITLE = 'Renamed ' || TASK_ID");

    w.lstTasks->scrollToBottom();

    ASSERT_EQ(PastDueList::RowCount(w), kRows);
    const int last = PastDueList::VisibleRows(w).second;
    EXPECT_EQ(last, kRows - 1);
    EXPECT_EQ(PastDueList::Tag(w, last), kRows);
    EXPECT_EQ(PastDueList::Text(w, last, frmPastDue::DueDate), ShortDateText(kToday.addDays(-1)));
    EXPECT_EQ(PastDueList::Text(w, last, frmPastDue::Status), "INCOMPLETE");
    expectVisibleRowsConsistent(w, QStringLiteral("Renamed "));
}

TEST_F(LongPastDueTest, ACommandOnARowFarDownActsOnThatRowsTask)
{
    pick("mnuPro1");
    frmPastDue& w = open();
    PastDueList::ScrollTo(w, 2500);

    rightClickDescription(w, 2500);

    EXPECT_EQ(m_menusOpened, 1);
    EXPECT_EQ(db.Scalar("SELECT TASK_DATE FROM TASKS WHERE TASK_ID = 2501").toString(),
              kToday.addDays(-499).toString(Qt::ISODate));
    EXPECT_EQ(db.Scalar("SELECT COUNT(*) FROM TASKS WHERE TASK_DATE = date('2026-03-05', "
                        "'-' || (3001 - TASK_ID) || ' days')")
                  .toInt(),
              kRows - 1)
        << "no other task moved";
    ASSERT_EQ(PastDueList::RowCount(w), kRows);
    EXPECT_EQ(PastDueList::Tag(w, 2500), 2501);
    EXPECT_EQ(PastDueList::Text(w, 2500, frmPastDue::DaysLate), "499");
}

// A removed row leaves no cell of it behind: every row shows its own task, read anew.
TEST_F(LongPastDueTest, AfterACommandRemovesARowTheRowsBelowMoveUpWithTheirOwnTexts)
{
    pick("mnuMarkComplete");
    frmPastDue& w = open();
    PastDueList::ScrollTo(w, 2500);
    w.lstTasks->viewport()->grab();
    db.Exec("UPDATE TASKS SET TASK_TITLE = 'Renamed ' || TASK_ID");

    rightClickDescription(w, 2500);

    EXPECT_EQ(db.Scalar("SELECT TASK_STATUS FROM TASKS WHERE TASK_ID = 2501").toString(),
              "COMPLETE");
    ASSERT_EQ(PastDueList::RowCount(w), kRows - 1);
    EXPECT_EQ(PastDueList::Tag(w, 2499), 2500);
    EXPECT_EQ(PastDueList::Tag(w, 2500), 2502);
    PastDueList::ScrollTo(w, 2500);
    expectVisibleRowsConsistent(w, QStringLiteral("Renamed "));
}

// The list is one reading of the table: a task another program adds afterwards does not
// shift the rows, and a command acts on the task of the row the person pointed at.
TEST_F(PastDueTest, ACommandActsOnTheRowShownAfterAnotherProgramChangedTheTable)
{
    db.AddTask(1, "Older", "", kToday.addDays(-9));
    db.AddTask(2, "Pay rent", "", kToday.addDays(-5));
    pick("mnuDueToday");
    frmPastDue& w = open();
    db.AddTask(3, "Oldest", "", kToday.addDays(-20));

    rightClickDescription(w, 1);

    EXPECT_EQ(db.Scalar("SELECT TASK_DATE FROM TASKS WHERE TASK_ID = 2").toString(),
              kToday.toString(Qt::ISODate));
    EXPECT_EQ(db.Scalar("SELECT TASK_DATE FROM TASKS WHERE TASK_ID = 1").toString(),
              kToday.addDays(-9).toString(Qt::ISODate));
    EXPECT_EQ(tags(w), (QList<qint32>{3, 1}));
}

// Ties on a date in the order the list's statement gives them, whatever their status.
TEST_F(PastDueTest, RowsComeInTheOrderOfTheListsStatement)
{
    for (int i = 0; i < 60; ++i) {
        const qint32 id = (i * 37) % 61 + 1;
        db.AddTask(id, QStringLiteral("t%1").arg(id), "", kToday.addDays(-1 - i % 4),
                   i % 3 ? TaskStatus::INCOMPLETE : TaskStatus::SPECIAL);
    }
    QList<qint32> expected;
    adodb::Recordset rs;
    rs.Open(Sql::SelectPastDue(kToday), *gConnection);
    for (; !rs.Eof(); rs.MoveNext())
        expected << rs.Fields("TASK_ID").Value().toInt();
    rs.Close();

    EXPECT_EQ(tags(open()), expected);
}

// A row read while the list paints cannot fail the paint: it stays empty and one message
// says why.
TEST_F(LongPastDueTest, ARowThatCannotBeReadStaysEmptyAndIsReportedOnce)
{
    frmPastDue& w = open();
    w.lstTasks->viewport()->grab();
    gConnection->Close();

    w.lstTasks->scrollToBottom();
    w.lstTasks->viewport()->grab();
    QCoreApplication::processEvents();

    ASSERT_EQ(db.msgBox.prompts.size(), 1);
    EXPECT_TRUE(db.msgBox.prompts[0].startsWith("Reading a past-due task failed:\r"))
        << db.msgBox.prompts[0].toStdString();
    EXPECT_EQ(PastDueList::Text(w, kRows - 1, frmPastDue::Title), "");
    EXPECT_EQ(PastDueList::Text(w, kRows - 1, frmPastDue::DaysLate), "1");
    EXPECT_TRUE(w.isVisible());
}

// The main window's Past Due button: the window opens modally with no owner, and the day
// list is reloaded once it closes.
TEST_F(PastDueTest, MainWindowReloadsItsDayAfterwards)
{
    // The main window opens its own connection, as it does when the program runs.
    RegisterWindows();
    db.AddTask(1, "Pay rent", "", kToday.addDays(-2));
    Forms::Show<frmMain>();
    frmMain& main = Forms::Instance<frmMain>();
    ASSERT_EQ(main.tvwTasks->topLevelItemCount(), 0);

    const ScopedHook picker(Popup::Picker(),
                            [](QMenu& menu) { return menu.findChild<QAction*>("mnuDueToday"); });
    const ScopedHook driver(Forms::ModalDriver(), [](Form& form) {
        auto& w = dynamic_cast<frmPastDue&>(form);
        EXPECT_EQ(w.windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(w.windowHandle()->transientParent(), nullptr);
        const QRect row = PastDueList::RowRect(w, 0);
        QTest::mousePress(w.lstTasks->viewport(), Qt::RightButton, {}, row.center());
        EXPECT_EQ(PastDueList::RowCount(w), 0);
        w.close();
    });
    main.cmdPastDue->click();

    ASSERT_EQ(main.tvwTasks->topLevelItemCount(), 1);
    EXPECT_EQ(main.tvwTasks->topLevelItem(0)->text(0), "Pay rent");
    EXPECT_FALSE(IsFormLoaded("frmPastDue"));
}

} // namespace

// The Menu key opens the task menu for the focused row, as a right press on it does; Escape
// closes the window; screen readers hear each cell once, the status in its own column.
TEST_F(PastDueTest, TheKeyboardReachesEveryRowsCommands)
{
    db.AddTask(1, "Pay rent", "", kToday.addDays(-3));
    db.AddTask(2, "Taxes", "", kToday.addDays(-2), TaskStatus::SPECIAL);
    frmPastDue& w = open();
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(w.lstTasks);
    EXPECT_EQ(list->text(QAccessible::Name), "Past Due Tasks");
    QStringList cells;
    for (int i = 0; i < list->childCount(); ++i)
        if (list->child(i)->role() == QAccessible::TreeItem)
            cells << list->child(i)->text(QAccessible::Name);
    EXPECT_EQ(cells.mid(cells.size() - 5),
              QStringList({column(w, frmPastDue::DueDate)[1], "2", "Taxes", "", "SPECIAL"}));

    w.lstTasks->setFocus();
    w.lstTasks->setCurrentIndex(w.lstTasks->model()->index(1, 0));
    pick("mnuPro1");
    QTest::keyClick(w.lstTasks, Qt::Key_Menu);
    EXPECT_EQ(m_menusOpened, 1);
    EXPECT_EQ(tags(w), (QList<qint32>{1, 2}));
    EXPECT_EQ(column(w, frmPastDue::DaysLate), (QStringList{"3", "1"}));

    QTest::keyClick(w.lstTasks, Qt::Key_Escape);
    EXPECT_FALSE(w.IsLoaded());
}

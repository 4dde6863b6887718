// SPDX-License-Identifier: MIT
#include "controls/datepicker.h"
#include "platform/clock.h"
#include "runtime/forms.h"
#include "runtime/layout.h"
#include "runtime/popup.h"
#include "support/tempdb.h"
#include "ui/main/frmmain.h"
#include "ui/main/frmnewduedate.h"
#include "ui/pastdue/frmpastdue.h"
#include "ui/windows.h"

#include <QAccessible>
#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTest>
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

    static QStringList column(const frmPastDue& w, int col)
    {
        QStringList texts;
        for (int i = 0; i < w.lstTasks->topLevelItemCount(); ++i)
            texts << w.lstTasks->topLevelItem(i)->text(col);
        return texts;
    }

    static QList<qint32> tags(const frmPastDue& w)
    {
        QList<qint32> ids;
        for (int i = 0; i < w.lstTasks->topLevelItemCount(); ++i)
            ids << w.lstTasks->topLevelItem(i)->data(0, Qt::UserRole).toInt();
        return ids;
    }

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
        const QRect cell = w.lstTasks->visualItemRect(w.lstTasks->topLevelItem(row));
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
              (QStringList{QLocale().toString(kToday.addDays(-7), QLocale::ShortFormat),
                           QLocale().toString(kToday.addDays(-1), QLocale::ShortFormat)}));
    EXPECT_EQ(column(w, frmPastDue::DaysLate), (QStringList{"7", "1"}));
    EXPECT_EQ(column(w, frmPastDue::Title), (QStringList{"Last week", "Yesterday"}));
    EXPECT_EQ(column(w, frmPastDue::Description), (QStringList{"", "notes"}));
    EXPECT_EQ(column(w, frmPastDue::Status), (QStringList{"SPECIAL", "INCOMPLETE"}));
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
              (QStringList{"46000", "12/7/2026", "2026-02-30",
                           QLocale().toString(kToday.addDays(-1), QLocale::ShortFormat)}));
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

    EXPECT_EQ(w.lstTasks->topLevelItemCount(), 0);
    ASSERT_EQ(w.lstTasks->columnCount(), 5);
    QStringList headers;
    for (int c = 0; c < 5; ++c)
        headers << w.lstTasks->headerItem()->text(c);
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
    ASSERT_EQ(w.lstTasks->topLevelItemCount(), 1);
    EXPECT_TRUE(w.lstTasks->topLevelItem(0)->isSelected()) << "No must not rebuild the list";
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
    EXPECT_TRUE(w.lstTasks->selectedItems().isEmpty())
        << "the list is rebuilt even though nothing was saved";
    EXPECT_TRUE(db.msgBox.prompts.isEmpty());
}

TEST_F(PastDueTest, RightClickBelowTheRowsClearsTheSelectionAndOpensNoMenu)
{
    db.AddTask(2, "Pay rent", "", kToday.addDays(-5));
    pick("mnuDueToday");
    frmPastDue& w = open();
    w.lstTasks->topLevelItem(0)->setSelected(true);

    const QRect last = w.lstTasks->visualItemRect(w.lstTasks->topLevelItem(0));
    QTest::mousePress(w.lstTasks->viewport(), Qt::RightButton, {},
                      QPoint(last.center().x(), last.bottom() + 20));

    EXPECT_EQ(m_menusOpened, 0);
    EXPECT_TRUE(w.lstTasks->selectedItems().isEmpty());
    EXPECT_EQ(db.Scalar("SELECT TASK_DATE FROM TASKS").toString(), "2026-02-28");
}

TEST_F(PastDueTest, OnlyTheRightButtonOpensTheMenu)
{
    db.AddTask(2, "Pay rent", "", kToday.addDays(-5));
    pick("mnuDueToday");
    frmPastDue& w = open();

    const QRect row = w.lstTasks->visualItemRect(w.lstTasks->topLevelItem(0));
    QTest::mousePress(w.lstTasks->viewport(), Qt::LeftButton, {}, row.center());
    w.lstTasks_MouseDown(4, 0, 100, Twips::FromPixels(row.center().y()));

    EXPECT_EQ(m_menusOpened, 0);
    EXPECT_TRUE(w.lstTasks->topLevelItem(0)->isSelected()) << "a left click selects as usual";
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
        const QRect row = w.lstTasks->visualItemRect(w.lstTasks->topLevelItem(0));
        QTest::mousePress(w.lstTasks->viewport(), Qt::RightButton, {}, row.center());
        EXPECT_EQ(w.lstTasks->topLevelItemCount(), 0);
        w.close();
    });
    main.cmdPastDue->click();

    ASSERT_EQ(main.tvwTasks->topLevelItemCount(), 1);
    EXPECT_EQ(main.tvwTasks->topLevelItem(0)->text(0), "Pay rent");
    EXPECT_FALSE(IsFormLoaded("frmPastDue"));
}

} // namespace

// The Menu key opens the task menu for the focused row, as a right press on it does; Escape
// closes the window; screen readers hear each row's status.
TEST_F(PastDueTest, TheKeyboardReachesEveryRowsCommands)
{
    db.AddTask(1, "Pay rent", "", kToday.addDays(-3));
    db.AddTask(2, "Taxes", "", kToday.addDays(-2), TaskStatus::SPECIAL);
    frmPastDue& w = open();
    EXPECT_EQ(QAccessible::queryAccessibleInterface(w.lstTasks)->text(QAccessible::Name),
              "Past Due Tasks");
    EXPECT_EQ(w.lstTasks->topLevelItem(1)->data(frmPastDue::Title, Qt::AccessibleTextRole),
              "Taxes, special");

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

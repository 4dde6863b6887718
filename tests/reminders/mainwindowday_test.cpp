// SPDX-License-Identifier: MIT
// A loaded main window brought up to a new day, the date moved through the clock seam.
#include "platform/clock.h"
#include "privatebus.h"
#include "reminders/mainwindowday.h"
#include "reminders/reminders.h"
#include "runtime/keys.h"
#include "ui/main/frmnewtask.h"
#include "ui/main/mainwindow.h"

#include <QLineEdit>
#include <QPushButton>

namespace
{

const QDate ended = TempDb::Today; // Thursday March 5, 2026
const QDate began = ended.addDays(1);

class MainWindowDayTest : public MainWindowTest
{
protected:
    // The clock moves on to the next day, and the window is told.
    void NewDay()
    {
        Clock::SetToday(began);
        day.DayChanged(ended);
    }

    bool Shows(const char* caption) const { return main->windowTitle().endsWith(caption); }

    MainWindowDay day;
};

TEST_F(MainWindowDayTest, AWindowOnTheDayThatEndedMovesOnAsTodayWould)
{
    db.AddTask(1, "Yesterday's", "", ended);
    db.AddTask(2, "Done", "", ended, TaskStatus::COMPLETE);
    db.AddTask(3, "New day's first", "", began);
    db.AddTask(4, "New day's second", "", began);
    Open();
    main->ShowTasks(2);
    EXPECT_TRUE(main->cmdPastDue->isHidden());
    EXPECT_FALSE(main->cmdToday->isEnabled());

    NewDay();
    EXPECT_TRUE(Shows("Friday March 6, 2026"));
    EXPECT_EQ(Titles(), QStringList({"New day's first", "New day's second"}));
    EXPECT_EQ(main->CurrentTaskID, 3);
    EXPECT_FALSE(main->cmdToday->isEnabled());
    EXPECT_FALSE(main->cmdPastDue->isHidden());
    EXPECT_EQ(WithoutAccessKeys(main->cmdPastDue->text()), "1 Past Due");
}

// The day shown stays; only the buttons follow the date.
TEST_F(MainWindowDayTest, AWindowOnAnotherDayStaysThereWithItsButtonsUpToDate)
{
    db.AddTask(1, "Due today", "", ended);
    db.AddTask(2, "Tomorrow's", "", began);
    db.AddTask(3, "Tomorrow's too", "", began);
    Open();
    main->cmdNext->click();
    Press(1);
    ASSERT_EQ(main->CurrentTaskID, 3);
    EXPECT_TRUE(main->cmdToday->isEnabled());

    NewDay();
    EXPECT_TRUE(Shows("Friday March 6, 2026"));
    EXPECT_EQ(main->CurrentTaskID, 3);
    EXPECT_EQ(SelectedTitle(), "Tomorrow's too");
    EXPECT_FALSE(main->cmdToday->isEnabled()) << "the day shown is today now";
    EXPECT_EQ(WithoutAccessKeys(main->cmdPastDue->text()), "1 Past Due");
    EXPECT_FALSE(main->cmdPastDue->isHidden());

    main->cmdPrev->click();
    main->cmdPrev->click();
    Clock::SetToday(began.addDays(1));
    day.DayChanged(began);
    EXPECT_TRUE(Shows("Wednesday March 4, 2026"));
    EXPECT_TRUE(main->cmdToday->isEnabled());
    EXPECT_EQ(WithoutAccessKeys(main->cmdPastDue->text()), "3 Past Due");
}

// An edit not yet saved is never thrown away.
TEST_F(MainWindowDayTest, AnUnsavedEditKeepsTheWindowOnItsDay)
{
    db.AddTask(1, "Yesterday's", "", ended);
    Open();
    main->txtTitle->setText("Yesterday's, half edited");
    main->txtTitle->setModified(true);

    NewDay();
    EXPECT_TRUE(Shows("Thursday March 5, 2026"));
    EXPECT_EQ(main->txtTitle->text(), "Yesterday's, half edited");
    EXPECT_TRUE(main->DetailsEdited());
    EXPECT_TRUE(main->cmdToday->isEnabled());
    EXPECT_EQ(WithoutAccessKeys(main->cmdPastDue->text()), "1 Past Due");
    EXPECT_FALSE(main->cmdPastDue->isHidden());
}

TEST_F(MainWindowDayTest, AWindowThatIsNotLoadedStaysSo)
{
    NewDay();
    EXPECT_FALSE(IsFormLoaded("frmMain"));
    EXPECT_TRUE(Forms::Loaded().isEmpty());
}

// While a dialog is open the window waits; once it has closed the window moves on.
TEST_F(MainWindowDayTest, WaitsForAnOpenDialogToClose)
{
    db.AddTask(1, "Yesterday's", "", ended);
    Open();
    const ScopedHook driver(Forms::ModalDriver(), [&](Form& dialog) {
        NewDay();
        EXPECT_TRUE(Shows("Thursday March 5, 2026"));
        EXPECT_EQ(main->CurrentTaskID, 1);
        static_cast<frmNewTask&>(dialog).close();
    });
    main->cmdAddNew->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Shows("Friday March 6, 2026"); }));
    EXPECT_EQ(main->CurrentTaskID, 0);
}

// A menu's command acts on the current task: the window waits until the menu has closed.
TEST_F(MainWindowDayTest, WaitsForAnOpenMenuToClose)
{
    db.AddTask(1, "Yesterday's", "", ended);
    Open();
    QMenu menu;
    menu.addAction("Something");
    menu.popup(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu.isVisible(); }));

    NewDay();
    QTest::qWait(50);
    EXPECT_TRUE(Shows("Thursday March 5, 2026"));
    menu.hide();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Shows("Friday March 6, 2026"); }));
}

// A desktop without a notification service gets no notification, and nothing else changes.
TEST_F(MainWindowDayTest, WithoutANotificationServiceTheWindowStillMovesOn)
{
    db.AddTask(1, "Yesterday's", "", ended);
    db.AddTask(2, "Today's", "", began);
    Open();
    PrivateBus bus;
    Logind logind(bus);
    Reminders reminders(bus.Connect(), bus.Connect());
    Clock::SetToday(began);
    logind.PrepareForSleep(false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Shows("Friday March 6, 2026"); }));
    EXPECT_EQ(Titles(), QStringList({"Today's"}));
    QTest::qWait(300);
    EXPECT_TRUE(db.msgBox.prompts.isEmpty()) << db.msgBox.prompts;
}

} // namespace

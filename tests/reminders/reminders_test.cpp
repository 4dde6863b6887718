// SPDX-License-Identifier: MIT
// The notification of a new day, shown by a real notification server (dunst) on a private bus;
// the days pass through the clock seam and logind's word on waking.
#include "platform/clock.h"
#include "privatebus.h"
#include "reminders/reminders.h"
#include "support/qtprint.h"
#include "support/tempdb.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace
{

const QDate day0 = TempDb::Today;
const QDate day1 = day0.addDays(1);
const QDate day2 = day0.addDays(2);

// Long enough for a notification that was going to come to be on screen.
constexpr int kSettleMs = 800;

class RemindersTest : public ::testing::Test
{
protected:
    // The machine wakes from suspend on day.
    void WakeOn(const QDate& day)
    {
        Clock::SetToday(day);
        logind.PrepareForSleep(false);
    }

    bool Shows(int count) { return server.Displayed() == count; }
    bool StaysAt(int count)
    {
        QTest::qWait(kSettleMs);
        return Shows(count);
    }

    TempDb db{TempDb::Connect::Closed};
    PrivateBus bus;
    NotificationServer server{bus};
    Logind logind{bus};
    std::unique_ptr<Reminders> reminders =
        std::make_unique<Reminders>(bus.Connect(), bus.Connect());
};

TEST_F(RemindersTest, TellsOnceADayWhatFallsDueAndNothingAtStartUp)
{
    db.AddTask(1, "Due on day 1", "", day1);
    EXPECT_TRUE(StaysAt(0)) << "a notification at start-up";

    WakeOn(day1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Shows(1); }));
    server.CloseAll();
    EXPECT_EQ(server.History(), QStringList({"1 task due today, 0 past due\nDue on day 1"}));

    // The clock put back and forward again: that day was told about already.
    WakeOn(day0);
    WakeOn(day1);
    EXPECT_TRUE(StaysAt(0));

    db.Exec("UPDATE TASKS SET TASK_STATUS = 'COMPLETE'");
    WakeOn(day2);
    EXPECT_TRUE(StaysAt(0)) << "a notification with nothing due";
}

TEST_F(RemindersTest, ANewDayReplacesTheNotificationOfTheDayBefore)
{
    db.AddTask(1, "Due on day 1", "", day1);
    db.AddTask(2, "Due on day 2", "", day2);
    WakeOn(day1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Shows(1); }));
    WakeOn(day2);
    EXPECT_TRUE(StaysAt(1));
    server.CloseAll();
    EXPECT_EQ(server.History(),
              QStringList({"1 task due today, 1 past due\nDue on day 2\nDue on day 1"}));
}

// Left on screen it would speak of tasks of a day that has ended.
TEST_F(RemindersTest, ADayWithNothingDueTakesDownTheNotificationOfTheDayBefore)
{
    db.AddTask(1, "Due on day 1", "", day1);
    WakeOn(day1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Shows(1); }));
    db.Exec("UPDATE TASKS SET TASK_STATUS = 'COMPLETE'");
    WakeOn(day2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Shows(0); }));
}

// The service answers later than the days change: what stays on screen is the latest word.
TEST_F(RemindersTest, ANotificationOvertakenBeforeTheServiceAnswersLeavesNothingBehind)
{
    DesktopNotification notification(bus.Connect());
    const auto text = [](const char* body) { return [body](bool) { return QString(body); }; };
    notification.Show("Dueboard", text("first"));
    notification.Close();
    EXPECT_TRUE(StaysAt(0));

    notification.Show("Dueboard", text("first"));
    notification.Show("Dueboard", text("second"));
    EXPECT_TRUE(StaysAt(1));
    server.CloseAll();
    EXPECT_EQ(server.History(), QStringList({"second"}));
}

TEST_F(RemindersTest, ChoosingTheNotificationAsksForTheMainWindowAndTakesItDown)
{
    db.AddTask(1, "Due on day 1", "", day1);
    QSignalSpy wanted(reminders.get(), &Reminders::ShowMainScreen);
    WakeOn(day1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Shows(1); }));
    server.ChooseTop();
    EXPECT_TRUE(QTest::qWaitFor([&] { return wanted.count() == 1; }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Shows(0); }));
}

// Choosing it would need the program.
TEST_F(RemindersTest, EndingTheProgramTakesItsNotificationDown)
{
    db.AddTask(1, "Past due on day 1", "", day0);
    WakeOn(day1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Shows(1); }));
    reminders.reset();
    EXPECT_TRUE(Shows(0));
}

} // namespace

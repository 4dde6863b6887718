// SPDX-License-Identifier: MIT
// The main window after a background sync changed the database.
#include "shell/backgroundsync.h"
#include "ui/main/mainwindow.h"

#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace
{

const QDate today = TempDb::Today;

TEST_F(MainWindowTest, ASyncThatBroughtChangesReloadsTheDay)
{
    db.AddTask(1, "One", "", today);
    Open();
    db.Exec("UPDATE TASKS SET TASK_TITLE = 'One, from the phone' WHERE TASK_ID = 1");
    db.AddTask(2, "Two", "", today);
    ReloadAfterSync();
    EXPECT_EQ(Titles(), (QStringList{"One, from the phone", "Two"}));
    EXPECT_EQ(main->txtTitle->text(), "One, from the phone");
}

TEST_F(MainWindowTest, AReloadAfterASyncKeepsAnEditAndUpdateThenWins)
{
    db.AddTask(1, "One", "", today);
    Open();
    QTest::keyClick(main->txtTitle, Qt::Key_End); // a title is shown from its start
    QTest::keyClicks(main->txtTitle, " edited");
    db.Exec("UPDATE TASKS SET TASK_TITLE = 'One, from the phone' WHERE TASK_ID = 1");
    db.AddTask(2, "Two", "", today);
    ReloadAfterSync();
    EXPECT_EQ(main->txtTitle->text(), "One edited");
    EXPECT_EQ(Titles(), QStringList{"One"});
    main->cmdUpdate->click();
    EXPECT_EQ(db.Scalar("SELECT TASK_TITLE FROM TASKS WHERE TASK_ID = 1"), "One edited");
    EXPECT_EQ(Titles(), (QStringList{"One edited", "Two"}));
}

TEST(BackgroundSync, WithTheMainWindowUnloadedNothingIsTouched)
{
    TempDb db(TempDb::Connect::Closed);
    ReloadAfterSync();
    EXPECT_FALSE(IsFormLoaded("frmMain"));
}

} // namespace

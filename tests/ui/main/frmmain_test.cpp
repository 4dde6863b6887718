// SPDX-License-Identifier: MIT
// The day view: list, selection, details, Past Due button, caption, navigation, lifetime.
#include "mainwindow.h"
#include "platform/clock.h"
#include "ui/listtext.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace
{
const QDate today = TempDb::Today;
}

TEST_F(MainWindowTest, ListsTheDaysTasksInDatabaseOrderWithTheirIconsAndTags)
{
    db.AddTask(3, "Third", "", today, TaskStatus::COMPLETE);
    db.AddTask(1, "First", "", today, TaskStatus::SPECIAL);
    db.AddTask(2, "Other day", "", today.addDays(1));
    db.AddTask(5, "Fifth", "", today, "ODD WORD");
    db.Exec("INSERT INTO TASKS (TASK_ID, TASK_TITLE, DESCRIPTION, TASK_DATE, TASK_STATUS) "
            "VALUES (7, NULL, NULL, '2026-03-05', 'INCOMPLETE')");
    Open();
    EXPECT_EQ(Titles(), QStringList({"First", "Third", "Fifth", ""}));
    QTreeWidget* list = main->tvwTasks;
    EXPECT_EQ(list->topLevelItem(1)->data(0, Qt::UserRole).toInt(), 3);
    EXPECT_FALSE(list->topLevelItem(0)->icon(0).isNull());
    EXPECT_TRUE(list->topLevelItem(2)->icon(0).isNull()); // an unknown word has no picture
    EXPECT_EQ(list->topLevelItem(0)->icon(0).pixmap(32, 32).size(), QSize(32, 32));
}

TEST_F(MainWindowTest, ShowTasksReselectsTheGivenTaskOrTheFirst)
{
    db.AddTask(1, "One", "first notes", today);
    db.AddTask(2, "Two", "second notes", today);
    db.AddTask(3, "Elsewhere", "", today.addDays(2));
    Open();
    EXPECT_EQ(SelectedTitle(), "One");
    EXPECT_EQ(main->CurrentTaskID, 1);

    main->ShowTasks(2);
    EXPECT_EQ(SelectedTitle(), "Two");
    EXPECT_EQ(main->CurrentTaskID, 2);
    EXPECT_EQ(main->txtDescription->toPlainText(), "second notes");
    EXPECT_FALSE(main->cmdUpdate->isHidden());

    for (qint32 other : {0, 3, 99}) {
        main->ShowTasks(other);
        EXPECT_EQ(SelectedTitle(), "One") << other;
        EXPECT_EQ(main->CurrentTaskID, 1) << other;
    }
}

TEST_F(MainWindowTest, AnEmptyDayShowsNothingButStillUpdatesCaptionAndButton)
{
    db.AddTask(1, "Late", "", today.addDays(-1));
    Open();
    EXPECT_EQ(main->tvwTasks->topLevelItemCount(), 0);
    EXPECT_EQ(main->CurrentTaskID, 0);
    EXPECT_TRUE(main->txtTitle->text().isEmpty());
    EXPECT_TRUE(main->cmdUpdate->isHidden());
    EXPECT_TRUE(main->windowTitle().endsWith("Thursday March 5, 2026"));
    EXPECT_EQ(WithoutAccessKeys(main->cmdPastDue->text()), "1 Past Due");
    EXPECT_FALSE(main->cmdPastDue->isHidden());
}

TEST_F(MainWindowTest, PastDueButtonFollowsTheCount)
{
    Open();
    EXPECT_TRUE(main->cmdPastDue->isHidden());
    db.AddTask(1, "a", "", today.addDays(-3));
    db.AddTask(2, "b", "", today.addDays(-1), TaskStatus::SPECIAL);
    db.AddTask(3, "done", "", today.addDays(-1), TaskStatus::COMPLETE);
    main->ShowTasks(0);
    EXPECT_EQ(WithoutAccessKeys(main->cmdPastDue->text()), "2 Past Due");
    EXPECT_FALSE(main->cmdPastDue->isHidden());
}

TEST_F(MainWindowTest, CaptionAndTodayButtonFollowThePickedDay)
{
    Open();
    EXPECT_EQ(main->windowTitle(), "Dueboard      Thursday March 5, 2026");
    EXPECT_FALSE(main->cmdToday->isEnabled());
    main->DTPicker1->SetText("1/1/2006");
    main->ShowTasks(0);
    EXPECT_EQ(main->windowTitle(), "Dueboard      Sunday January 1, 2006");
    EXPECT_TRUE(main->cmdToday->isEnabled());
}

TEST_F(MainWindowTest, NavigationCrossesMonthAndYearEnds)
{
    db.AddTask(1, "New year", "", QDate(2027, 1, 1));
    Open();
    main->DTPicker1->SetText("12/31/2026");
    main->cmdNext->click();
    EXPECT_EQ(main->DTPicker1->Value(), QDate(2027, 1, 1));
    EXPECT_EQ(Titles(), QStringList{"New year"});

    main->DTPicker1->SetText("3/1/2028");
    main->cmdPrev->click();
    EXPECT_EQ(main->DTPicker1->Value(), QDate(2028, 2, 29));

    main->cmdToday->setEnabled(true);
    main->cmdToday->click();
    EXPECT_EQ(main->DTPicker1->Value(), today);
}

TEST_F(MainWindowTest, ClosingTheCalendarReloadsKeepingTheCurrentTask)
{
    db.AddTask(1, "One", "", today);
    db.AddTask(2, "Two", "", today);
    Open();
    main->ShowTasks(2);
    db.AddTask(3, "Added meanwhile", "", today);
    emit main->DTPicker1->CloseUp();
    EXPECT_EQ(Titles(), QStringList({"One", "Two", "Added meanwhile"}));
    EXPECT_EQ(SelectedTitle(), "Two");
}

TEST_F(MainWindowTest, UpdateWritesTheEditedDetailsUnchecked)
{
    db.AddTask(1, "Old", "old notes", today);
    Open();
    main->txtTitle->setText("");
    main->txtDescription->setPlainText("new\nnotes");
    main->cmdUpdate->click();
    EXPECT_EQ(db.Scalar("SELECT TASK_TITLE FROM TASKS WHERE TASK_ID = 1").toString(), "");
    EXPECT_EQ(db.Scalar("SELECT DESCRIPTION FROM TASKS WHERE TASK_ID = 1").toString(),
              "new\nnotes");
    EXPECT_EQ(main->CurrentTaskID, 1);

    db.Exec("DELETE FROM TASKS");
    main->txtTitle->setText("ghost");
    main->cmdUpdate_Click();
    EXPECT_EQ(db.Scalar("SELECT COUNT(*) FROM TASKS").toInt(), 0);
}

TEST_F(MainWindowTest, DetailsCountAsEditedFromAKeystrokeUntilTheyAreShownAgain)
{
    db.AddTask(1, "One", "notes", today);
    db.AddTask(2, "Two", "", today);
    Open();
    EXPECT_FALSE(main->DetailsEdited());
    QTest::keyClicks(main->txtTitle, "!");
    EXPECT_TRUE(main->DetailsEdited());
    main->cmdUpdate->click();
    EXPECT_FALSE(main->DetailsEdited());

    QTest::keyClicks(main->txtDescription, "more");
    EXPECT_TRUE(main->DetailsEdited());
    Press(1);
    EXPECT_FALSE(main->DetailsEdited()) << "another task's details replace the edit";
}

TEST_F(MainWindowTest, MissingTaskShowsEmptyDetailsButStaysCurrent)
{
    Open();
    main->DisplayTaskDetails(42);
    EXPECT_EQ(main->CurrentTaskID, 42);
    EXPECT_TRUE(main->txtTitle->text().isEmpty());
    EXPECT_TRUE(main->cmdUpdate->isHidden());
}

TEST_F(MainWindowTest, KeyboardSelectionLeavesDetailsAlone)
{
    db.AddTask(1, "One", "", today);
    db.AddTask(2, "Two", "", today);
    Open();
    Forms::Show(*main);
    main->tvwTasks->setFocus();
    QTest::keyClick(main->tvwTasks, Qt::Key_Down);
    EXPECT_EQ(main->CurrentTaskID, 1);
    EXPECT_EQ(main->txtTitle->text(), "One");
}

TEST_F(MainWindowTest, UnloadClosesTheDatabaseAndReloadStartsOnToday)
{
    Open();
    main->DTPicker1->SetText("7/4/2026");
    main->ShowTasks(0);
    Forms::Unload(*main);
    EXPECT_FALSE(IsFormLoaded("FRMMAIN"));
    EXPECT_EQ(gConnection, nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    Open();
    EXPECT_EQ(main->DTPicker1->Value(), today);
    EXPECT_TRUE(gConnection && gConnection->IsOpen());
}

TEST_F(MainWindowTest, HideUnloadsTheWindow)
{
    Open();
    main->findChild<QAction*>("mnuHide")->trigger();
    EXPECT_FALSE(IsFormLoaded("frmMain"));
    EXPECT_EQ(gConnection, nullptr);
}

TEST_F(MainWindowTest, AMissingDatabaseFailsTheLoadAndLeavesNothingOpen)
{
    QFile::remove(db.File());
    EXPECT_THROW(Open(), adodb::DbError);
    EXPECT_FALSE(IsFormLoaded("frmMain"));
    EXPECT_EQ(gConnection, nullptr);
}

TEST_F(MainWindowTest, DatabaseFailuresReachThePersonAndTheWindowStaysUsable)
{
    db.AddTask(1, "One", "", today);
    Open();
    db.Exec("ALTER TABLE TASKS RENAME TO GONE");
    main->cmdNext->click();
    ASSERT_EQ(db.msgBox.prompts.size(), 1);
    EXPECT_TRUE(db.msgBox.prompts[0].startsWith("Showing the next day failed:\r"))
        << db.msgBox.prompts[0];
    EXPECT_TRUE(IsFormLoaded("frmMain"));

    db.Exec("ALTER TABLE GONE RENAME TO TASKS");
    main->cmdToday->click();
    EXPECT_EQ(Titles(), QStringList{"One"});

    gConnection->Close();
    main->cmdPrev->click();
    EXPECT_EQ(db.msgBox.prompts.size(), 2);
    EXPECT_TRUE(IsFormLoaded("frmMain"));
}

TEST_F(MainWindowTest, LayoutKeepsTheDesignedPlaces)
{
    Open();
    EXPECT_EQ(main->Client()->size(), QSize(551, 266));
    EXPECT_EQ(main->cmdPastDue->geometry(), QRect(352, 8, 129, 21));
    EXPECT_EQ(main->Frame1->geometry(), QRect(248, 40, 297, 217));
    EXPECT_TRUE(main->Label1->font().bold());
    EXPECT_FALSE(main->cmdAddNew->font().bold());
    EXPECT_EQ(main->cmdPrev->toolTip(), "Previous Day");
}

TEST(ListText, ShortensLongTextWithoutSplittingACharacter)
{
    EXPECT_EQ(LeadingText("abc", 2), "ab");
    EXPECT_EQ(LeadingText("abc", 5), "abc");
    EXPECT_EQ(LeadingText(QString::fromUcs4(U"a\U0001D11E"), 2), "a");
    EXPECT_EQ(ListText("short"), "short");
    const QString exact(ListTextLimit, 'a');
    EXPECT_EQ(ListText(exact), exact);
    const QString longer = exact + "b";
    EXPECT_EQ(ListText(longer), exact + QChar(0x2026));

    // A character outside the basic plane takes two UTF-16 units; the cut falls before it.
    const QString clef = QString::fromUcs4(U"\U0001D11E");
    const QString astral = QString(ListTextLimit - 1, 'a') + clef + "tail";
    EXPECT_EQ(ListText(astral), QString(ListTextLimit - 1, 'a') + QChar(0x2026));
}

// Text another program wrote: megabytes of title, bytes that are not UTF-8, line ends that the
// description box turns into its own. Lists show it shortened and Update leaves alone whatever
// the person did not edit.
TEST_F(MainWindowTest, UpdateWritesOnlyWhatThePersonEdited)
{
    const QString huge = "Start " + QString(10'000'000, 'x');
    db.AddTask(1, huge, "first\r\nsecond", today);
    db.Exec("INSERT INTO TASKS (TASK_ID, TASK_TITLE, DESCRIPTION, TASK_DATE, TASK_STATUS) VALUES "
            "(2, CAST(X'43616665FF21' AS TEXT), CAST(X'6E6F7465FE' AS TEXT), '2026-03-05', "
            "'INCOMPLETE')");
    const auto stored = [this](int id, const char* column) {
        return db
            .Scalar(QStringLiteral("SELECT hex(%1) FROM TASKS WHERE TASK_ID = %2")
                        .arg(QLatin1String(column))
                        .arg(id))
            .toString();
    };
    db.AddTask(3, "Long notes", QString(100'000, 'n'), today.addDays(1));
    const QString hugeHex = stored(1, "TASK_TITLE");
    Open();
    ASSERT_EQ(Titles().size(), 2);
    EXPECT_EQ(Titles()[0], ListText(huge));
    EXPECT_LE(Titles()[0].size(), ListTextLimit + 1);
    EXPECT_TRUE(main->txtTitle->text().startsWith("Start x"));
    EXPECT_FALSE(main->DetailsEdited());

    // Nothing edited: nothing changes, not even the line ends.
    main->cmdUpdate->click();
    EXPECT_EQ(stored(1, "TASK_TITLE"), hugeHex);
    EXPECT_EQ(stored(1, "DESCRIPTION"), QString("first\r\nsecond").toUtf8().toHex().toUpper());

    // The description edited: the title stays as stored, bytes and all.
    Press(1);
    ASSERT_EQ(main->CurrentTaskID, 2);
    main->txtDescription->setPlainText("new notes");
    EXPECT_TRUE(main->DetailsEdited());
    EXPECT_FALSE(main->TitleEdited());
    main->cmdUpdate->click();
    EXPECT_EQ(stored(2, "TASK_TITLE"), "43616665FF21");
    EXPECT_EQ(db.Scalar("SELECT DESCRIPTION FROM TASKS WHERE TASK_ID = 2").toString(), "new notes");

    // A title longer than the title box holds is shown from its start in a read-only box that
    // says why: an edit there would have cut it. The description beside it stays editable.
    main->ShowTasks(1);
    EXPECT_TRUE(main->txtTitle->isReadOnly());
    EXPECT_TRUE(main->txtTitle->toolTip().startsWith("This title is longer than the " +
                                                     QLocale().toString(32767) + " characters"))
        << main->txtTitle->toolTip();
    EXPECT_FALSE(main->txtDescription->isReadOnly());
    QTest::keyClick(main->txtTitle, Qt::Key_Delete);
    EXPECT_FALSE(main->TitleEdited());
    QTest::keyClicks(main->txtDescription, "more ");
    EXPECT_TRUE(main->DescriptionEdited());
    main->cmdUpdate->click();
    EXPECT_EQ(stored(1, "TASK_TITLE"), hugeHex);
    EXPECT_EQ(db.Scalar("SELECT DESCRIPTION FROM TASKS WHERE TASK_ID = 1").toString(),
              "more first\nsecond");

    // Likewise a description longer than its box's 65535 characters: "!" typed at the end of
    // what it shows cuts nothing. A task that fits its boxes is editable again.
    main->cmdNext->click();
    ASSERT_EQ(main->CurrentTaskID, 3);
    EXPECT_EQ(main->txtDescription->toPlainText().size(), 65535);
    EXPECT_TRUE(main->txtDescription->isReadOnly());
    EXPECT_FALSE(main->txtDescription->toolTip().isEmpty());
    EXPECT_FALSE(main->txtTitle->isReadOnly());
    EXPECT_TRUE(main->txtTitle->toolTip().isEmpty());
    main->txtDescription->moveCursor(QTextCursor::End);
    QTest::keyClicks(main->txtDescription, "!");
    main->cmdUpdate->click();
    EXPECT_EQ(db.Scalar("SELECT length(DESCRIPTION) FROM TASKS WHERE TASK_ID = 3").toInt(),
              100'000);
    main->cmdPrev->click();
    Press(1);
    ASSERT_EQ(main->CurrentTaskID, 2);
    EXPECT_FALSE(main->txtDescription->isReadOnly());
    EXPECT_TRUE(main->txtDescription->toolTip().isEmpty());
}

TEST_F(MainWindowTest, DeleteAsksWithALongTitleShortened)
{
    db.AddTask(1, QString(50'000, 'y'), "", today);
    Open();
    RightClickAndPick(0, "mnuDeleteTask");
    ASSERT_EQ(db.msgBox.prompts.size(), 1);
    EXPECT_EQ(db.msgBox.prompts[0], "Delete " + ListText(QString(50'000, 'y')) + "?");
}

// A press lets events run before it acts. A reload among them frees the rows, and new rows may
// take their addresses: the press acts on the task pressed, or, once that has left the day, on
// none, and opens no menu.
TEST_F(MainWindowTest, APressOutrunByAReloadActsOnNoOtherTask)
{
    for (qint32 id : {1, 2, 3})
        db.AddTask(id, QString::number(id), "", today);
    Open();
    const auto moveTwo = [this](const QDate& day) {
        db.Exec(QStringLiteral("UPDATE TASKS SET TASK_DATE = '%1' WHERE TASK_ID = 2")
                    .arg(day.toString(Qt::ISODate)));
    };
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::LeftButton, Qt::RightButton,
                                   Qt::LeftButton, Qt::RightButton}) {
        ASSERT_EQ(main->CurrentTaskID, 1);
        QTimer::singleShot(0, main, [&] {
            moveTwo(today.addDays(1));
            main->ShowTasks(main->CurrentTaskID);
        });
        EXPECT_EQ(MenusOpenedBy([&] { Press(1, button); }), QStringList()) << button;
        EXPECT_EQ(main->CurrentTaskID, 1) << button;
        EXPECT_EQ(main->txtTitle->text(), "1");
        moveTwo(today);
        main->ShowTasks(1);
    }
    // A reload that keeps the pressed task finds it at its new row.
    QTimer::singleShot(0, main, [&] {
        db.Exec("UPDATE TASKS SET TASK_DATE = '2026-03-06' WHERE TASK_ID = 1");
        main->ShowTasks(main->CurrentTaskID);
    });
    EXPECT_EQ(MenusOpenedBy([&] { Press(2, Qt::RightButton); }), QStringList{"mnuPopUp"});
    EXPECT_EQ(main->CurrentTaskID, 3);
    EXPECT_EQ(SelectedTitle(), "3");
}

// SPDX-License-Identifier: MIT
#include "controls/datepicker.h"
#include "controls/systray/systray.h"
#include "runtime/forms.h"
#include "runtime/popup.h"
#include "shell/clsdueboard.h"
#include "shell/frmsystray.h"
#include "store/appfunctions.h"
#include "support/qtprint.h"
#include "support/recordingport.h"
#include "support/tempdb.h"
#include "ui/main/frmmain.h"
#include "ui/windows.h"

#include <QAction>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusServer>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

using namespace std::chrono_literals;

namespace
{

// A bus connection that is not there: the object's publication fails and must not matter.
QDBusConnection NoBus()
{
    return QDBusConnection(QStringLiteral("no such bus"));
}

class ShellTest : public ::testing::Test
{
protected:
    ShellTest()
    {
        RegisterWindows();
        RegisterTrayWindow();
    }

    void TearDown() override
    {
        for (Form* form : Forms::Loaded())
            Forms::Unload(*form);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    frmSysTray& Tray() { return Forms::Instance<frmSysTray>(); }
    frmMain& Main() { return Forms::Instance<frmMain>(); }

    // Right-clicks the icon and returns the captions the menu shows, choosing `choose` if given.
    QStringList RightClick(const QString& choose = {})
    {
        QStringList shown;
        const ScopedHook picker(Popup::Picker(), [&](QMenu& menu) -> QAction* {
            QAction* chosen = nullptr;
            for (QAction* item : menu.actions()) {
                if (item->isVisible())
                    shown << item->text();
                if (item->text() == choose)
                    chosen = item;
            }
            return chosen;
        });
        SendNotifyCallback(port.LastAdd(), WM_RBUTTONUP);
        return shown;
    }

    TempDb db{TempDb::Connect::Closed};
    RecordingPort port;
    clsDueboard dueboard{NoBus()};
};

TEST_F(ShellTest, ShowMainScreenTwiceLoadsTheTrayOnceAndShowsTheMainWindow)
{
    EXPECT_FALSE(dueboard.Published());
    dueboard.ShowMainScreen();
    dueboard.ShowMainScreen();

    EXPECT_EQ(port.Count(NIM_ADD), 1);
    EXPECT_EQ(port.icons.size(), 1u);
    EXPECT_EQ(TipText(port.LastAdd().szTip), QStringLiteral("Dueboard"));
    EXPECT_EQ(Tray().SysTray1->TrayIcon().cacheKey(), Tray().windowIcon().cacheKey());
    EXPECT_FALSE(port.LastAdd().hIcon.isNull());
    EXPECT_TRUE(IsFormLoaded(QStringLiteral("FRMSYSTRAY")));
    EXPECT_FALSE(Tray().isVisible());
    EXPECT_TRUE(Main().isVisible());
    EXPECT_NE(gConnection, nullptr);
}

TEST_F(ShellTest, ShowMainScreenAfterHideOpensTheMainWindowAgainWithoutASecondIcon)
{
    dueboard.ShowMainScreen();
    Main().mnuHide_Click();
    EXPECT_FALSE(IsFormLoaded(QStringLiteral("frmMain")));
    EXPECT_EQ(gConnection, nullptr);

    dueboard.ShowMainScreen();
    EXPECT_TRUE(IsFormLoaded(QStringLiteral("frmmain")));
    EXPECT_NE(gConnection, nullptr);
    EXPECT_EQ(port.Count(NIM_ADD), 1);
}

TEST_F(ShellTest, AFailingMainWindowReachesTheCallerAndTheTrayStaysLoaded)
{
    ASSERT_TRUE(QFile::remove(db.File()));
    try {
        dueboard.ShowMainScreen();
        FAIL() << "ShowMainScreen succeeded without a database";
    } catch (const std::exception& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QStringLiteral("Dueboard.mdb")))
            << e.what();
    }
    EXPECT_TRUE(IsFormLoaded(QStringLiteral("frmSysTray")));
    EXPECT_FALSE(IsFormLoaded(QStringLiteral("frmMain")));
    EXPECT_EQ(port.icons.size(), 1u);
}

// The object as a launcher reaches it: over a bus connection, errors as error replies.
TEST_F(ShellTest, ABusCallerGetsTheFailureAsAnErrorReplyWithItsDescription)
{
    QDBusServer server;
    ASSERT_TRUE(server.isConnected());
    std::unique_ptr<clsDueboard> published;
    QObject::connect(&server, &QDBusServer::newConnection, [&](const QDBusConnection& peer) {
        published = std::make_unique<clsDueboard>(peer);
    });
    QDBusConnection client = QDBusConnection::connectToPeer(server.address(), "shell-test");
    ASSERT_TRUE(QTest::qWaitFor([&] { return published != nullptr; }));

    const auto call = [&] {
        QDBusPendingCall pending = client.asyncCall(QDBusMessage::createMethodCall(
            {}, QStringLiteral("/clsDueboard"), QStringLiteral("Dueboard.clsDueboard"),
            QStringLiteral("ShowMainScreen")));
        EXPECT_TRUE(QTest::qWaitFor([&] { return pending.isFinished(); }, 10000));
        return pending.reply();
    };
    const QString moved = db.File() + QStringLiteral(".away");
    ASSERT_TRUE(QFile::rename(db.File(), moved));
    const QDBusMessage failed = call();
    EXPECT_EQ(failed.type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(failed.errorName(), QStringLiteral("org.freedesktop.DBus.Error.Failed"));
    EXPECT_TRUE(failed.errorMessage().contains(QStringLiteral("Dueboard.mdb")))
        << qPrintable(failed.errorMessage());

    ASSERT_TRUE(QFile::rename(moved, db.File()));
    EXPECT_EQ(call().type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(Main().isVisible());
    QDBusConnection::disconnectFromPeer("shell-test");
}

TEST_F(ShellTest, TheTrayMenuOffersHideOrShowByTheMainWindowsState)
{
    dueboard.ShowMainScreen();
    EXPECT_EQ(RightClick(), QStringList({"Hide Tasks", "Quit"}));
    Main().mnuHide_Click();
    EXPECT_EQ(RightClick(), QStringList({"Show Tasks", "Quit"}));

    // A notification area that draws the menu itself asks for it without a right click.
    Main();
    Forms::Show<frmMain>();
    emit Tray().mnuTrayPopUp->aboutToShow();
    EXPECT_TRUE(Tray().mnuHideTasks->isVisible());
    EXPECT_FALSE(Tray().mnuShowTasks->isVisible());
    EXPECT_EQ(Tray().SysTray1->ContextMenu(), Tray().mnuTrayPopUp);
}

// Hosts that draw the menu themselves read and size it before they ask to open it: the items
// follow the main window all the time, not only when the menu opens.
TEST_F(ShellTest, TheTrayMenuFollowsTheMainWindowBeforeItOpens)
{
    const auto shown = [this] {
        QStringList captions;
        for (QAction* item : Tray().mnuTrayPopUp->actions()) {
            if (item->isVisible())
                captions << item->text();
        }
        return captions;
    };
    Forms::Load(Tray());
    EXPECT_EQ(shown(), QStringList({"Show Tasks", "Quit"}));
    dueboard.ShowMainScreen();
    EXPECT_EQ(shown(), QStringList({"Hide Tasks", "Quit"}));
    Main().close();
    EXPECT_EQ(shown(), QStringList({"Show Tasks", "Quit"}));
    SendNotifyCallback(port.LastAdd(), WM_LBUTTONDBLCLK);
    EXPECT_EQ(shown(), QStringList({"Hide Tasks", "Quit"}));

    ASSERT_TRUE(QFile::remove(db.File()));
    Main().mnuHide_Click();
    EXPECT_THROW(dueboard.ShowMainScreen(), std::exception);
    EXPECT_EQ(shown(), QStringList({"Show Tasks", "Quit"})) << "a main window that failed to load";
}

// With no notification area, "Hide" would leave nothing on screen: the person is told, once
// per run, how to come back. Quit says nothing, and nor does a present notification area.
TEST_F(ShellTest, WithoutANotificationAreaHidingTellsOnceHowToComeBack)
{
    const QString told = QStringLiteral("Dueboard is still running. Run dueboard to show the "
                                        "window again.");
    dueboard.ShowMainScreen();
    Main().mnuHide_Click();
    QCoreApplication::processEvents();
    EXPECT_EQ(db.msgBox.prompts, QStringList());

    port.present = false;
    dueboard.ShowMainScreen();
    Main().mnuHide_Click();
    QCoreApplication::processEvents();
    EXPECT_EQ(db.msgBox.prompts, QStringList{told});
    dueboard.ShowMainScreen();
    RightClick(QStringLiteral("Hide Tasks"));
    QCoreApplication::processEvents();
    EXPECT_EQ(db.msgBox.prompts, QStringList{told});
}

TEST_F(ShellTest, QuitWithoutANotificationAreaSaysNothing)
{
    port.present = false;
    dueboard.ShowMainScreen();
    Main().mnuExit_Click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(Forms::Loaded().isEmpty());
    EXPECT_EQ(db.msgBox.prompts, QStringList());
}

TEST_F(ShellTest, HideTasksThenShowTasksStartsAfreshOnToday)
{
    db.AddTask(1, QStringLiteral("First"), {}, TempDb::Today);
    db.AddTask(2, QStringLiteral("Second"), {}, TempDb::Today);
    dueboard.ShowMainScreen();
    Main().cmdNext_Click();
    ASSERT_EQ(Main().DTPicker1->Value(), TempDb::Today.addDays(1));

    RightClick(QStringLiteral("Hide Tasks"));
    EXPECT_FALSE(IsFormLoaded(QStringLiteral("frmMain")));
    EXPECT_EQ(gConnection, nullptr);

    RightClick(QStringLiteral("Show Tasks"));
    ASSERT_TRUE(IsFormLoaded(QStringLiteral("frmMain")));
    EXPECT_EQ(Main().DTPicker1->Value(), TempDb::Today);
    EXPECT_EQ(Main().tvwTasks->topLevelItemCount(), 2);
    EXPECT_EQ(Main().CurrentTaskID, 1);
}

TEST_F(ShellTest, DoubleClickShowsTheMainWindowOnlyWhenItIsNotLoaded)
{
    dueboard.ShowMainScreen();
    Main().mnuHide_Click();
    SendNotifyCallback(port.LastAdd(), WM_LBUTTONUP); // a single click does nothing
    EXPECT_FALSE(IsFormLoaded(QStringLiteral("frmMain")));

    SendNotifyCallback(port.LastAdd(), WM_LBUTTONDBLCLK);
    ASSERT_TRUE(IsFormLoaded(QStringLiteral("frmMain")));
    EXPECT_TRUE(Main().isVisible());

    // Loaded, on another day and minimised: left exactly as it is.
    Main().cmdNext_Click();
    Main().showMinimized();
    SendNotifyCallback(port.LastAdd(), WM_LBUTTONDBLCLK);
    EXPECT_TRUE(Main().isMinimized());
    EXPECT_EQ(Main().DTPicker1->Value(), TempDb::Today.addDays(1));
}

// Stands for any window whose name differs from the tray host's only in case.
class frmLookalike : public Form
{
public:
    frmLookalike() : Form(QStringLiteral("FRMSYSTRAY")) {}
};

TEST_F(ShellTest, QuitUnloadsEveryWindowAndRemovesTheIcon)
{
    dueboard.ShowMainScreen();
    Forms::Show(Forms::Named(QStringLiteral("frmHelp")));
    Forms::Load(Forms::Instance<frmLookalike>());
    ASSERT_EQ(Forms::Loaded().size(), 4);

    RightClick(QStringLiteral("Quit"));
    EXPECT_TRUE(Forms::Loaded().isEmpty());
    EXPECT_TRUE(port.icons.empty());
    EXPECT_EQ(port.calls.last().message, NIM_DELETE);
    EXPECT_EQ(gConnection, nullptr);
}

TEST_F(ShellTest, TheMainWindowsQuitTakesTheTrayDownToo)
{
    dueboard.ShowMainScreen();
    Main().mnuExit_Click();
    EXPECT_TRUE(Forms::Loaded().isEmpty());
    EXPECT_TRUE(port.icons.empty());
}

// "Quit" in the tray while the main window waits on a modal window: everything goes, quietly.
TEST_F(ShellTest, QuitWhileAModalWindowIsOpenEndsQuietly)
{
    dueboard.ShowMainScreen();
    QPushButton* pastDue = Main().cmdPastDue;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(100, [&] { RightClick(QStringLiteral("Quit")); });
        pastDue->setVisible(true);
        pastDue->click(); // returns once Quit has closed the past-due window
    });
    QTimer giveUp;
    giveUp.callOnTimeout([] { QCoreApplication::exit(1); });
    giveUp.start(3000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(Forms::Loaded().isEmpty());
    EXPECT_EQ(db.msgBox.prompts, QStringList());
}

// The idle end and the end after "Quit" both end the program's event loop.
bool EndsTheProgram(const std::function<void()>& action)
{
    QTimer::singleShot(0, action);
    QTimer giveUp;
    giveUp.callOnTimeout([] { QCoreApplication::exit(1); });
    giveUp.start(1500);
    return QCoreApplication::exec() == 0;
}

TEST_F(ShellTest, TheProgramEndsWhenIdleWithNoWindowOrAfterQuit)
{
    std::unique_ptr<clsDueboard> idle;
    EXPECT_TRUE(EndsTheProgram([&] { idle = std::make_unique<clsDueboard>(NoBus(), 50ms); }));

    dueboard.ShowMainScreen();
    EXPECT_FALSE(EndsTheProgram([&] { idle = std::make_unique<clsDueboard>(NoBus(), 50ms); }));
    EXPECT_TRUE(EndsTheProgram([&] { RightClick(QStringLiteral("Quit")); }));
}

} // namespace

// SPDX-License-Identifier: MIT
#include "launcher/launcher.h"
#include "support/qtprint.h"

#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace std::chrono_literals;

namespace
{

struct LauncherRun {
    int status = -1;
    QString errors;
};

// Every case gets a private session bus of its own, started the way dbus-run-session starts one,
// with a service directory for the activation cases.
class LauncherTest : public testing::Test
{
protected:
    // exec: the program a service file starts on activation; none when empty.
    void StartBus(const QString& mode, const QString& exec = {})
    {
        ASSERT_TRUE(m_dir.isValid());
        QDir(m_dir.path()).mkdir("services");
        WriteFile("bus.conf",
                  QStringLiteral("<busconfig><type>session</type>"
                                 "<listen>unix:path=%1/bus</listen><auth>EXTERNAL</auth>"
                                 "<servicedir>%1/services</servicedir>"
                                 "<policy context='default'>"
                                 "<allow send_destination='*' eavesdrop='true'/>"
                                 "<allow eavesdrop='true'/><allow own='*'/>"
                                 "</policy></busconfig>")
                      .arg(m_dir.path()));
        if (!exec.isEmpty())
            WriteFile("services/Dueboard.clsDueboard.service",
                      "[D-BUS Service]\nName=Dueboard.clsDueboard\nExec=" + exec + '\n');
        // The test process's environment reaches the daemon, so the programs it activates, and
        // the programs a launcher starts.
        qputenv("FAKE_SERVER_MODE", mode.toUtf8());
        qputenv("FAKE_SERVER_LOG", m_dir.filePath("events.log").toUtf8());
        m_daemon.start("dbus-daemon", {"--config-file=" + m_dir.filePath("bus.conf"), "--nofork",
                                       "--print-address=1"});
        ASSERT_TRUE(m_daemon.waitForReadyRead(5000))
            << m_daemon.readAllStandardError().toStdString();
        const QString address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
        m_bus = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, "test"));
        ASSERT_TRUE(m_bus->isConnected());
    }

    void TearDown() override
    {
        const QStringList started = Pids("start");
        const QStringList lost = Pids("lost");
        for (const QString& pid : started)
            if (!lost.contains(pid))
                ::kill(pid.toInt(), SIGTERM);
        m_bus.reset();
        QDBusConnection::disconnectFromBus("test");
        m_daemon.terminate();
        m_daemon.waitForFinished();
    }

    void WriteFile(const QString& name, const QString& text)
    {
        QFile file(m_dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }

    // The pids of the fake servers that logged the event, once per event.
    QStringList Pids(const QString& event) const
    {
        QFile log(m_dir.filePath("events.log"));
        QStringList pids;
        if (log.open(QIODevice::ReadOnly | QIODevice::Text))
            for (const QString& line : QString::fromUtf8(log.readAll()).split('\n'))
                if (line.startsWith(event + ' '))
                    pids << line.section(' ', 1);
        return pids;
    }

    // A program directory holding a copy of the launcher and, if asked, the fake program.
    QString ProgramDir(bool withServer)
    {
        const QString dir = m_dir.filePath("program");
        QDir().mkpath(dir);
        QFile::copy(LAUNCHER_PATH, dir + "/dueboard");
        if (withServer)
            QFile::link(FAKE_SERVER_PATH, dir + "/dueboard-server");
        return dir;
    }

    static std::unique_ptr<QProcess>
    StartLauncher(const QString& dir,
                  const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
    {
        auto launcher = std::make_unique<QProcess>();
        launcher->setProcessEnvironment(environment);
        launcher->start(dir + "/dueboard", QStringList());
        return launcher;
    }

    static LauncherRun Finish(QProcess& launcher)
    {
        if (!launcher.waitForFinished(15000))
            return {};
        return {launcher.exitCode(), QString::fromUtf8(launcher.readAllStandardError())};
    }

    void WaitForName() const
    {
        const QDeadlineTimer deadline(5s);
        while (!m_bus->interface()->isServiceRegistered(kServiceName) && !deadline.hasExpired())
            QThread::msleep(20);
    }

    QTemporaryDir m_dir;
    QProcess m_daemon;
    std::unique_ptr<QDBusConnection> m_bus;
};

TEST_F(LauncherTest, CallsTheRunningProgramWithoutStartingAnother)
{
    StartBus("ok");
    ASSERT_TRUE(QProcess::startDetached(FAKE_SERVER_PATH, {}));
    WaitForName();

    const LaunchResult result = Launch(*m_bus, m_dir.filePath("absent/dueboard-server"));

    EXPECT_EQ(result.status, LaunchStatus::Ok) << result.message.toStdString();
    EXPECT_EQ(Pids("start").size(), 1);
    EXPECT_EQ(Pids("call").size(), 1);
}

TEST_F(LauncherTest, ActivationStartsTheProgramThroughTheBus)
{
    StartBus("ok", FAKE_SERVER_PATH);

    const LaunchResult result = Launch(*m_bus, m_dir.filePath("absent/dueboard-server"));

    EXPECT_EQ(result.status, LaunchStatus::Ok) << result.message.toStdString();
    EXPECT_EQ(Pids("call").size(), 1);
}

TEST_F(LauncherTest, FailedActivationNamesTheCause)
{
    StartBus("ok", m_dir.filePath("absent/dueboard-server"));

    const LaunchResult result = Launch(*m_bus, m_dir.filePath("absent/dueboard-server"));

    EXPECT_EQ(result.status, LaunchStatus::ServerNotStarted);
    EXPECT_TRUE(
        result.message.startsWith("dueboard: the session bus could not start the program ("))
        << result.message.toStdString();
    EXPECT_TRUE(result.message.contains("dbus-update-activation-environment"));
}

// A program the bus starts and that cannot start says why through its status.
TEST_F(LauncherTest, FailedActivationNamesWhyTheProgramEnded)
{
    StartBus("exit-3", FAKE_SERVER_PATH);

    const LaunchResult result = Launch(*m_bus, m_dir.filePath("absent/dueboard-server"));

    EXPECT_EQ(result.status, LaunchStatus::ServerNotStarted);
    EXPECT_EQ(result.message,
              "dueboard: the session bus could not start the program (it found no display: "
              "neither DISPLAY nor WAYLAND_DISPLAY is set); is the display known to the bus? See "
              "dbus-update-activation-environment");
}

struct StartCase {
    const char* mode;
    LaunchStatus status;
    const char* message; // %1 stands for the program's path
};

void PrintTo(const StartCase& start, std::ostream* out)
{
    *out << start.mode;
}

class LauncherStartTest : public LauncherTest, public testing::WithParamInterface<StartCase>
{
};

// The launcher starts the program beside it when nothing owns the name and nothing activates it.
TEST_P(LauncherStartTest, StartsTheProgramBesideIt)
{
    StartBus(GetParam().mode);
    const QString server = ProgramDir(true) + "/dueboard-server";

    const LaunchResult result = Launch(*m_bus, server, {.call = 1000ms, .start = 1500ms});

    EXPECT_EQ(result.status, GetParam().status);
    EXPECT_EQ(result.message, QString::fromUtf8(GetParam().message).replace("%1", server));
    EXPECT_EQ(Pids("start").size(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, LauncherStartTest,
    testing::Values(
        StartCase{"late", LaunchStatus::Ok, ""},
        StartCase{"never", LaunchStatus::ServerNotStarted,
                  "dueboard: the program %1 did not take the bus name Dueboard.clsDueboard "
                  "within 1.5 s"},
        StartCase{"hang", LaunchStatus::CallTimedOut,
                  "dueboard: Dueboard.clsDueboard did not answer ShowMainScreen within 1 s"}),
    [](const testing::TestParamInfo<StartCase>& info) { return std::string(info.param.mode); });

struct ExitCase {
    const char* mode;
    const char* message; // %1 stands for the program's path
};

void PrintTo(const ExitCase& exit, std::ostream* out)
{
    *out << exit.mode;
}

class LauncherExitTest : public LauncherTest, public testing::WithParamInterface<ExitCase>
{
};

// A program that cannot start ends at once, and its status names the cause: the launcher says
// it in one line and does not wait out the time it gives a slow start.
TEST_P(LauncherExitTest, AProgramThatEndsIsReportedAtOnceWithItsCause)
{
    StartBus(GetParam().mode);
    qputenv("DISPLAY", ":77");
    const QString server = ProgramDir(true) + "/dueboard-server";

    QElapsedTimer clock;
    clock.start();
    const LaunchResult result = Launch(*m_bus, server, {.call = 1000ms, .start = 30000ms});

    EXPECT_LT(clock.elapsed(), 15000);
    EXPECT_EQ(result.status, LaunchStatus::ServerNotStarted);
    EXPECT_EQ(result.message, QString::fromUtf8(GetParam().message).replace("%1", server));
    EXPECT_EQ(Pids("start").size(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Causes, LauncherExitTest,
    testing::Values(
        ExitCase{"exit-3", "dueboard: the program %1 found no display: neither DISPLAY nor "
                           "WAYLAND_DISPLAY is set"},
        ExitCase{"exit-4", "dueboard: the program %1 could not open the display :77"},
        ExitCase{"exit-5", "dueboard: the program %1 could not connect to the D-Bus session bus"},
        ExitCase{"exit-6", "dueboard: the program %1 could not publish Dueboard.clsDueboard on "
                           "the session bus"},
        ExitCase{"exit-0", "dueboard: the program %1 ended with status 0 without taking the bus "
                           "name Dueboard.clsDueboard"},
        ExitCase{"exit-42", "dueboard: the program %1 ended with status 42 without taking the "
                            "bus name Dueboard.clsDueboard"},
        ExitCase{"crash", "dueboard: the program %1 crashed"}),
    [](const testing::TestParamInfo<ExitCase>& info) {
        return QString(info.param.mode).remove('-').toStdString();
    });

// The launcher's output ends with the launcher: whoever reads it (a pipe, `out=$(dueboard)`)
// is not held while the program it started runs on.
TEST_F(LauncherTest, TheProgramItStartsDoesNotHoldTheLaunchersOutput)
{
    StartBus("ok");
    QProcess shell;
    shell.setProcessChannelMode(QProcess::MergedChannels);
    shell.start("bash",
                {"-c", "out=$(\"$0\" 2>&1); echo \"[$out]\"", ProgramDir(true) + "/dueboard"});
    ASSERT_TRUE(shell.waitForFinished(15000)) << "the launcher's output stayed open";
    EXPECT_EQ(shell.readAll(), "[]\n");
    EXPECT_EQ(Pids("owner").size(), 1);
    EXPECT_EQ(Pids("call").size(), 1);
}

TEST_F(LauncherTest, ErrorOfTheCallIsPrintedOnOneLine)
{
    StartBus("fail");

    const LauncherRun run = Finish(*StartLauncher(ProgramDir(true)));

    EXPECT_EQ(run.status, int(LaunchStatus::CallFailed));
    EXPECT_EQ(run.errors,
              "dueboard: ShowMainScreen failed: Cannot open Dueboard.mdb: file is not a "
              "database\n");
}

TEST_F(LauncherTest, MissingProgramIsNamed)
{
    StartBus("ok");
    const QString dir = ProgramDir(false);

    const LauncherRun run = Finish(*StartLauncher(dir));

    EXPECT_EQ(run.status, int(LaunchStatus::ServerNotStarted));
    EXPECT_EQ(run.errors, "dueboard: cannot find the program " + dir + "/dueboard-server\n");
}

TEST_F(LauncherTest, NoSessionBusIsNamed)
{
    const QString dir = ProgramDir(true);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Without these, the bus library looks for the bus in the runtime directory or an X display.
    environment.remove("DISPLAY");
    environment.insert("XDG_RUNTIME_DIR", m_dir.path());

    environment.remove("DBUS_SESSION_BUS_ADDRESS");
    const LauncherRun unset = Finish(*StartLauncher(dir, environment));
    environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + m_dir.filePath("nobus"));
    const LauncherRun unreachable = Finish(*StartLauncher(dir, environment));

    EXPECT_EQ(unset.status, int(LaunchStatus::NoSessionBus));
    EXPECT_EQ(unset.errors,
              "dueboard: no D-Bus session bus (DBUS_SESSION_BUS_ADDRESS is not set)\n");
    EXPECT_EQ(unreachable.status, int(LaunchStatus::NoSessionBus));
    EXPECT_TRUE(
        unreachable.errors.startsWith("dueboard: cannot connect to the D-Bus session bus: "))
        << unreachable.errors.toStdString();
    EXPECT_EQ(unreachable.errors.count('\n'), 1);
    EXPECT_TRUE(Pids("start").isEmpty());
}

class LauncherRaceTest : public LauncherTest, public testing::WithParamInterface<bool>
{
};

// Ten launchers at once, with or without a service file, leave one program that took every call.
TEST_P(LauncherRaceTest, TenQuickRunsLeaveOneProgram)
{
    const bool activation = GetParam();
    StartBus("ok", activation ? FAKE_SERVER_PATH : "");
    const QString dir = ProgramDir(true);

    std::vector<std::unique_ptr<QProcess>> launchers;
    for (int i = 0; i < 10; ++i)
        launchers.push_back(StartLauncher(dir));
    for (const auto& launcher : launchers) {
        const LauncherRun run = Finish(*launcher);
        EXPECT_EQ(run.status, 0) << run.errors.toStdString();
    }

    // A program started in the race may still be asking for the name; it then gives up.
    const QDeadlineTimer deadline(5s);
    while (Pids("start").size() > Pids("owner").size() + Pids("lost").size() &&
           !deadline.hasExpired())
        QThread::msleep(20);
    const QStringList owners = Pids("owner");
    ASSERT_EQ(owners.size(), 1);
    EXPECT_EQ(Pids("start").size(), Pids("lost").size() + 1);
    EXPECT_EQ(Pids("call"), QStringList(10, owners.front()));
    if (activation) {
        EXPECT_EQ(Pids("start").size(), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Launchers, LauncherRaceTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "Activation" : "StartedBesideTheLauncher";
                         });

} // namespace

// SPDX-License-Identifier: MIT
#include "platform/app.h"
#include "store/autostart.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <optional>
#include <stdexcept>

namespace
{

// One environment variable, put back as it was when the test ends.
class EnvGuard
{
public:
    explicit EnvGuard(const char* name)
        : m_name(name), m_wasSet(qEnvironmentVariableIsSet(name)), m_value(qgetenv(name))
    {
    }
    ~EnvGuard()
    {
        if (m_wasSet)
            qputenv(m_name, m_value);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_wasSet;
    QByteArray m_value;
};

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void writeText(const QString& path, const QString& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
    file.write(text.toUtf8());
}

QMap<QString, QString> entryKeys(const QString& path)
{
    const QStringList lines = readText(path).split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.value(0), "[Desktop Entry]");
    QMap<QString, QString> keys;
    for (const QString& line : lines.mid(1))
        keys.insert(line.section(u'=', 0, 0), line.section(u'=', 1));
    return keys;
}

struct ToolRun {
    int status;
    QString output;
};

ToolRun runTool(const QString& tool, const QStringList& arguments)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        return {-1, tool + " is not installed"};
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(30000);
    const int status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return {status, QString::fromUtf8(process.readAll())};
}

class AutoStart : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config()));
        qputenv("HOME", QFile::encodeName(home()));
        App::SetPath(program());
    }
    void TearDown() override { App::SetPath({}); }

    QString config() const { return m_dir.filePath("config"); }
    QString home() const { return m_dir.filePath("home"); }
    QString program() const { return m_dir.filePath("program"); }
    QString folder() const { return config() + "/autostart"; }
    QString entry() const { return folder() + "/Dueboard.desktop"; }
    QStringList filesIn(const QString& dir) const
    {
        return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir m_dir;
    EnvGuard m_xdg{"XDG_CONFIG_HOME"};
    EnvGuard m_home{"HOME"};
};

TEST_F(AutoStart, YesMakesTheEntryOnceAndLeavesAnEditedOneAlone)
{
    ASSERT_FALSE(QFileInfo::exists(config()));
    EnableAutoStart();
    ASSERT_TRUE(QFileInfo(entry()).isFile()) << "the missing folders are created";
    EXPECT_EQ(filesIn(folder()), QStringList{"Dueboard.desktop"}) << "no temporary file is left";

    writeText(entry(), "edited by hand\n");
    EnableAutoStart();
    EXPECT_EQ(readText(entry()), "edited by hand\n");
}

TEST_F(AutoStart, NoRemovesTheEntryAndIsHarmlessWithoutOne)
{
    EXPECT_NO_THROW(DisableAutoStart());
    EXPECT_FALSE(QFileInfo::exists(config())) << "No creates nothing";

    EnableAutoStart();
    DisableAutoStart();
    EXPECT_FALSE(QFileInfo::exists(entry()));
    EXPECT_NO_THROW(DisableAutoStart());
}

TEST_F(AutoStart, EntryStartsTheLauncherInTheProgramDirectory)
{
    EnableAutoStart();
    const QString launcher = program() + "/dueboard";
    const QMap<QString, QString> expected{
        {"Type", "Application"}, {"Name", "Dueboard"},  {"Comment", "Dueboard"},
        {"TryExec", launcher},   {"Exec", launcher},    {"Icon", "org.example.Dueboard"},
        {"Path", program()},     {"Terminal", "false"},
    };
    EXPECT_EQ(entryKeys(entry()), expected);
}

// A build has the picture beside the programs; an install puts it in the icon theme.
TEST_F(AutoStart, EntryShowsTheProgramsIconNotTheLaunchersFile)
{
    ASSERT_TRUE(QDir().mkpath(program()));
    writeText(program() + "/org.example.Dueboard.svg", "<svg/>");
    EnableAutoStart();
    EXPECT_EQ(entryKeys(entry()).value("Icon"), program() + "/org.example.Dueboard.svg");
    EXPECT_EQ(entryKeys(entry()).value("Name"), "Dueboard");
}

TEST_F(AutoStart, GivenIconAndWorkingDirectoryAreWritten)
{
    EXPECT_TRUE(
        MakeShortcut(folder() + "/x", "Tasks", "/opt/d/dueboard", 1, "/icons/d.svg", "/work"));
    const QMap<QString, QString> keys = entryKeys(folder() + "/x.desktop");
    EXPECT_EQ(keys.value("Name"), "Tasks");
    EXPECT_EQ(keys.value("Exec"), "/opt/d/dueboard");
    EXPECT_EQ(keys.value("Icon"), "/icons/d.svg");
    EXPECT_EQ(keys.value("Path"), "/work");
}

TEST_F(AutoStart, DesktopIsAppendedUnlessThePathEndsInItInAnyCase)
{
    const struct {
        const char* given;
        const char* saved;
    } cases[] = {
        {"Dueboard", "Dueboard.desktop"},
        {"Dueboard.DESKTOP", "Dueboard.DESKTOP"},
        {"Dueboard.Desktop", "Dueboard.Desktop"},
        {"Dueboard.lnk", "Dueboard.lnk.desktop"},
    };
    for (const auto& c : cases) {
        const QString dir = m_dir.filePath(c.given + QStringLiteral("-case"));
        MakeShortcut(dir + '/' + c.given, "Dueboard", "/opt/d/dueboard");
        EXPECT_EQ(filesIn(dir), QStringList{c.saved}) << c.given;
    }
}

TEST_F(AutoStart, FolderFollowsXdgConfigHomeOrFallsBackToHome)
{
    const struct {
        std::optional<QByteArray> xdg;
        QString expected;
    } cases[] = {
        {config().toUtf8(), config() + "/autostart"},
        {std::nullopt, home() + "/.config/autostart"},
        {QByteArray(), home() + "/.config/autostart"},
        {"relative/config", home() + "/.config/autostart"},
    };
    for (const auto& c : cases) {
        if (c.xdg)
            qputenv("XDG_CONFIG_HOME", *c.xdg);
        else
            qunsetenv("XDG_CONFIG_HOME");
        EXPECT_EQ(GetSpecialFolder(CSIDL_STARTUP), c.expected) << c.xdg.value_or("(unset)").data();
    }
    EXPECT_EQ(GetSpecialFolder(CSIDL_STARTUP + 1), "");

    EnableAutoStart();
    EXPECT_TRUE(QFileInfo(home() + "/.config/autostart/Dueboard.desktop").isFile());
}

TEST_F(AutoStart, NoFolderAtAllIsReportedByYesAndIgnoredByNo)
{
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("HOME");
    EXPECT_EQ(GetSpecialFolder(CSIDL_STARTUP), "");
    EXPECT_THROW(EnableAutoStart(), std::runtime_error);
    EXPECT_NO_THROW(DisableAutoStart());
}

TEST_F(AutoStart, UnwritableFolderIsReportedNamingTheFileAndTheCause)
{
    // Root writes through any permission, so the folders lie under a regular file.
    writeText(m_dir.filePath("plainfile"), "not a folder\n");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath("plainfile")));
    try {
        EnableAutoStart();
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        const QString message = QString::fromUtf8(error.what());
        EXPECT_TRUE(message.contains(m_dir.filePath("plainfile/autostart/Dueboard.desktop")))
            << error.what();
        EXPECT_TRUE(message.contains("Not a directory")) << error.what();
    }

    // A folder squatting on the entry's name is not a file to leave alone either.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config()));
    ASSERT_TRUE(QDir().mkpath(entry()));
    EXPECT_THROW(EnableAutoStart(), std::runtime_error);
    EXPECT_THROW(MakeShortcut(m_dir.filePath("plainfile/x"), "Dueboard", "/opt/d/dueboard"),
                 std::runtime_error);
}

// Program directory names that break naive quoting. exec is the Exec value the entry must hold,
// or null where no Exec reads as the launcher's path for every reader: GLib refuses an entry
// whose program path needs %%, and dex 0.9 takes the backslash escapes of " ` $ \ literally.
struct OddName {
    const char* label;
    const char* name;
    const char* exec; // %1 stands for the launcher's path
};

// Test names carry the label; this keeps CTest's listing readable too.
void PrintTo(const OddName& odd, std::ostream* os)
{
    *os << odd.label;
}

const OddName oddNames[] = {
    {"Plain", "plain-dir_1.2+x@y,z=w", "%1"},
    {"Blanks", "with  blanks", "\"%1\""},
    {"SingleQuote", "it's", "\"%1\""},
    {"NonAsciiAndShellCharacters", "Grüße 日本 (a) & b; c|d <e> ~f *g? #h", "\"%1\""},
    {"Quotes", "it's \"quoted\"", nullptr},
    {"Backslash", R"(back\slash)", nullptr},
    {"DollarAndBacktick", "$HOME `id`", nullptr},
    {"Percent", "100% sure %u", nullptr},
    {"NewlineAndTab", "two\nlines\tand tab", nullptr},
};

class OddProgramDirectory : public AutoStart, public ::testing::WithParamInterface<OddName>
{
protected:
    // A stand-in launcher that records how it was started.
    void makeLauncher(const QString& dir) const
    {
        ASSERT_TRUE(QDir().mkpath(dir));
        writeText(dir + "/dueboard",
                  "#!/bin/sh\nprintf '%s\\n%s\\n' \"$0\" \"$(pwd -P)\" > '" + ranFile() + "'\n");
        QFile(dir + "/dueboard")
            .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString ranFile() const { return m_dir.filePath("ran.txt"); }
    QString waitForRun() const
    {
        QElapsedTimer timer;
        timer.start();
        while (!QFileInfo::exists(ranFile()) && timer.elapsed() < 10000)
            QThread::msleep(50);
        QThread::msleep(100); // let the one printf finish
        return readText(ranFile());
    }
};

// Every reader starts exactly the launcher, or there is an error naming the cause, nothing is
// written, and the error reaches the person instead of "Auto-Start Enabled".
TEST_P(OddProgramDirectory, SessionStartsExactlyTheLauncherOrNothingIsWritten)
{
    const OddName& odd = GetParam();
    ASSERT_TRUE(QRegularExpression("^[A-Za-z0-9/_.-]+$").match(m_dir.path()).hasMatch());
    const QString dir = m_dir.filePath(QString::fromUtf8(odd.name));
    const QString launcher = dir + "/dueboard";
    makeLauncher(dir);
    App::SetPath(dir);
    if (!odd.exec) {
        try {
            EnableAutoStart();
            ADD_FAILURE() << "an entry no desktop reads right was written";
        } catch (const std::runtime_error& error) {
            const QString message = QString::fromUtf8(error.what());
            EXPECT_TRUE(message.contains(launcher)) << error.what();
            EXPECT_TRUE(message.contains("Nothing was written")) << error.what();
        }
        EXPECT_FALSE(QFileInfo::exists(config()));
        return;
    }
    EnableAutoStart();

    EXPECT_EQ(entryKeys(entry()).value("Exec"), QString::fromUtf8(odd.exec).arg(launcher));

    const ToolRun validate = runTool("desktop-file-validate", {entry()});
    EXPECT_EQ(validate.status, 0) << qPrintable(validate.output);
    EXPECT_FALSE(validate.output.contains("error")) << qPrintable(validate.output);

    const ToolRun dex = runTool("dex", {"--autostart", "--search-paths", folder(), "--dry-run"});
    EXPECT_EQ(dex.status, 0) << qPrintable(dex.output);
    EXPECT_TRUE(dex.output.split(u'\n').contains("Executing command: " + launcher))
        << qPrintable(dex.output);
    EXPECT_TRUE(dex.output.split(u'\n').contains("Changing directory to: " + dir))
        << qPrintable(dex.output);

    const ToolRun gio = runTool("gio", {"launch", entry()});
    ASSERT_EQ(gio.status, 0) << qPrintable(gio.output);
    EXPECT_EQ(waitForRun(), launcher + '\n' + QFileInfo(dir).canonicalFilePath() + '\n');
}

// Where desktops cannot start the launcher by its own path, a link to it on the search path (the
// one an install makes) can stand in.
TEST_F(OddProgramDirectory, ALinkOnTheSearchPathStandsInForAnUnreadablePath)
{
    const QString dir = m_dir.filePath("100% sure");
    makeLauncher(dir);
    App::SetPath(dir);
    ASSERT_TRUE(QDir().mkpath(m_dir.filePath("bin")));
    const QString link = m_dir.filePath("bin/dueboard");
    ASSERT_TRUE(QFile::link(dir + "/dueboard", link));
    EnvGuard path("PATH");
    qputenv("PATH", QFile::encodeName(m_dir.filePath("bin")) + ':' + qgetenv("PATH"));

    EnableAutoStart();
    EXPECT_EQ(entryKeys(entry()).value("Exec"), link);
    const ToolRun gio = runTool("gio", {"launch", entry()});
    ASSERT_EQ(gio.status, 0) << qPrintable(gio.output);
    EXPECT_EQ(waitForRun().section(u'\n', 0, 0), link);
}

// Removing the program (the package) leaves the person's entry behind; desktops then skip it.
TEST_F(OddProgramDirectory, ReadersSkipTheEntryOnceTheLauncherIsGone)
{
    const QString dir = m_dir.filePath("with  blanks");
    makeLauncher(dir);
    App::SetPath(dir);
    EnableAutoStart();
    ASSERT_TRUE(QFile::remove(dir + "/dueboard"));

    const ToolRun dex = runTool("dex", {"--autostart", "--search-paths", folder(), "--dry-run"});
    EXPECT_EQ(dex.status, 0) << qPrintable(dex.output);
    EXPECT_FALSE(dex.output.contains("Executing command")) << qPrintable(dex.output);
}

INSTANTIATE_TEST_SUITE_P(Names, OddProgramDirectory, ::testing::ValuesIn(oddNames),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace

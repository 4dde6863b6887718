// SPDX-License-Identifier: MIT
// Where the task database lives: the one answer every program asks, and the first start that
// makes the database in a person's data folder.
#include "platform/app.h"
#include "platform/error.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>

namespace
{

void Touch(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
}

int Mode(const QString& path)
{
    struct stat st {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

QStringList FilesUnder(const QString& dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(dir).relativeFilePath(it.next());
    files.sort();
    return files;
}

// Sets or unsets one variable for the life of the object.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const std::optional<QString>& value)
        : m_name(name),
          m_old(qEnvironmentVariableIsSet(name) ? std::optional<QByteArray>(qgetenv(name))
                                                : std::nullopt)
    {
        Set(value ? std::optional<QByteArray>(value->toUtf8()) : std::nullopt);
    }
    ~ScopedEnv() { Set(m_old); }

private:
    void Set(const std::optional<QByteArray>& value)
    {
        if (value)
            qputenv(m_name, *value);
        else
            qunsetenv(m_name);
    }
    const char* m_name;
    std::optional<QByteArray> m_old;
};

enum class Where { Beside, XdgData, HomeData };

struct Case {
    const char* name;
    bool installed;   // the program directory holds the package's marker
    bool database;    // a Dueboard.mdb already lies beside the programs
    bool writable;    // the program directory is writable by its user
    const char* home; // "root" or "user": whose home HOME names
    const char* xdg;  // XDG_DATA_HOME: "set", "unset" or "relative"
    Where expected;
};

const Case cases[] = {
    // A directory the package installed never holds anyone's tasks, whatever lies there.
    {"InstalledUserXdg", true, false, false, "user", "set", Where::XdgData},
    {"InstalledUserNoXdg", true, false, false, "user", "unset", Where::HomeData},
    {"InstalledUserRelativeXdg", true, false, false, "user", "relative", Where::HomeData},
    {"InstalledRootXdg", true, false, false, "root", "set", Where::XdgData},
    {"InstalledRootNoXdg", true, false, false, "root", "unset", Where::HomeData},
    {"InstalledWritableWithDatabase", true, true, true, "root", "unset", Where::HomeData},
    {"InstalledReadOnlyWithDatabase", true, true, false, "user", "set", Where::XdgData},
    // Any other directory keeps its database beside the programs, as a build always did.
    {"OtherUserXdg", false, true, true, "user", "set", Where::Beside},
    {"OtherUserNoXdg", false, false, true, "user", "unset", Where::Beside},
    {"OtherReadOnlyNoDatabase", false, false, false, "user", "set", Where::Beside},
    {"OtherReadOnlyWithDatabase", false, true, false, "root", "unset", Where::Beside},
    {"OtherRootWritable", false, false, true, "root", "set", Where::Beside},
};

class DatabaseFolder : public testing::TestWithParam<Case>
{
protected:
    void TearDown() override
    {
        App::SetPath({});
        QFile::setPermissions(m_programs, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QTemporaryDir m_dir;
    QString m_programs;
};

TEST_P(DatabaseFolder, AnswersTheSameForEveryone)
{
    const Case& c = GetParam();
    ASSERT_TRUE(m_dir.isValid());
    m_programs = m_dir.filePath("lib/dueboard");
    const QString home = m_dir.filePath(QLatin1String(c.home));
    ASSERT_TRUE(QDir().mkpath(m_programs));
    if (c.installed)
        Touch(m_programs + '/' + App::PackageMarker);
    if (c.database)
        Touch(m_programs + "/Dueboard.mdb");
    if (!c.writable)
        QFile::setPermissions(m_programs, QFile::ReadOwner | QFile::ExeOwner);
    App::SetPath(m_programs);
    const QString xdg = m_dir.filePath("data");
    const QString xdgValue =
        QLatin1String(c.xdg) == QLatin1String("relative") ? QStringLiteral("data") : xdg;
    ScopedEnv homeVar("HOME", home);
    ScopedEnv xdgVar("XDG_DATA_HOME", QLatin1String(c.xdg) == QLatin1String("unset")
                                          ? std::nullopt
                                          : std::optional<QString>(xdgValue));
    const QStringList before = FilesUnder(m_dir.path());

    const QString expected = c.expected == Where::Beside    ? m_programs
                             : c.expected == Where::XdgData ? xdg + "/dueboard"
                                                            : home + "/.local/share/dueboard";
    EXPECT_EQ(App::DataInHome(), c.installed);
    EXPECT_EQ(App::DatabaseFolder(), expected);
    EXPECT_EQ(App::DatabaseFile(), expected + "/Dueboard.mdb");
    EXPECT_EQ(FilesUnder(m_dir.path()), before) << "asking wrote something";
}

INSTANTIATE_TEST_SUITE_P(Table, DatabaseFolder, testing::ValuesIn(cases),
                         [](const testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.name);
                         });

// An installed program directory with the real tools in it, and a data folder for its user.
class FirstStart : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_programs = m_dir.filePath("lib/dueboard");
        ASSERT_TRUE(QDir().mkpath(m_programs));
        ASSERT_TRUE(QFile::copy(DUEBOARD_INITDB, m_programs + "/dueboard-initdb"));
        ASSERT_TRUE(QFile::copy(DUEBOARD_LAUNCHER, m_programs + "/dueboard"));
        Touch(m_programs + '/' + App::PackageMarker);
        m_home = m_dir.filePath("home");
        ASSERT_TRUE(QDir().mkpath(m_home));
    }

    struct Run {
        int status;
        QString errors;
    };
    Run Start(const QString& program, const std::optional<QString>& xdgDataHome,
              const std::optional<QString>& home)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("XDG_DATA_HOME");
        env.remove("HOME");
        if (xdgDataHome)
            env.insert("XDG_DATA_HOME", *xdgDataHome);
        if (home)
            env.insert("HOME", *home);
        // No bus: the launcher must stop before it looks for one when the database is missing.
        env.remove("DBUS_SESSION_BUS_ADDRESS");
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(m_programs + '/' + program, {});
        process.waitForFinished(20000);
        return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError())};
    }

    QTemporaryDir m_dir;
    QString m_programs;
    QString m_home;
};

TEST_F(FirstStart, MakesAPrivateDatabaseInTheDataFolderAndNothingBesideThePrograms)
{
    const QStringList programs = FilesUnder(m_programs);
    const QString data = m_home + "/.local/share";
    const Run run = Start("dueboard-initdb", std::nullopt, m_home);
    ASSERT_EQ(run.status, 0) << qPrintable(run.errors);
    for (const QString& folder : {m_home + "/.local", data, data + "/dueboard"})
        EXPECT_EQ(Mode(folder), 0700) << qPrintable(folder);
    EXPECT_EQ(Mode(data + "/dueboard/Dueboard.mdb"), 0600);
    EXPECT_EQ(FilesUnder(m_programs), programs);
}

TEST_F(FirstStart, LeavesAnExistingDataFolderAsItsOwnerMadeIt)
{
    const QString data = m_dir.filePath("data");
    ASSERT_TRUE(QDir().mkpath(data + "/dueboard"));
    QFile::setPermissions(data + "/dueboard", QFile::ReadOwner | QFile::WriteOwner |
                                                  QFile::ExeOwner | QFile::ReadGroup |
                                                  QFile::ExeGroup);
    const Run run = Start("dueboard-initdb", data, m_home);
    ASSERT_EQ(run.status, 0) << qPrintable(run.errors);
    EXPECT_EQ(Mode(data + "/dueboard"), 0750);
    EXPECT_EQ(Mode(data + "/dueboard/Dueboard.mdb"), 0600);
    EXPECT_FALSE(QFile::exists(m_home + "/.local")) << "XDG_DATA_HOME was not asked";
}

// A data folder that cannot be made: the tool and the launcher say which and why, and no
// database appears anywhere else.
struct Unmakeable {
    const char* name;
    const char* program;
    bool fileInTheWay; // XDG_DATA_HOME names a file; else neither variable is usable
    int status;
    const char* says;
};

const Unmakeable unmakeable[] = {
    {"InitDbFileInTheWay", "dueboard-initdb", true, 1,
     "dueboard-initdb: Cannot make the folder %1/blocker/dueboard for the task database"},
    {"InitDbNoHome", "dueboard-initdb", false, 1,
     "dueboard-initdb: Cannot find the data folder for the task database: neither "
     "XDG_DATA_HOME nor HOME is an absolute path"},
    {"LauncherFileInTheWay", "dueboard", true, 5,
     "dueboard: could not make the task database: dueboard-initdb: Cannot make the folder "
     "%1/blocker/dueboard"},
    {"LauncherNoHome", "dueboard", false, 5,
     "dueboard: Cannot find the data folder for the task database"},
};

class DataFolderUnmakeable : public FirstStart, public testing::WithParamInterface<Unmakeable>
{
};

TEST_P(DataFolderUnmakeable, SaysWhyAndWritesNothingElsewhere)
{
    const Unmakeable& c = GetParam();
    Touch(m_dir.filePath("blocker"));
    const QStringList before = FilesUnder(m_dir.path());
    const Run run = c.fileInTheWay ? Start(c.program, m_dir.filePath("blocker"), m_home)
                                   : Start(c.program, "relative/data", std::nullopt);
    EXPECT_EQ(run.status, c.status);
    EXPECT_TRUE(run.errors.startsWith(QString::fromUtf8(c.says).replace("%1", m_dir.path())))
        << qPrintable(run.errors);
    EXPECT_EQ(run.errors.count('\n'), 1) << qPrintable(run.errors);
    EXPECT_EQ(FilesUnder(m_dir.path()), before);
}

INSTANTIATE_TEST_SUITE_P(Table, DataFolderUnmakeable, testing::ValuesIn(unmakeable),
                         [](const testing::TestParamInfo<Unmakeable>& info) {
                             return std::string(info.param.name);
                         });

} // namespace

// SPDX-License-Identifier: MIT
// The empty database and the tool that makes it.
#include "schema.h"
#include "store/appfunctions.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

namespace
{

struct ToolRun {
    int exitCode;
    QString output;
};

ToolRun runTool(const QStringList& args)
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(QStringLiteral(DUEBOARD_INITDB), args);
    tool.waitForFinished(10000);
    return {tool.exitCode(), QString::fromLocal8Bit(tool.readAll())};
}

TEST(InitDb, CreatesAnEmptyDatabaseTheStoreOpens)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("Dueboard.mdb");
    const ToolRun run = runTool({dir.path()});
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.output);
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_FALSE(QFile::exists(file + ".partial"));

    adodb::Connection c;
    c.Open("PROVIDER=MICROSOFT.JET.OLEDB.4.0;DATA SOURCE=" + file);
    adodb::Recordset rs;
    rs.Open(" SELECT * FROM TASKS ", c);
    EXPECT_TRUE(rs.Eof());
}

TEST(InitDb, NeverTouchesAnExistingFile)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("Dueboard.mdb");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("precious");
    }
    const ToolRun run = runTool({dir.path()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.output.contains("already exists")) << qPrintable(run.output);
    EXPECT_THROW(Schema::CreateDatabase(file), std::runtime_error);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "precious");
}

TEST(InitDb, RejectsAMissingDirectory)
{
    QTemporaryDir dir;
    const ToolRun run = runTool({dir.filePath("nowhere")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.output.contains("not a directory")) << qPrintable(run.output);
}

TEST(InitDb, SchemaKeepsMalformedDatesOut)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("Dueboard.mdb");
    Schema::CreateDatabase(file);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &db), SQLITE_OK);
    for (const char* date : {"'3/5/2026'", "'2026-02-30'", "20260305", "'2026-3-5'", "NULL"}) {
        const QByteArray sql = QByteArray("INSERT INTO TASKS (TASK_DATE) VALUES (") + date + ")";
        EXPECT_NE(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK) << date;
    }
    EXPECT_EQ(sqlite3_exec(db, "INSERT INTO TASKS (TASK_DATE) VALUES ('2028-02-29')", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
}

mode_t ModeOf(const QString& path)
{
    struct stat st {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

void WriteATask(const QString& file)
{
    adodb::Connection c;
    c.Open("PROVIDER=MICROSOFT.JET.OLEDB.4.0;DATA SOURCE=" + file);
    c.Execute(" UPDATE TASKS  SET TASK_STATUS = 'COMPLETE'  WHERE TASK_ID = 1 ");
    EXPECT_TRUE(QFile::exists(file + "-wal"));
    EXPECT_TRUE(QFile::exists(file + "-shm"));
    for (const char* journal : {"-wal", "-shm"})
        EXPECT_EQ(ModeOf(file + journal), ModeOf(file)) << journal;
}

// Tasks are nobody else's business: a new file is the owner's alone, whatever the umask, and so
// are the journal files SQLite makes beside it. An existing file keeps the mode its owner chose.
TEST(InitDb, NewDatabasesAreReadableByTheirOwnerOnly)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("Dueboard.mdb");
    const mode_t umaskWas = ::umask(022);
    const ToolRun run = runTool({dir.path()});
    ::umask(umaskWas);
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.output);
    EXPECT_EQ(ModeOf(file), 0600u);
    WriteATask(file);

    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0640), 0);
    QFile::remove(file + "-wal");
    QFile::remove(file + "-shm");
    EXPECT_EQ(runTool({dir.path()}).exitCode, 0);
    WriteATask(file);
    EXPECT_EQ(ModeOf(file), 0640u);
}

} // namespace

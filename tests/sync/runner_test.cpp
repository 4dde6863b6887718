// SPDX-License-Identifier: MIT
// The program's background runs of the real dueboard-sync.
#include "support/tempdb.h"
#include "sync/runner/syncrunner.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace
{

struct Runner {
    QStringList notified;
    SyncRunner runner;
    QSignalSpy finished{&runner, &SyncRunner::RunFinished};
    QSignalSpy changed{&runner, &SyncRunner::TasksChanged};
    explicit Runner(const TempDb& db)
        : runner(QStringLiteral(DUEBOARD_SYNC), db.File(),
                 [this](const QString& body) { notified << body; })
    {
    }
    int awaitRun(int count)
    {
        [&] { ASSERT_TRUE(QTest::qWaitFor([&] { return finished.size() >= count; }, 20000)); }();
        return finished.isEmpty() ? -2 : finished.last().at(0).toInt();
    }
};

TEST(SyncRunnerTest, WithNoCollectionSetUpARunSaysNothing)
{
    TempDb db(TempDb::Connect::Closed);
    Runner r(db);
    r.runner.RunSoon();
    EXPECT_EQ(r.awaitRun(1), 3);
    EXPECT_TRUE(r.notified.isEmpty());
    EXPECT_TRUE(r.changed.isEmpty());
    EXPECT_EQ(db.Scalar("SELECT count(*) FROM sqlite_master WHERE name LIKE 'SYNC%'").toInt(), 0)
        << "a database without sync set up is left as it was";
}

TEST(SyncRunnerTest, AFailureIsToldOnceAndAChangeStartsARunSoon)
{
    TempDb db(TempDb::Connect::Closed);
    // The tool makes its tables (an export does); then a collection it cannot reach.
    ASSERT_EQ(QProcess::execute(QStringLiteral(DUEBOARD_SYNC),
                                {"--database", db.File(), "export", db.Dir() + "/all.ics"}),
              0);
    db.Exec("INSERT INTO SYNC_STATE VALUES ('URL', 'http://127.0.0.1:9/tasks/'), "
            "('USER', 'ann')");
    Runner r(db);
    r.runner.SetDelays(200, 60 * 60 * 1000);
    r.runner.RunSoon();
    EXPECT_EQ(r.awaitRun(1), 1);
    ASSERT_EQ(r.notified.size(), 1);
    EXPECT_TRUE(r.notified[0].contains("dueboard-sync")) << r.notified[0].toStdString();
    QTest::qWait(2100); // the tool's own writes are not a change
    // The program writes a task: a run follows shortly, and fails again without a word.
    db.AddTask(1, "New", "", TempDb::Today);
    EXPECT_EQ(r.awaitRun(2), 1);
    EXPECT_EQ(r.notified.size(), 1);
}

TEST(SyncRunnerTest, ARunPastItsLimitIsEndedAndTold)
{
    TempDb db(TempDb::Connect::Closed);
    const QString stuck = db.Dir() + "/stuck-sync";
    QFile script(stuck);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nexec sleep 60\n");
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QStringList notified;
    SyncRunner runner(stuck, db.File(), [&](const QString& body) { notified << body; });
    QSignalSpy finished(&runner, &SyncRunner::RunFinished);
    runner.SetRunLimit(300);
    runner.RunSoon();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !finished.isEmpty(); }, 10000));
    EXPECT_EQ(finished.first().at(0).toInt(), -1);
    ASSERT_EQ(notified.size(), 1);
    EXPECT_TRUE(notified[0].contains("took longer")) << notified[0].toStdString();
}

} // namespace

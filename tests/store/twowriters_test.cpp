// SPDX-License-Identifier: MIT
// Two processes issuing identifiers from one file at the same time.
#include "support/tempdb.h"

#include <QProcess>
#include <QSet>
#include <gtest/gtest.h>

namespace
{

TEST(TwoWriters, NeverIssueOneIdentifierTwice)
{
    TempDb db(TempDb::Connect::Closed);
    constexpr int each = 400;
    QProcess first, second;
    for (QProcess* p : {&first, &second})
        p->start(QStringLiteral(DUEBOARD_IDISSUER), {db.File(), QString::number(each)});
    QSet<int> issued;
    int lines = 0;
    for (QProcess* p : {&first, &second}) {
        ASSERT_TRUE(p->waitForFinished(60000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
        for (const QByteArray& line : p->readAllStandardOutput().split('\n'))
            if (!line.isEmpty()) {
                issued.insert(line.toInt());
                ++lines;
            }
    }
    EXPECT_EQ(lines, 2 * each);
    EXPECT_EQ(issued.size(), 2 * each) << "an identifier was issued twice";
    EXPECT_EQ(db.Scalar("SELECT VALUE FROM sysIDS WHERE CODE = 'TASK'").toInt(), 2 * each);
}

} // namespace

// SPDX-License-Identifier: MIT
#include "reminders/duetasks.h"

#include "store/appfunctions.h"

namespace
{

constexpr int kTitles = 3;

// Counts the rows of sql that are open, keeping titles while there is room.
int CountOpen(adodb::Connection& connection, const QString& sql, QStringList& titles)
{
    int count = 0;
    adodb::Recordset rs;
    rs.Open(sql, connection);
    for (; !rs.Eof(); rs.MoveNext()) {
        if (rs.Fields(QStringLiteral("TASK_STATUS")).Value().toString() == TaskStatus::COMPLETE)
            continue;
        ++count;
        if (titles.size() < kTitles)
            titles << rs.Fields(QStringLiteral("TASK_TITLE")).Value().toString().simplified();
    }
    rs.Close();
    return count;
}

} // namespace

DueTasks ReadDueTasks(const QDate& day)
{
    adodb::Connection own;
    adodb::Connection* connection = gConnection.get();
    if (!connection || !connection->IsOpen()) {
        own.Mode = adodb::adModeRead;
        own.Open(ConnectionString());
        connection = &own;
    }
    DueTasks due;
    due.today = CountOpen(*connection, Sql::SelectDay(day), due.titles);
    due.pastDue = CountOpen(*connection, Sql::SelectPastDue(day), due.titles);
    return due;
}

QString NotificationBody(const DueTasks& due, bool markup)
{
    const QString today = due.today == 1 ? QStringLiteral("1 task due today")
                                         : QStringLiteral("%1 tasks due today").arg(due.today);
    const QString body =
        (QStringList{today + QStringLiteral(", %1 past due").arg(due.pastDue)} + due.titles)
            .join(u'\n');
    return markup ? body.toHtmlEscaped() : body;
}

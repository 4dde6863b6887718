// SPDX-License-Identifier: MIT
// dueboard-sync: keeps the task database in step with iCalendar files and a CalDAV collection.
#include "tool.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return RunSyncTool(app.arguments().mid(1), out, err);
}

// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>
#include <QTextStream>

// dueboard-sync's commands: what it prints goes to out (the summary) and err (what went
// wrong); the result is the exit status.
int RunSyncTool(const QStringList& args, QTextStream& out, QTextStream& err);

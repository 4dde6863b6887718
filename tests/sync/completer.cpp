// SPDX-License-Identifier: MIT
// "Mark Complete" as the program does it, on a database file of its own: completer FILE TASK_ID
#include "platform/hook.h"
#include "platform/msgbox.h"
#include "store/appfunctions.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    // The failure CompleteTask reports goes to stderr, not to a window.
    const ScopedHook report(MsgBoxHandler(), [](const QString& prompt, MsgBoxButtons) {
        std::fprintf(stderr, "%s\n", qPrintable(prompt));
        return MsgBoxResult::OK;
    });
    try {
        gConnection = std::make_unique<adodb::Connection>();
        gConnection->Open(QStringLiteral("DATA SOURCE=") + QString::fromLocal8Bit(argv[1]));
        return CompleteTask(QByteArray(argv[2]).toInt()) ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}

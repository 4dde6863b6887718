// SPDX-License-Identifier: MIT
#include "launcher/launcher.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString dir = QCoreApplication::applicationDirPath() + '/';
    const std::optional<LaunchResult> noDatabase = MakeDatabase(dir + kInitDbProgram);
    const LaunchResult result =
        noDatabase ? *noDatabase : Launch(QDBusConnection::sessionBus(), dir + kServerProgram);
    if (!result.message.isEmpty())
        std::fprintf(stderr, "%s\n", qUtf8Printable(result.message));
    std::fflush(nullptr);
    // Leave without tearing Qt D-Bus down: its thread may still deliver a late reply into a
    // half-destroyed type registry and print warnings after our one line.
    std::_Exit(static_cast<int>(result.status));
}

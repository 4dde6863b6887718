// SPDX-License-Identifier: MIT
#include "launcher/launcher.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString server = QCoreApplication::applicationDirPath() + '/' + kServerProgram;
    const LaunchResult result = Launch(QDBusConnection::sessionBus(), server);
    if (!result.message.isEmpty())
        std::fprintf(stderr, "%s\n", qUtf8Printable(result.message));
    return static_cast<int>(result.status);
}

// SPDX-License-Identifier: MIT
// dueboard-initdb [DIRECTORY]: makes an empty Dueboard.mdb in DIRECTORY (by default the folder
// where the programs beside the tool keep their database, made if missing) unless one is
// already there.
#include "platform/app.h"
#include "schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <stdexcept>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() > 2 || (args.size() == 2 && args[1].startsWith(QLatin1Char('-')))) {
        std::fprintf(stderr, "usage: dueboard-initdb [DIRECTORY]\n");
        return 2;
    }
    try {
        if (args.size() == 1)
            App::MakeDatabaseFolder();
        const QString dir = args.size() == 2 ? args[1] : App::DatabaseFolder();
        if (!QFileInfo(dir).isDir()) {
            std::fprintf(stderr, "dueboard-initdb: %s is not a directory\n", qUtf8Printable(dir));
            return 1;
        }
        const QString path = QDir(dir).filePath(App::DatabaseName);
        if (QFileInfo::exists(path)) {
            std::printf("%s already exists; left unchanged\n", qUtf8Printable(path));
            return 0;
        }
        Schema::CreateDatabase(path);
        std::printf("Created the empty task database %s\n", qUtf8Printable(path));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dueboard-initdb: %s\n", e.what());
        return 1;
    }
    return 0;
}

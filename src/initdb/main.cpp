// SPDX-License-Identifier: MIT
// dueboard-initdb [DIRECTORY]: makes an empty Dueboard.mdb in DIRECTORY (by default the
// tool's own directory) unless one is already there.
#include "schema.h"
#include "store/dbformat.h"

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
    const QString dir = args.size() == 2 ? args[1] : QCoreApplication::applicationDirPath();
    if (!QFileInfo(dir).isDir()) {
        std::fprintf(stderr, "dueboard-initdb: %s is not a directory\n", qUtf8Printable(dir));
        return 1;
    }
    const QString path = QDir(dir).filePath(QLatin1String(DbFormat::FileName));
    if (QFileInfo::exists(path)) {
        std::printf("%s already exists; left unchanged\n", qUtf8Printable(path));
        return 0;
    }
    try {
        Schema::CreateDatabase(path);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dueboard-initdb: %s\n", e.what());
        return 1;
    }
    std::printf("Created the empty task database %s\n", qUtf8Printable(path));
    return 0;
}

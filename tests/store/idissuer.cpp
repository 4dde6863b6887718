// SPDX-License-Identifier: MIT
// Issues identifiers from a database as fast as it can, one per line, the way a second
// process writing the same file would: idissuer FILE COUNT
#include "store/appfunctions.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    try {
        gConnection = std::make_unique<adodb::Connection>();
        gConnection->Open(QStringLiteral("DATA SOURCE=") + QString::fromLocal8Bit(argv[1]));
        const int count = QByteArray(argv[2]).toInt();
        for (int i = 0; i < count; ++i)
            std::printf("%d\n", GetNextID(QStringLiteral("TASK")));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}

// SPDX-License-Identifier: MIT
// autostartprobe DIRECTORY: makes the log-on entry for the programs in DIRECTORY, as the program's
// "Auto-Start Options" does on Yes, and prints "Enabled" or the error the person would read.
#include "platform/app.h"
#include "store/autostart.h"

#include <QCoreApplication>
#include <cstdio>
#include <stdexcept>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        std::fprintf(stderr, "usage: autostartprobe DIRECTORY\n");
        return 2;
    }
    App::SetPath(app.arguments().at(1));
    try {
        EnableAutoStart();
    } catch (const std::exception& e) {
        std::printf("%s\n", e.what());
        return 1;
    }
    std::printf("Enabled\n");
    return 0;
}

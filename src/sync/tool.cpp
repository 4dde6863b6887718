// SPDX-License-Identifier: MIT
#include "tool.h"

#include "files.h"
#include "platform/app.h"
#include "platform/clock.h"
#include "store/appfunctions.h"
#include "store/dbformat.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace
{

const char* const usage = "usage: dueboard-sync [--database FILE] [COMMAND]\n"
                          "  (no command)            sync with the collection set up\n"
                          "  setup URL USER [--allow-http]\n"
                          "                          set up the collection; asks for the "
                          "password\n"
                          "  export FILE.ics         write every task to FILE.ics\n"
                          "  import FILE.ics         add or update tasks from FILE.ics\n";

struct Context {
    QString file;
    std::unique_ptr<SyncDb> db;
};

int exportFile(Context& c, const QString& path, QTextStream& out, QTextStream& err)
{
    int count = 0;
    const QByteArray text = Files::Export(*c.db, &count);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        err << "dueboard-sync: cannot write " << path << ": " << file.errorString() << "\n";
        return 1;
    }
    out << "Exported " << count << " tasks to " << path << "\n";
    return 0;
}

int importFile(Context& c, const QString& path, QTextStream& out, QTextStream& err)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        err << "dueboard-sync: cannot read " << path << ": " << file.errorString() << "\n";
        return 1;
    }
    const Files::ImportSummary s =
        Files::Import(*c.db, file.readAll(), Today(), [] { return GetNextID("TASK"); });
    for (const QString& message : s.messages)
        out << message << "\n";
    out << "Imported " << path << ": " << s.added << " added, " << s.changed << " changed, "
        << s.unchanged << " unchanged\n";
    return 0;
}

} // namespace

int RunSyncTool(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QStringList args = arguments;
    Context c;
    c.file = QDir(App::Path()).filePath(QLatin1String(DbFormat::FileName));
    if (args.size() >= 2 && args[0] == QLatin1String("--database")) {
        c.file = args[1];
        args = args.mid(2);
    }
    const QString command = args.value(0);
    const bool files = command == QLatin1String("export") || command == QLatin1String("import");
    if (files && args.size() != 2) {
        err << usage;
        return 2;
    }
    try {
        // The store checks that this is a Dueboard database before anything is written.
        gConnection = std::make_unique<adodb::Connection>();
        gConnection->Open(QStringLiteral("DATA SOURCE=") + c.file);
        c.db = std::make_unique<SyncDb>(c.file);
        if (command == QLatin1String("export"))
            return exportFile(c, args[1], out, err);
        if (command == QLatin1String("import"))
            return importFile(c, args[1], out, err);
    } catch (const std::exception& e) {
        err << "dueboard-sync: " << e.what() << "\n";
        return 1;
    }
    err << usage;
    return 2;
}

// SPDX-License-Identifier: MIT
// Replays the import of every file of the corpus (tests/sync/corpus), built with the address
// and undefined-behaviour sanitizers: each file is imported into a new database, read as a
// server's resource, and its tasks written back out. A file may be refused; nothing may crash,
// leak, read out of bounds or throw past the import.
#include "schema.h"
#include "sync/files.h"
#include "sync/reconcile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace
{

void replay(const QByteArray& text)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Dueboard.mdb"));
    Schema::CreateDatabase(file);
    SyncDb db(file);
    qint32 id = 0;
    Files::Import(db, text, QDate(2026, 3, 5), [&] { return ++id; });
    Ical::ReadTodo(text);
    for (const SyncDb::Item& item : db.Items()) {
        Ical::Fields changed = db.Task(item.taskId).value_or(item.sent);
        changed.title += QStringLiteral(" (edited)");
        changed.due = changed.due.addDays(1);
        Reconcile::Outbound(item, changed);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: sync_corpus_replay DIRECTORY\n");
        return 2;
    }
    const QDir corpus(QString::fromLocal8Bit(argv[1]));
    const QStringList names = corpus.entryList({QStringLiteral("*.ics")}, QDir::Files, QDir::Name);
    int failed = 0;
    for (const QString& name : names) {
        QFile f(corpus.filePath(name));
        if (!f.open(QIODevice::ReadOnly))
            return 2;
        QElapsedTimer timer;
        timer.start();
        try {
            replay(f.readAll());
        } catch (const std::exception& e) {
            std::printf("%s: %s\n", qPrintable(name), e.what());
            ++failed;
        }
        std::printf("%s %lld ms\n", qPrintable(name), qint64(timer.elapsed()));
    }
    std::printf("%lld files, %d failed\n", qint64(names.size()), failed);
    return names.isEmpty() || failed ? 1 : 0;
}

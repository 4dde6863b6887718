// SPDX-License-Identifier: MIT
#include "tool.h"

#include "files.h"
#include "platform/app.h"
#include "platform/clock.h"
#include "run.h"
#include "secret.h"
#include "store/appfunctions.h"
#include "store/dbformat.h"
#include "trust.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace
{

const char* const usage =
    "usage: dueboard-sync [--database FILE] [COMMAND]\n"
    "  (no command)            sync with the collection set up (status 3: none is)\n"
    "  setup URL USER [--allow-http] [--ca FILE]\n"
    "                          set up the collection; asks for the "
    "password;\n"
    "                          --ca: a PEM authority or the server's own "
    "certificate to trust\n"
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

const QString urlKey = QStringLiteral("URL");
const QString userKey = QStringLiteral("USER");
const QString allowHttpKey = QStringLiteral("ALLOW_HTTP");
const QString caKey = QStringLiteral("CA");

// `--ca FILE` taken out of args: the certificates the person trusts for this collection.
Trust takeTrust(QStringList& args)
{
    const qsizetype at = args.indexOf(QStringLiteral("--ca"));
    if (at < 0 || at + 1 >= args.size())
        return {};
    const QString path = args[at + 1];
    args.remove(at, 2);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw CalDav::Failure(
            QStringLiteral("cannot read %1: %2").arg(path, file.errorString()).toStdString());
    const Trust trust = Trust::FromPem(file.readAll());
    if (trust.IsEmpty())
        throw CalDav::Failure(
            QStringLiteral("%1 holds no PEM certificate (-----BEGIN CERTIFICATE-----)")
                .arg(path)
                .toStdString());
    return trust;
}

// From the terminal without echo, or the first line of whatever stdin is.
QString askPassword(QTextStream& err)
{
    const bool terminal = ::isatty(STDIN_FILENO);
    termios saved{};
    if (terminal) {
        err << "Password: " << Qt::flush;
        ::tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    QTextStream in(stdin);
    const QString password = in.readLine();
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        err << "\n";
    }
    return password;
}

int setup(Context& c, const QStringList& args, QTextStream& out, QTextStream& err)
{
    const bool allowHttp = args.contains(QStringLiteral("--allow-http"));
    QStringList rest = args;
    rest.removeAll(QStringLiteral("--allow-http"));
    const Trust trust = takeTrust(rest);
    if (rest.size() != 3) {
        err << usage;
        return 2;
    }
    const QUrl url = CalDav::CheckedUrl(rest[1], allowHttp);
    const QString password = askPassword(err);
    CalDav::Client client(url, rest[2], password);
    client.SetTrust(trust);
    const bool offers = client.OffersSyncCollection(); // proves the address and the login
    Secret::Store(Secret::KeyFor(c.file), password);
    const bool otherCollection = c.db->State(urlKey) != client.Collection().toString();
    c.db->Transaction([&] {
        c.db->SetState(urlKey, client.Collection().toString());
        c.db->SetState(userKey, rest[2]);
        c.db->SetState(allowHttpKey, allowHttp ? QStringLiteral("1") : QStringLiteral("0"));
        c.db->SetState(caKey, QString::fromLatin1(trust.Pem()));
        c.db->SetState(QStringLiteral("SYNC_COLLECTION"),
                       offers ? QStringLiteral("1") : QStringLiteral("0"));
        if (!otherCollection)
            return;
        // Another collection: every task is new to it.
        c.db->SetState(QStringLiteral("SYNC_TOKEN"), QString());
        for (SyncDb::Item item : c.db->Items()) {
            item.href.clear();
            item.etag.clear();
            c.db->SaveItem(item);
        }
    });
    for (const QString& print : trust.Fingerprints())
        out << "Trusting the certificate with SHA-256 fingerprint " << print << "\n";
    out << "Set up " << client.Collection().toDisplayString() << " for " << rest[2]
        << "; the password is in the desktop's secret store. Run dueboard-sync to sync.\n";
    return 0;
}

int sync(Context& c, QTextStream& out, QTextStream& err)
{
    const QString address = c.db->HasTables() ? c.db->State(urlKey) : QString();
    if (address.isEmpty()) {
        err << "dueboard-sync: no collection is set up for " << c.file
            << "; run dueboard-sync setup URL USER first\n";
        return 3;
    }
    const QUrl url = CalDav::CheckedUrl(address, c.db->State(allowHttpKey) == QLatin1String("1"));
    CalDav::Client client(url, c.db->State(userKey), Secret::Read(Secret::KeyFor(c.file)));
    client.SetTrust(Trust::FromPem(c.db->State(caKey).toLatin1()));
    const SyncRun::Summary s =
        SyncRun::Run(*c.db, client, Today(), [] { return GetNextID("TASK"); });
    out << s.Text() << " (" << client.Requests() << " requests)\n";
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
        c.db = std::make_unique<SyncDb>(c.file, args.isEmpty() ? SyncDb::Tables::LeaveMissing
                                                               : SyncDb::Tables::Create);
        if (command == QLatin1String("export"))
            return exportFile(c, args[1], out, err);
        if (command == QLatin1String("import"))
            return importFile(c, args[1], out, err);
        if (command == QLatin1String("setup"))
            return setup(c, args, out, err);
        if (args.isEmpty())
            return sync(c, out, err);
    } catch (const std::exception& e) {
        err << "dueboard-sync: " << e.what() << "\n";
        return 1;
    }
    err << usage;
    return 2;
}

// SPDX-License-Identifier: MIT
#include "tool.h"

#include "files.h"
#include "platform/app.h"
#include "platform/clock.h"
#include "run.h"
#include "secret.h"
#include "store/appfunctions.h"
#include "trust.h"

#include <QFile>
#include <QSaveFile>
#include <csignal>
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
    "  import FILE.ics         add or update tasks from FILE.ics\n"
    "  --help                  show this\n";

struct Context {
    QString file;
    std::unique_ptr<SyncDb> db;
};

int exportFile(Context& c, const QString& path, QTextStream& out, QTextStream& err)
{
    int count = 0;
    const QByteArray text = Files::Export(*c.db, &count);
    QSaveFile file(path);
    // As private as the database it comes from.
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(text) != text.size() || !file.commit()) {
        err << "dueboard-sync: cannot write " << path << ": " << file.errorString() << "\n";
        return 1;
    }
    out << "Exported " << count << " tasks to " << path << "\n";
    return 0;
}

bool isCalendar(QByteArray text)
{
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.mid(3);
    return text.trimmed().left(15).toUpper() == "BEGIN:VCALENDAR";
}

int importFile(Context& c, const QString& path, QTextStream& out, QTextStream& err)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        err << "dueboard-sync: cannot read " << path << ": " << file.errorString() << "\n";
        return 1;
    }
    const QByteArray text = file.readAll();
    if (!isCalendar(text)) {
        err << "dueboard-sync: " << path << " is not an iCalendar file; nothing was imported\n";
        return 1;
    }
    const Files::ImportSummary s =
        Files::Import(*c.db, text, Today(), [] { return GetNextID("TASK"); });
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

termios shownTerminal{}; // as the person had it, for a signal that ends the prompt

void restoreAndEnd(int signal)
{
    ::tcsetattr(STDIN_FILENO, TCSANOW, &shownTerminal);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// From the terminal without echo, or the first line of whatever stdin is. Ctrl-C (or the
// terminal closing) at the prompt leaves the terminal echoing again.
QString askPassword(QTextStream& err)
{
    const bool terminal = ::isatty(STDIN_FILENO);
    const int endings[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
    struct sigaction restoring = {};
    struct sigaction before[std::size(endings)]{};
    if (terminal) {
        err << "Password: " << Qt::flush;
        ::tcgetattr(STDIN_FILENO, &shownTerminal);
        restoring.sa_handler = restoreAndEnd;
        for (std::size_t i = 0; i < std::size(endings); ++i)
            ::sigaction(endings[i], &restoring, &before[i]);
        termios quiet = shownTerminal;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    QTextStream in(stdin);
    const QString password = in.readLine();
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &shownTerminal);
        for (std::size_t i = 0; i < std::size(endings); ++i)
            ::sigaction(endings[i], &before[i], nullptr);
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
    const QUrl url = CalDav::CheckedUrl(rest[1], allowHttp);
    Secret::Check(); // before the person types a password that could not be kept
    const QString password = askPassword(err);
    CalDav::Client client(url, rest[2], password);
    client.SetTrust(trust);
    // Proves the address and the login.
    const bool offers = client.OffersSyncCollection(/*mayMove=*/true);
    Secret::Store(Secret::KeyFor(c.file), password);
    for (const QString& note : client.Notes())
        out << note << "\n";
    const bool otherCollection = c.db->State(urlKey) != client.Collection().toString();
    c.db->Transaction([&] {
        c.db->SetState(urlKey, client.Collection().toString());
        c.db->SetState(userKey, rest[2]);
        c.db->SetState(allowHttpKey, allowHttp ? QStringLiteral("1") : QStringLiteral("0"));
        c.db->SetState(caKey, QString::fromLatin1(trust.Pem()));
        c.db->SetState(QStringLiteral("SYNC_COLLECTION"),
                       offers ? QStringLiteral("1") : QStringLiteral("0"));
        // A token the server may have forgotten would fail every run: setup starts afresh.
        c.db->SetState(QStringLiteral("SYNC_TOKEN"), QString());
        if (!otherCollection)
            return;
        // Another collection: every task is new to it.
        for (SyncDb::Item item : c.db->Items()) {
            item.href.clear();
            item.etag.clear();
            item.pending = false;
            c.db->SaveItem(item);
        }
    });
    for (const QString& print : trust.Fingerprints())
        out << "Trusting the certificate with SHA-256 fingerprint " << print << "\n";
    out << "Set up " << client.Collection().toDisplayString() << " for " << rest[2]
        << "; the password is in the desktop's secret store. Run dueboard-sync to sync.\n";
    return 0;
}

int sync(Context& c, QTextStream& out, QTextStream& err);

// An address set up by an earlier version may hold the user and password: they leave the
// database, the password for the desktop's keyring if it takes it.
int moveUserInfo(Context& c, QUrl address, QTextStream& out, QTextStream& err)
{
    const QString user = address.userName();
    const QString password = address.password();
    address.setUserInfo(QString());
    c.db->Transaction([&] {
        c.db->SetState(urlKey, address.toString());
        if (c.db->State(userKey).isEmpty())
            c.db->SetState(userKey, user);
    });
    if (password.isEmpty()) {
        out << "The user name was taken out of the stored address.\n";
        return sync(c, out, err);
    }
    try {
        Secret::Store(Secret::KeyFor(c.file), password);
    } catch (const CalDav::Failure& e) {
        err << "dueboard-sync: the password that was kept in the stored address was removed "
               "from the database, and the desktop's keyring could not take it ("
            << e.what() << "); run dueboard-sync setup " << address.toDisplayString() << " "
            << c.db->State(userKey) << " again\n";
        return 1;
    }
    out << "The password that was kept in the stored address was moved to the desktop's "
           "keyring.\n";
    return sync(c, out, err);
}

int sync(Context& c, QTextStream& out, QTextStream& err)
{
    const QString address = c.db->HasTables() ? c.db->State(urlKey) : QString();
    if (address.isEmpty()) {
        err << "dueboard-sync: no collection is set up for " << c.file
            << "; run dueboard-sync setup URL USER first\n";
        return 3;
    }
    if (!QUrl(address).userInfo().isEmpty())
        return moveUserInfo(c, QUrl(address), out, err);
    const bool allowHttp = c.db->State(allowHttpKey) == QLatin1String("1");
    const QUrl url = CalDav::CheckedUrl(address, allowHttp);
    CalDav::Client client(url, c.db->State(userKey), Secret::Read(Secret::KeyFor(c.file)));
    client.SetTrust(Trust::FromPem(c.db->State(caKey).toLatin1()));
    const SyncRun::Summary s =
        SyncRun::Run(*c.db, client, Today(), [] { return GetNextID("TASK"); });
    for (const QString& note : client.Notes())
        out << note << "\n";
    out << s.Text() << " (" << client.Requests() << " requests)\n";
    return 0;
}

bool wellFormed(const QStringList& args)
{
    const QString command = args.value(0);
    if (command == QLatin1String("export") || command == QLatin1String("import"))
        return args.size() == 2;
    if (command == QLatin1String("setup")) {
        QStringList rest = args;
        rest.removeAll(QStringLiteral("--allow-http"));
        if (const qsizetype ca = rest.indexOf(QStringLiteral("--ca"));
            ca >= 0 && ca + 1 < rest.size())
            rest.remove(ca, 2);
        return rest.size() == 3;
    }
    return args.isEmpty();
}

} // namespace

int RunSyncTool(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QStringList args = arguments;
    Context c;
    if (args.size() >= 2 && args[0] == QLatin1String("--database")) {
        c.file = args[1];
        args = args.mid(2);
    }
    const QString command = args.value(0);
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        out << usage;
        return 0;
    }
    if (!wellFormed(args)) { // before the database is touched
        err << usage;
        return 2;
    }
    try {
        if (c.file.isEmpty())
            c.file = App::DatabaseFile();
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

// SPDX-License-Identifier: MIT
#include "caldav.h"

#include <QCryptographicHash>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSslError>
#include <QTimer>
#include <QXmlStreamReader>
#include <algorithm>

namespace CalDav
{

struct Entry {
    QString href;   // as the server wrote it
    int status = 0; // of the response itself; 0 when it carries properties
    QString etag;
    QByteArray data;
    QStringList reports; // supported-report-set entries
    QStringList types;   // resourcetype entries
    QString token;       // a sync-token property
    QString name;        // displayname
    QString home;        // calendar-home-set, or else current-user-principal
};

namespace
{

constexpr int batch = 200;
constexpr qint64 largestReply = 64 * 1024 * 1024;

const QString davNs = QStringLiteral("DAV:");
const QString calNs = QStringLiteral("urn:ietf:params:xml:ns:caldav");

int secondsFromEnvironment(const char* name, int fallback)
{
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue(name, &ok);
    return ok && seconds > 0 ? seconds : fallback;
}

int statusOf(const QString& line) // "HTTP/1.1 404 Not Found"
{
    return line.section(QLatin1Char(' '), 1, 1).toInt();
}

// An ETag is an opaque quoted string, perhaps weak; anything else (a control character that
// would end a request header) is no ETag at all.
QString checkedEtag(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^(W/)?\"[\\x21\\x23-\\x7e]*\"$"));
    const QString etag = text.trimmed();
    return form.match(etag).hasMatch() ? etag : QString();
}

bool weak(const QString& etag)
{
    return etag.startsWith(QLatin1String("W/"));
}

struct Multistatus {
    QList<Entry> entries;
    QString token;
};

// A multistatus body: each response's href, its status or the properties found (status 200).
// One pass, looking only at the element and its parent, so deep nesting costs no more than
// its length.
class MultistatusReader
{
public:
    explicit MultistatusReader(const QByteArray& body) : m_xml(body) {}

    Multistatus read(const QUrl& url)
    {
        while (!m_xml.atEnd()) {
            const QXmlStreamReader::TokenType t = m_xml.readNext();
            if (t == QXmlStreamReader::StartElement)
                start();
            else if (t == QXmlStreamReader::EndElement)
                end();
        }
        if (m_xml.hasError())
            throw Failure(QStringLiteral("the server's reply from %1 could not be read (%2); "
                                         "nothing more was changed")
                              .arg(url.toDisplayString(QUrl::RemoveUserInfo), m_xml.errorString())
                              .toStdString());
        return m_result;
    }

private:
    bool dav() const { return m_xml.namespaceUri() == davNs; }
    bool is(const char* name) const { return dav() && m_xml.name() == QLatin1String(name); }

    void start()
    {
        const QString parent = m_open.isEmpty() ? QString() : m_open.last();
        const int depth = int(m_open.size());
        if (is("response")) {
            m_response = depth;
            m_entry = Entry();
        } else if (is("propstat") && m_response >= 0) {
            m_propstat = depth;
            m_found = Entry();
            m_status = 0;
        } else if (m_propstat >= 0 && dav() && parent == QLatin1String("D:report")) {
            m_found.reports << m_xml.name().toString();
        } else if (m_propstat >= 0 && parent == QLatin1String("D:resourcetype")) {
            m_found.types << m_xml.name().toString();
        } else if (QString* into = textOf(parent)) {
            read(into);
            return;
        }
        m_open << (dav() ? QStringLiteral("D:") : QString()) + m_xml.name().toString();
    }

    // Where the text of the element just opened goes; nothing for one that is walked through.
    QString* textOf(const QString& parent)
    {
        if (m_propstat < 0) {
            if (is("href") && parent == QLatin1String("D:response"))
                return &m_entry.href;
            if (is("status") && m_response >= 0)
                return &m_statusText;
            if (is("sync-token") && m_response < 0)
                return &m_result.token;
            return nullptr;
        }
        if (is("status"))
            return &m_statusText;
        if (is("getetag"))
            return &m_found.etag;
        if (is("sync-token"))
            return &m_found.token;
        if (is("displayname"))
            return &m_found.name;
        // The calendar home where a server names it, else the principal.
        if (is("href") &&
            (parent == QLatin1String("D:calendar-home-set") ||
             (parent == QLatin1String("D:current-user-principal") && m_found.home.isEmpty())))
            return &m_found.home;
        if (m_xml.namespaceUri() == calNs && m_xml.name() == QLatin1String("calendar-data"))
            return &m_data;
        return nullptr;
    }

    // A text element, read whole, its end included.
    void read(QString* into)
    {
        const QString value = m_xml.readElementText(QXmlStreamReader::SkipChildElements);
        if (into == &m_data) {
            m_found.data = value.toUtf8();
            return;
        }
        *into = value.trimmed();
        if (into == &m_statusText)
            (m_propstat >= 0 ? m_status : m_entry.status) = statusOf(m_statusText);
    }

    void end()
    {
        if (m_open.isEmpty())
            return;
        m_open.removeLast();
        const int depth = int(m_open.size());
        if (depth == m_propstat) {
            m_propstat = -1;
            if (m_status == 200) {
                for (QString Entry::*field :
                     {&Entry::etag, &Entry::token, &Entry::name, &Entry::home})
                    if (!(m_found.*field).isEmpty())
                        m_entry.*field = m_found.*field;
                if (!m_found.data.isEmpty())
                    m_entry.data = m_found.data;
                m_entry.reports << m_found.reports;
                m_entry.types << m_found.types;
            }
        } else if (depth == m_response) {
            m_response = -1;
            m_result.entries << m_entry;
        }
    }

    QXmlStreamReader m_xml;
    Multistatus m_result;
    QStringList m_open;  // the open elements' names, "D:" before those of DAV:
    int m_response = -1; // the depth of the open response, propstat
    int m_propstat = -1;
    Entry m_entry;
    Entry m_found;
    int m_status = 0;
    QString m_statusText;
    QString m_data;
};

// A to-do stored with a control character in it (another client wrote it raw) makes the
// server's reply XML no parser takes: such a character is read as its picture (U+2400 and on),
// as the tool writes them, and the to-do is read instead of stopping every run.
bool xmlControl(char byte)
{
    const auto c = static_cast<unsigned char>(byte);
    return c < 0x20 && c != '\t' && c != '\n' && c != '\r';
}

QByteArray readableXml(const QByteArray& body)
{
    if (std::none_of(body.begin(), body.end(), xmlControl))
        return body;
    QByteArray out;
    out.reserve(body.size());
    for (const char byte : body)
        if (xmlControl(byte))
            out += QString(QChar(0x2400 + static_cast<unsigned char>(byte))).toUtf8();
        else
            out += byte;
    return out;
}

Multistatus parseMultistatus(const QByteArray& body, const QUrl& url)
{
    return MultistatusReader(readableXml(body)).read(url);
}

QByteArray multigetBody(const QList<QString>& hrefs, const QUrl& base)
{
    QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                      "<C:calendar-multiget xmlns:D=\"DAV:\" "
                      "xmlns:C=\"urn:ietf:params:xml:ns:caldav\">"
                      "<D:prop><D:getetag/><C:calendar-data/></D:prop>";
    for (const QString& href : hrefs) {
        QUrl u = base;
        u.setPath(href, QUrl::DecodedMode);
        body += "<D:href>" + u.path(QUrl::FullyEncoded).toHtmlEscaped().toUtf8() + "</D:href>";
    }
    return body + "</C:calendar-multiget>";
}

bool sameOrigin(const QUrl& a, const QUrl& b)
{
    return a.scheme() == b.scheme() && a.host() == b.host() &&
           a.port(a.scheme() == QLatin1String("https") ? 443 : 80) ==
               b.port(b.scheme() == QLatin1String("https") ? 443 : 80);
}

QString display(const QUrl& url)
{
    return url.toDisplayString(QUrl::RemoveUserInfo);
}

} // namespace

QUrl CheckedUrl(const QString& text, bool allowHttp)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        throw Failure(QStringLiteral("\"%1\" is not a web address").arg(text).toStdString());
    if (!url.userInfo().isEmpty())
        throw Failure(QStringLiteral("the address must not hold a user name or password; give "
                                     "the address alone and the user after it: dueboard-sync "
                                     "setup %1 USER")
                          .arg(display(url))
                          .toStdString());
    if (url.scheme() == QLatin1String("https"))
        return url;
    if (url.scheme() != QLatin1String("http"))
        throw Failure(
            QStringLiteral("\"%1\": only https:// addresses are used").arg(text).toStdString());
    const QHostAddress host(url.host());
    if (allowHttp || url.host() == QLatin1String("localhost") || host.isLoopback())
        return url;
    throw Failure(QStringLiteral("\"%1\" would send the password unencrypted; use https://, or "
                                 "add --allow-http if that is what you want")
                      .arg(text)
                      .toStdString());
}

Client::Client(const QUrl& collection, const QString& user, const QString& password)
    : m_collection(collection),
      m_authorization("Basic " + (user + QLatin1Char(':') + password).toUtf8().toBase64()),
      m_runEnds(secondsFromEnvironment("DUEBOARD_SYNC_RUN_SECONDS", 10 * 60) * qint64(1000)),
      m_idleMs(secondsFromEnvironment("DUEBOARD_SYNC_IDLE_SECONDS", 30) * 1000)
{
    if (!m_collection.path().endsWith(QLatin1Char('/')))
        m_collection.setPath(m_collection.path() + QLatin1Char('/'));
}

// The decoded path of a resource inside the collection; empty for anything else (another
// server, the collection itself, a way out of it through "..").
QString Client::inside(const QUrl& url) const
{
    const QString base = m_collection.path(QUrl::FullyDecoded);
    const QString path = url.path(QUrl::FullyDecoded);
    if (!sameOrigin(url, m_collection) || !path.startsWith(base) || path.size() == base.size())
        return {};
    for (const QString& segment : path.mid(base.size()).split(QLatin1Char('/')))
        if (segment == QLatin1String("..") || segment == QLatin1String("."))
            return {};
    return path;
}

bool Client::Inside(const QString& href) const
{
    QUrl u = m_collection;
    u.setPath(href, QUrl::DecodedMode);
    return inside(u) == href;
}

QUrl Client::resolve(const QString& href) const
{
    QUrl u = m_collection;
    u.setPath(href, QUrl::DecodedMode);
    if (!Inside(href))
        throw Failure(QStringLiteral("%1 is not inside the task list at %2; it was not touched")
                          .arg(href, display(m_collection))
                          .toStdString());
    return u;
}

// The UID itself where it makes a plain, short name; otherwise its SHA-1, so that no two
// UIDs share an address and none is a hidden or overlong name a server refuses.
QString Client::HrefFor(const QString& uid) const
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_@-][A-Za-z0-9._@-]{0,99}$"));
    const QString name =
        plain.match(uid).hasMatch()
            ? uid
            : QString::fromLatin1(
                  QCryptographicHash::hash(uid.toUtf8(), QCryptographicHash::Sha1).toHex());
    return m_collection.path(QUrl::FullyDecoded) + name + QStringLiteral(".ics");
}

// A redirect is followed only on the same server, and only to where the request could have
// gone itself; at setup the collection's own address may move.
bool Client::follows(const QUrl& from, const QUrl& to)
{
    if (!sameOrigin(from, to))
        return false;
    if (m_mayMove && from == m_collection) {
        m_collection = to;
        if (!m_collection.path().endsWith(QLatin1Char('/')))
            m_collection.setPath(m_collection.path() + QLatin1Char('/'));
        m_notes << QStringLiteral("The server moved %1 to %2; that address is used.")
                       .arg(display(from), display(m_collection));
        return true;
    }
    return from != m_collection && !inside(to).isEmpty();
}

// Redirects are followed here, not by the network layer: on this server only, only where the
// request could have gone itself, and with the same request.
Reply Client::send(const QByteArray& verb, const QUrl& url, const QByteArray& body,
                   const QList<QPair<QByteArray, QByteArray>>& headers)
{
    QUrl at = url;
    for (int hop = 0;; ++hop) {
        QUrl to;
        const Reply r = sendOnce(verb, at, body, headers, &to);
        if (to.isEmpty())
            return r;
        if (hop == 5 || !follows(at, to))
            throw Failure(QStringLiteral("the server at %1 sent the request on to %2; that was "
                                         "not followed, and the password was not sent there. If "
                                         "the task list moved, run dueboard-sync setup with its "
                                         "new address")
                              .arg(display(at), display(to))
                              .toStdString());
        at = to;
    }
}

Reply Client::sendOnce(const QByteArray& verb, const QUrl& url, const QByteArray& body,
                       const QList<QPair<QByteArray, QByteArray>>& headers, QUrl* movedTo)
{
    const qint64 left = m_runEnds.remainingTime();
    if (left == 0)
        throw Failure(QStringLiteral("the run took too long and was stopped; what was settled "
                                     "stays, and the next run carries on")
                          .toStdString());
    QNetworkRequest request(url);
    request.setRawHeader("Authorization", m_authorization);
    // Compressed replies come with weak ETags, which no precondition may carry.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setTransferTimeout(m_idleMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    m_trust.Apply(request);
    if (!body.isEmpty() && !request.hasRawHeader("Content-Type"))
        request.setRawHeader("Content-Type", "application/xml; charset=utf-8");
    ++m_requests;
    QNetworkReply* reply = m_net.sendCustomRequest(request, verb, body);
    QObject guard;   // ends the connections below with this call
    QString stopped; // why the request was abandoned
    const auto stop = [&](const QString& why) {
        stopped = why;
        reply->abort();
    };
    QObject::connect(reply, &QNetworkReply::downloadProgress, &guard,
                     [&](qint64 received, qint64 total) {
                         if (received > largestReply || total > largestReply)
                             stop(QStringLiteral("the server's reply from %1 is larger than 64 "
                                                 "MiB; it was not read, and nothing more was "
                                                 "changed")
                                      .arg(display(url)));
                     });
    QStringList untrusted;
    QSslCertificate shown;
    QObject::connect(reply, &QNetworkReply::sslErrors, &guard, [&](const QList<QSslError>& all) {
        shown = reply->sslConfiguration().peerCertificate();
        if (m_trust.Vouches(shown)) {
            reply->ignoreSslErrors(all);
            return;
        }
        for (const QSslError& e : all)
            untrusted << e.errorString();
    });
    QTimer runOut;
    runOut.setSingleShot(true);
    QObject::connect(&runOut, &QTimer::timeout, &guard, [&] {
        stop(QStringLiteral("the run took too long and was stopped; what was settled stays, "
                            "and the next run carries on"));
    });
    runOut.start(int(qMin<qint64>(left < 0 ? INT_MAX : left, INT_MAX)));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    reply->deleteLater();
    if (!stopped.isEmpty())
        throw Failure(stopped.toStdString());
    if (!untrusted.isEmpty())
        throw Failure(m_trust.Refusal(url.host(), shown, untrusted).toStdString());
    Reply r;
    r.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // A connection that broke after the status line leaves a part of the body: none is used.
    const bool broken = reply->error() != QNetworkReply::NoError &&
                        reply->error() < QNetworkReply::ContentAccessDenied;
    if (r.status == 0 || broken)
        throw Failure(QStringLiteral("cannot reach %1: %2")
                          .arg(url.host(), reply->error() == QNetworkReply::OperationCanceledError
                                               ? QStringLiteral("no answer in time")
                                               : reply->errorString())
                          .toStdString());
    r.etag = checkedEtag(QString::fromLatin1(reply->rawHeader("ETag"))).toLatin1();
    r.body = reply->readAll();
    static const QList<int> sameRequestElsewhere{301, 302, 307, 308};
    if (sameRequestElsewhere.contains(r.status) && reply->hasRawHeader("Location"))
        *movedTo = url.resolved(QUrl::fromEncoded(reply->rawHeader("Location")));
    return r;
}

Reply Client::expect(const Reply& r, std::initializer_list<int> ok, const QByteArray& verb,
                     const QUrl& url) const
{
    for (int status : ok)
        if (r.status == status)
            return r;
    const QString where = display(url);
    if (r.status == 401)
        throw Failure(QStringLiteral("the server at %1 refused the login (HTTP %2); run "
                                     "dueboard-sync setup again with the right user and password")
                          .arg(where)
                          .arg(r.status)
                          .toStdString());
    if (r.status == 403)
        throw Failure(QStringLiteral("the server refused %1 %2 (HTTP 403)")
                          .arg(QString::fromLatin1(verb), where)
                          .toStdString());
    if (r.status == 404 && url == m_collection)
        throw Failure(QStringLiteral("there is no task list at %1 (HTTP 404); check the address")
                          .arg(where)
                          .toStdString());
    if (r.status >= 500)
        throw Failure(
            QStringLiteral("the server reported an error (HTTP %1) for %2; try again later")
                .arg(r.status)
                .arg(where)
                .toStdString());
    throw Failure(QStringLiteral("the server answered HTTP %1 for %2, which was not expected")
                      .arg(r.status)
                      .arg(where)
                      .toStdString());
}

// The resources among the entries: those outside the collection are named and left out, and
// one whose ETag cannot be used is listed without it.
QList<Resource> Client::listed(const QList<Entry>& entries)
{
    QList<Resource> list;
    for (const Entry& e : entries) {
        const QUrl url = m_collection.resolved(QUrl(e.href));
        if (e.href.isEmpty() || url.path() == m_collection.path() ||
            url.path() + QLatin1Char('/') == m_collection.path())
            continue; // the collection itself
        const QString href = inside(url);
        if (href.isEmpty()) {
            m_notes << QStringLiteral("The server listed %1, which is not inside the task list; "
                                      "it was left alone.")
                           .arg(e.href);
            continue;
        }
        list << Resource{href, e.status == 0 ? checkedEtag(e.etag) : QString(), e.data};
    }
    return list;
}

bool Client::OffersSyncCollection(bool mayMove)
{
    const QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                            "<D:propfind xmlns:D=\"DAV:\" "
                            "xmlns:C=\"urn:ietf:params:xml:ns:caldav\"><D:prop>"
                            "<D:resourcetype/><D:supported-report-set/><D:sync-token/>"
                            "<D:current-user-principal/><C:calendar-home-set/>"
                            "</D:prop></D:propfind>";
    m_mayMove = mayMove;
    const Reply r = send("PROPFIND", m_collection, body, {{"Depth", "0"}});
    m_mayMove = false;
    const QList<Entry> entries =
        parseMultistatus(expect(r, {207}, "PROPFIND", m_collection).body, m_collection).entries;
    for (const Entry& e : entries)
        if (!e.types.isEmpty() && !e.types.contains(QLatin1String("calendar")))
            throw Failure(
                QStringLiteral("%1 is not a task list but a person's address on the "
                               "server; %2")
                    .arg(display(m_collection),
                         taskLists(e.home.isEmpty() ? m_collection : m_collection.resolved(e.home)))
                    .toStdString());
    for (const Entry& e : entries)
        if (e.reports.contains(QLatin1String("sync-collection")) || !e.token.isEmpty())
            return true;
    return false;
}

// What a person may give setup instead of the principal's address.
QString Client::taskLists(const QUrl& home)
{
    const QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                            "<D:propfind xmlns:D=\"DAV:\"><D:prop><D:resourcetype/>"
                            "<D:displayname/></D:prop></D:propfind>";
    QUrl from = home;
    if (!from.path().endsWith(QLatin1Char('/')))
        from.setPath(from.path() + QLatin1Char('/'));
    if (!sameOrigin(from, m_collection))
        return QStringLiteral("its task lists are on another server, %1").arg(display(from));
    const Reply r = send("PROPFIND", from, body, {{"Depth", "1"}});
    QStringList lists;
    if (r.status == 207)
        for (const Entry& e : parseMultistatus(r.body, from).entries)
            if (e.types.contains(QLatin1String("calendar")))
                lists << (e.name.isEmpty() ? QString() : QStringLiteral("\"%1\" ").arg(e.name)) +
                             display(from.resolved(QUrl(e.href)));
    if (lists.isEmpty())
        return QStringLiteral("it holds no task list");
    return QStringLiteral("run dueboard-sync setup again with one of its task lists: ") +
           lists.join(QStringLiteral(", "));
}

Changes Client::SyncCollection(const QString& token)
{
    const QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                            "<D:sync-collection xmlns:D=\"DAV:\"><D:sync-token>" +
                            token.toHtmlEscaped().toUtf8() +
                            "</D:sync-token><D:sync-level>1</D:sync-level>"
                            "<D:prop><D:getetag/></D:prop></D:sync-collection>";
    const Reply r = send("REPORT", m_collection, body, {{"Depth", "1"}});
    if (!token.isEmpty() && r.status != 207) {
        // The server no longer knows the token (RFC 6578 says 403 or 409; some answer 500):
        // start again from nothing, comparing ETags.
        Changes all = SyncCollection(QString());
        all.complete = false;
        return all;
    }
    const Multistatus m =
        parseMultistatus(expect(r, {207}, "REPORT", m_collection).body, m_collection);
    Changes changes;
    changes.token = m.token;
    QList<Entry> present;
    for (const Entry& e : m.entries)
        if (e.status == 404) {
            if (const QString href = inside(m_collection.resolved(QUrl(e.href))); !href.isEmpty())
                changes.removed << href;
        } else {
            present << e;
        }
    changes.present = listed(present);
    changes.complete = !token.isEmpty();
    return changes;
}

QList<Resource> Client::ListEtags()
{
    const QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                            "<D:propfind xmlns:D=\"DAV:\"><D:prop><D:getetag/></D:prop>"
                            "</D:propfind>";
    const Reply r = expect(send("PROPFIND", m_collection, body, {{"Depth", "1"}}), {207},
                           "PROPFIND", m_collection);
    return listed(parseMultistatus(r.body, m_collection).entries);
}

QList<Resource> Client::Fetch(const QList<QString>& hrefs)
{
    QList<Resource> found;
    for (qsizetype at = 0; at < hrefs.size(); at += batch) {
        const Reply r =
            expect(send("REPORT", m_collection, multigetBody(hrefs.mid(at, batch), m_collection),
                        {{"Depth", "1"}}),
                   {207}, "REPORT", m_collection);
        for (const Resource& e : listed(parseMultistatus(r.body, m_collection).entries))
            if (!e.data.isEmpty())
                found << e;
    }
    return found;
}

Reply Client::Get(const QString& href)
{
    const QUrl url = resolve(href);
    return expect(send("GET", url, {}, {}), {200, 404}, "GET", url);
}

// If-Match carries a strong ETag only: a weak one never matches, and a stricter server would
// refuse the write every time.
Reply Client::Put(const QString& href, const QByteArray& data, const QString& etag)
{
    const QUrl url = resolve(href);
    QList<QPair<QByteArray, QByteArray>> headers{{"Content-Type", "text/calendar; charset=utf-8"}};
    if (etag.isEmpty())
        headers.append(qMakePair(QByteArray("If-None-Match"), QByteArray("*")));
    else if (const QString strong = checkedEtag(etag); !strong.isEmpty() && !weak(strong))
        headers.append(qMakePair(QByteArray("If-Match"), strong.toLatin1()));
    const Reply r = send("PUT", url, data, headers);
    // A to-do the server will not take (its UID, its size, its address) is that to-do's
    // trouble: the run goes on with the others. A refused login is everyone's.
    if (r.status >= 400 && r.status < 500 && r.status != 401 && r.status != 407)
        return r;
    return expect(r, {200, 201, 204}, "PUT", url);
}

Reply Client::Delete(const QString& href, const QString& etag)
{
    const QUrl url = resolve(href);
    QList<QPair<QByteArray, QByteArray>> headers;
    if (const QString strong = checkedEtag(etag); !strong.isEmpty() && !weak(strong))
        headers.append(qMakePair(QByteArray("If-Match"), strong.toLatin1()));
    return expect(send("DELETE", url, {}, headers), {200, 204, 404, 412}, "DELETE", url);
}

} // namespace CalDav

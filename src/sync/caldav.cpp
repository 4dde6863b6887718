// SPDX-License-Identifier: MIT
#include "caldav.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkReply>
#include <QXmlStreamReader>

namespace CalDav
{

namespace
{

constexpr int timeoutMs = 30000;
constexpr int batch = 200;

const QString davNs = QStringLiteral("DAV:");
const QString calNs = QStringLiteral("urn:ietf:params:xml:ns:caldav");

// The server may spell an address percent-encoded or not; it is kept decoded.
QString normalized(const QString& href)
{
    return QUrl(href).path(QUrl::FullyDecoded);
}

int statusOf(const QString& line) // "HTTP/1.1 404 Not Found"
{
    return line.section(QLatin1Char(' '), 1, 1).toInt();
}

struct Entry {
    QString href;
    int status = 0; // of the response itself; 0 when it carries properties
    QString etag;
    QByteArray data;
    QStringList reports; // supported-report-set entries
    QString token;       // a sync-token property
};

struct Multistatus {
    QList<Entry> entries;
    QString token;
};

// A multistatus body: each response's href, its status or the properties found (status 200).
Multistatus parseMultistatus(const QByteArray& body, const QUrl& url)
{
    Multistatus result;
    QXmlStreamReader xml(body);
    Entry entry;
    bool inResponse = false;
    int propstatStatus = 0;
    Entry found;
    QStringList path;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType t = xml.readNext();
        if (t == QXmlStreamReader::StartElement) {
            const QString name = xml.name().toString();
            const bool dav = xml.namespaceUri() == davNs;
            path << name;
            if (dav && name == QLatin1String("response")) {
                inResponse = true;
                entry = Entry();
            } else if (dav && name == QLatin1String("propstat")) {
                propstatStatus = 0;
                found = Entry();
            } else if (inResponse && path.contains(QLatin1String("supported-report")) && dav &&
                       path.size() >= 2 && path[path.size() - 2] == QLatin1String("report")) {
                found.reports << name;
            } else if (inResponse && !path.contains(QLatin1String("supported-report")) &&
                       !path.contains(QLatin1String("report"))) {
                const bool text =
                    (dav &&
                     (name == QLatin1String("href") || name == QLatin1String("status") ||
                      name == QLatin1String("getetag") || name == QLatin1String("sync-token"))) ||
                    (xml.namespaceUri() == calNs && name == QLatin1String("calendar-data"));
                if (!text)
                    continue;
                const QString value = xml.readElementText(QXmlStreamReader::SkipChildElements);
                path.removeLast();
                const bool inPropstat = path.contains(QLatin1String("propstat"));
                if (name == QLatin1String("href") && !inPropstat)
                    entry.href = normalized(value.trimmed());
                else if (name == QLatin1String("status"))
                    (inPropstat ? propstatStatus : entry.status) = statusOf(value.trimmed());
                else if (name == QLatin1String("getetag"))
                    found.etag = value.trimmed();
                else if (name == QLatin1String("sync-token"))
                    found.token = value.trimmed();
                else if (name == QLatin1String("calendar-data"))
                    found.data = value.toUtf8();
            } else if (!inResponse && dav && name == QLatin1String("sync-token")) {
                result.token = xml.readElementText().trimmed();
                path.removeLast();
            }
        } else if (t == QXmlStreamReader::EndElement) {
            const QString name = xml.name().toString();
            if (!path.isEmpty())
                path.removeLast();
            if (xml.namespaceUri() != davNs)
                continue;
            if (name == QLatin1String("propstat") && propstatStatus == 200) {
                entry.etag = found.etag.isEmpty() ? entry.etag : found.etag;
                entry.data = found.data.isEmpty() ? entry.data : found.data;
                entry.token = found.token.isEmpty() ? entry.token : found.token;
                entry.reports << found.reports;
            } else if (name == QLatin1String("response")) {
                inResponse = false;
                result.entries << entry;
            }
        }
    }
    if (xml.hasError())
        throw Failure(QStringLiteral("the server's reply from %1 could not be read (%2); "
                                     "nothing more was changed")
                          .arg(url.toDisplayString(QUrl::RemoveUserInfo), xml.errorString())
                          .toStdString());
    return result;
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

} // namespace

QUrl CheckedUrl(const QString& text, bool allowHttp)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        throw Failure(QStringLiteral("\"%1\" is not a web address").arg(text).toStdString());
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
      m_authorization("Basic " + (user + QLatin1Char(':') + password).toUtf8().toBase64())
{
    if (!m_collection.path().endsWith(QLatin1Char('/')))
        m_collection.setPath(m_collection.path() + QLatin1Char('/'));
}

QUrl Client::resolve(const QString& href) const
{
    QUrl u = m_collection;
    u.setPath(href, QUrl::DecodedMode);
    return u;
}

QString Client::HrefFor(const QString& uid) const
{
    QString name = uid;
    for (QChar& c : name)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('-') &&
            c != QLatin1Char('_') && c != QLatin1Char('.'))
            c = QLatin1Char('_');
    return m_collection.path(QUrl::FullyDecoded) + name + QStringLiteral(".ics");
}

Reply Client::send(const QByteArray& verb, const QUrl& url, const QByteArray& body,
                   const QList<QPair<QByteArray, QByteArray>>& headers)
{
    QNetworkRequest request(url);
    request.setRawHeader("Authorization", m_authorization);
    request.setTransferTimeout(timeoutMs);
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    m_trust.Apply(request);
    if (!body.isEmpty() && !request.hasRawHeader("Content-Type"))
        request.setRawHeader("Content-Type", "application/xml; charset=utf-8");
    ++m_requests;
    QNetworkReply* reply = m_net.sendCustomRequest(request, verb, body);
    m_trust.Watch(reply);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    reply->deleteLater();
    Reply r;
    r.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    r.etag = reply->rawHeader("ETag");
    r.body = reply->readAll();
    if (const QString refusal = m_trust.Refusal(url.host()); r.status == 0 && !refusal.isEmpty())
        throw Failure(refusal.toStdString());
    if (r.status == 0)
        throw Failure(QStringLiteral("cannot reach %1: %2")
                          .arg(url.host(), reply->error() == QNetworkReply::OperationCanceledError
                                               ? QStringLiteral("no answer in time")
                                               : reply->errorString())
                          .toStdString());
    return r;
}

Reply Client::expect(const Reply& r, std::initializer_list<int> ok, const QUrl& url) const
{
    for (int status : ok)
        if (r.status == status)
            return r;
    const QString where = url.toDisplayString(QUrl::RemoveUserInfo);
    if (r.status == 401 || r.status == 403)
        throw Failure(QStringLiteral("the server at %1 refused the login (HTTP %2); run "
                                     "dueboard-sync setup again with the right user and password")
                          .arg(where)
                          .arg(r.status)
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

bool Client::OffersSyncCollection()
{
    const QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                            "<D:propfind xmlns:D=\"DAV:\"><D:prop><D:supported-report-set/>"
                            "<D:sync-token/></D:prop></D:propfind>";
    const Reply r =
        expect(send("PROPFIND", m_collection, body, {{"Depth", "0"}}), {207}, m_collection);
    for (const Entry& e : parseMultistatus(r.body, m_collection).entries)
        if (e.reports.contains(QLatin1String("sync-collection")) || !e.token.isEmpty())
            return true;
    return false;
}

Changes Client::SyncCollection(const QString& token)
{
    const QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                            "<D:sync-collection xmlns:D=\"DAV:\"><D:sync-token>" +
                            token.toHtmlEscaped().toUtf8() +
                            "</D:sync-token><D:sync-level>1</D:sync-level>"
                            "<D:prop><D:getetag/></D:prop></D:sync-collection>";
    const Reply r = send("REPORT", m_collection, body, {{"Depth", "1"}});
    Changes changes;
    if (!token.isEmpty() && (r.status == 403 || r.status == 409) &&
        r.body.contains("valid-sync-token")) {
        // The server no longer knows the token: start again from nothing, comparing ETags.
        Changes all = SyncCollection(QString());
        all.complete = false;
        return all;
    }
    const Multistatus m = parseMultistatus(expect(r, {207}, m_collection).body, m_collection);
    changes.token = m.token;
    const QString self = m_collection.path(QUrl::FullyDecoded);
    for (const Entry& e : m.entries) {
        if (e.href == self || e.href.isEmpty())
            continue;
        if (e.status == 404)
            changes.removed << e.href;
        else if (!e.etag.isEmpty())
            changes.present << Resource{e.href, e.etag, {}};
    }
    changes.complete = !token.isEmpty();
    return changes;
}

QList<Resource> Client::ListEtags()
{
    const QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                            "<D:propfind xmlns:D=\"DAV:\"><D:prop><D:getetag/></D:prop>"
                            "</D:propfind>";
    const Reply r =
        expect(send("PROPFIND", m_collection, body, {{"Depth", "1"}}), {207}, m_collection);
    QList<Resource> list;
    const QString self = m_collection.path(QUrl::FullyDecoded);
    for (const Entry& e : parseMultistatus(r.body, m_collection).entries)
        if (e.href != self && !e.etag.isEmpty())
            list << Resource{e.href, e.etag, {}};
    return list;
}

QList<Resource> Client::Fetch(const QList<QString>& hrefs)
{
    QList<Resource> found;
    for (qsizetype at = 0; at < hrefs.size(); at += batch) {
        const Reply r =
            expect(send("REPORT", m_collection, multigetBody(hrefs.mid(at, batch), m_collection),
                        {{"Depth", "1"}}),
                   {207}, m_collection);
        for (const Entry& e : parseMultistatus(r.body, m_collection).entries)
            if (e.status == 0 && !e.data.isEmpty())
                found << Resource{e.href, e.etag, e.data};
    }
    return found;
}

Reply Client::Get(const QString& href)
{
    const QUrl url = resolve(href);
    return expect(send("GET", url, {}, {}), {200, 404}, url);
}

Reply Client::Put(const QString& href, const QByteArray& data, const QString& etag)
{
    const QUrl url = resolve(href);
    QList<QPair<QByteArray, QByteArray>> headers{{"Content-Type", "text/calendar; charset=utf-8"}};
    if (etag.isEmpty())
        headers.append(qMakePair(QByteArray("If-None-Match"), QByteArray("*")));
    else
        headers.append(qMakePair(QByteArray("If-Match"), etag.toUtf8()));
    return expect(send("PUT", url, data, headers), {200, 201, 204, 412}, url);
}

Reply Client::Delete(const QString& href, const QString& etag)
{
    const QUrl url = resolve(href);
    QList<QPair<QByteArray, QByteArray>> headers;
    if (!etag.isEmpty())
        headers.append(qMakePair(QByteArray("If-Match"), etag.toUtf8()));
    return expect(send("DELETE", url, {}, headers), {200, 204, 404, 412}, url);
}

} // namespace CalDav

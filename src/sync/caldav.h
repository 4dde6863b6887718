// SPDX-License-Identifier: MIT
#pragma once

#include "trust.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QNetworkAccessManager>
#include <QString>
#include <QUrl>
#include <stdexcept>

// A CalDAV collection of to-dos over HTTP(S): listing what changed, reading, writing and
// deleting resources. Each call waits for its reply; the tool has nothing else to do meanwhile.
namespace CalDav
{

// Why a run stopped: the message is meant for the person.
class Failure : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct Reply {
    int status = 0;
    QByteArray etag;
    QByteArray body;
};

struct Resource {
    QString href;
    QString etag;
    QByteArray data; // calendar-data, when asked for
};

// What changed since a sync-token (or, without one, everything there is).
struct Changes {
    QList<Resource> present; // href and etag
    QList<QString> removed;
    QString token;
    bool complete = true; // false when the token was refused and `present` lists everything
};

class Client
{
public:
    Client(const QUrl& collection, const QString& user, const QString& password);

    QUrl Collection() const { return m_collection; }
    int Requests() const { return m_requests; }
    // Certificates trusted for this collection besides the system's authorities.
    void SetTrust(const Trust& trust) { m_trust = trust; }

    // Whether the collection answers sync-collection reports, and its current token.
    bool OffersSyncCollection();
    // Changes since `token` through sync-collection; a refused token lists everything.
    Changes SyncCollection(const QString& token);
    // Every resource with its ETag (PROPFIND), for servers without sync-collection.
    QList<Resource> ListEtags();
    // The resources' data, read in batches (calendar-multiget).
    QList<Resource> Fetch(const QList<QString>& hrefs);
    Reply Get(const QString& href);
    // If-Match with an ETag, or If-None-Match: * for a new resource (etag empty).
    Reply Put(const QString& href, const QByteArray& data, const QString& etag);
    Reply Delete(const QString& href, const QString& etag);

    // A new resource's address for a UID.
    QString HrefFor(const QString& uid) const;

private:
    Reply send(const QByteArray& verb, const QUrl& url, const QByteArray& body,
               const QList<QPair<QByteArray, QByteArray>>& headers);
    Reply expect(const Reply& r, std::initializer_list<int> ok, const QUrl& url) const;
    QUrl resolve(const QString& href) const;

    QNetworkAccessManager m_net;
    QUrl m_collection;
    QByteArray m_authorization;
    Trust m_trust;
    int m_requests = 0;
};

// The collection address a person may use: https, or http to this machine only unless
// `allowHttp`. Throws Failure with the reason otherwise.
QUrl CheckedUrl(const QString& text, bool allowHttp);

} // namespace CalDav

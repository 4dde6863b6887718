// SPDX-License-Identifier: MIT
#pragma once

#include "trust.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHash>
#include <QList>
#include <QNetworkAccessManager>
#include <QString>
#include <QStringList>
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
    QString etag;    // empty when the server gave none the tool can use
    QByteArray data; // calendar-data, when asked for
};

// What changed since a sync-token (or, without one, everything there is).
struct Changes {
    QList<Resource> present; // href and etag
    QList<QString> removed;
    QString token;
    bool complete = true; // false when the token was refused and `present` lists everything
};

struct Entry; // one response of a multistatus reply

class Client
{
public:
    // The run ends once it has taken DUEBOARD_SYNC_RUN_SECONDS (10 minutes), and a request
    // once it has received nothing for DUEBOARD_SYNC_IDLE_SECONDS (30).
    Client(const QUrl& collection, const QString& user, const QString& password);

    QUrl Collection() const { return m_collection; }
    int Requests() const { return m_requests; }
    // Certificates trusted for this collection besides the system's authorities.
    void SetTrust(const Trust& trust) { m_trust = trust; }
    // What the person should hear of: addresses moved, entries left alone.
    QStringList Notes() const { return m_notes; }

    // Whether the collection answers sync-collection reports, and its current token. Where the
    // address is a person's (a principal or calendar home), Failure names the task lists there.
    // At setup (`mayMove`), a redirect on this same server moves the collection.
    bool OffersSyncCollection(bool mayMove = false);
    // Changes since `token` through sync-collection; a refused token lists everything.
    Changes SyncCollection(const QString& token);
    // Every resource with its ETag (PROPFIND), for servers without sync-collection.
    QList<Resource> ListEtags();
    // The resources' data, read in batches (calendar-multiget).
    QList<Resource> Fetch(const QList<QString>& hrefs);
    Reply Get(const QString& href);
    // If-Match with an ETag, or If-None-Match: * for a new resource (etag empty). A 4xx
    // other than a refused login is returned, not thrown.
    Reply Put(const QString& href, const QByteArray& data, const QString& etag);
    Reply Delete(const QString& href, const QString& etag);

    // Whether a resource's address (a path) is inside the collection.
    bool Inside(const QString& href) const;
    // A new resource's address for a UID.
    QString HrefFor(const QString& uid) const;

private:
    Reply send(const QByteArray& verb, const QUrl& url, const QByteArray& body,
               const QList<QPair<QByteArray, QByteArray>>& headers);
    Reply sendOnce(const QByteArray& verb, const QUrl& url, const QByteArray& body,
                   const QList<QPair<QByteArray, QByteArray>>& headers, QUrl* movedTo);
    Reply expect(const Reply& r, std::initializer_list<int> ok, const QByteArray& verb,
                 const QUrl& url) const;
    bool follows(const QUrl& from, const QUrl& to);
    QUrl resolve(const QString& href) const;
    QString inside(const QUrl& url) const;
    QList<Resource> listed(const QList<Entry>& entries);
    QString taskLists(const QUrl& home);

    QNetworkAccessManager m_net;
    QUrl m_collection;
    QByteArray m_authorization;
    Trust m_trust;
    bool m_mayMove = false;
    QDeadlineTimer m_runEnds;
    int m_idleMs = 0;
    int m_requests = 0;
    QStringList m_notes;
};

// The collection address a person may use: https, or http to this machine only unless
// `allowHttp`, and no user name or password in it. Throws Failure with the reason otherwise.
QUrl CheckedUrl(const QString& text, bool allowHttp);

} // namespace CalDav

// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QSslError>
#include <QStringList>

class QNetworkReply;
class QNetworkRequest;

// Certificates a person trusts for one collection besides the system's authorities: an
// authority of their own, or the server's own certificate. Nothing else is ever accepted, so
// a server that shows anything else is dropped before a request (and its password) is sent.
class Trust
{
public:
    Trust() = default;
    // The certificates of a PEM text; none when it holds none.
    static Trust FromPem(const QByteArray& pem);

    bool IsEmpty() const { return m_certificates.isEmpty(); }
    QByteArray Pem() const;
    // "AB:CD:…", as `openssl x509 -fingerprint -sha256` shows it, one per certificate.
    QStringList Fingerprints() const;

    // Sets the request to trust these besides the system's authorities.
    void Apply(QNetworkRequest& request) const;
    // Accepts a server showing exactly one of these certificates even where no authority vouches
    // for it (a server's own certificate), and remembers what the server showed.
    void Watch(QNetworkReply* reply);
    // Why the last refused server was not trusted, or empty when none was refused.
    QString Refusal(const QString& host) const;

private:
    QList<QSslCertificate> m_certificates;
    QList<QSslError> m_refused;
    QSslCertificate m_shown;
};

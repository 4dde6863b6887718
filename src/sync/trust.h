// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QStringList>

class QNetworkRequest;

// Certificates a person trusts for one collection besides the system's authorities: an
// authority of their own, or the server's own certificate. A server showing anything else is
// dropped before a request (and its password) is sent.
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
    // Whether the server showing this certificate is trusted where no authority vouches for it:
    // it is exactly one the person gave (a server's own certificate).
    bool Vouches(const QSslCertificate& shown) const;
    // Why a server showing this certificate was not trusted, and what the person can do.
    QString Refusal(const QString& host, const QSslCertificate& shown,
                    const QStringList& errors) const;

private:
    QList<QSslCertificate> m_certificates;
    QList<QSslCertificate> m_authorities; // the system's and these
};

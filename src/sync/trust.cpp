// SPDX-License-Identifier: MIT
#include "trust.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>

namespace
{

QString fingerprint(const QSslCertificate& certificate)
{
    return QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper());
}

} // namespace

Trust Trust::FromPem(const QByteArray& pem)
{
    Trust trust;
    trust.m_certificates = QSslCertificate::fromData(pem, QSsl::Pem);
    trust.m_certificates.removeIf([](const QSslCertificate& c) { return c.isNull(); });
    return trust;
}

QByteArray Trust::Pem() const
{
    QByteArray pem;
    for (const QSslCertificate& c : m_certificates)
        pem += c.toPem();
    return pem;
}

QStringList Trust::Fingerprints() const
{
    QStringList list;
    for (const QSslCertificate& c : m_certificates)
        list << fingerprint(c);
    return list;
}

void Trust::Apply(QNetworkRequest& request) const
{
    if (IsEmpty())
        return;
    QSslConfiguration ssl = request.sslConfiguration();
    ssl.setCaCertificates(QSslConfiguration::systemCaCertificates() + m_certificates);
    request.setSslConfiguration(ssl);
}

void Trust::Watch(QNetworkReply* reply)
{
    QObject::connect(reply, &QNetworkReply::sslErrors, reply,
                     [this, reply](const QList<QSslError>& errors) {
                         m_shown = reply->sslConfiguration().peerCertificate();
                         // Exactly the certificate the person gave: what no authority vouches
                         // for (self-signed, an unknown issuer) is what they vouched for.
                         if (!m_shown.isNull() && m_certificates.contains(m_shown)) {
                             reply->ignoreSslErrors(errors);
                             return;
                         }
                         m_refused = errors;
                     });
}

QString Trust::Refusal(const QString& host) const
{
    if (m_refused.isEmpty() || IsEmpty())
        return {};
    return QStringLiteral(
               "the certificate of %1 (SHA-256 %2) is not the one trusted for this "
               "collection (SHA-256 %3): %4; if the server's certificate was renewed, "
               "check the new one and run dueboard-sync setup URL USER --ca FILE with it")
        .arg(host, m_shown.isNull() ? QStringLiteral("not shown") : fingerprint(m_shown),
             Fingerprints().join(QStringLiteral(", ")), m_refused.first().errorString());
}

// SPDX-License-Identifier: MIT
#include "trust.h"

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
    // Read once: the system's list is parsed anew each time it is asked for.
    if (!trust.IsEmpty())
        trust.m_authorities = QSslConfiguration::systemCaCertificates() + trust.m_certificates;
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
    ssl.setCaCertificates(m_authorities);
    request.setSslConfiguration(ssl);
}

bool Trust::Vouches(const QSslCertificate& shown) const
{
    return !shown.isNull() && m_certificates.contains(shown);
}

QString Trust::Refusal(const QString& host, const QSslCertificate& shown,
                       const QStringList& errors) const
{
    const QString why = errors.join(QStringLiteral("; "));
    if (IsEmpty())
        return QStringLiteral("the certificate of %1 is not trusted: %2. Nothing was sent there. "
                              "If it is your own server, give its certificate or its authority's "
                              "to dueboard-sync setup URL USER --ca FILE")
            .arg(host, why);
    return QStringLiteral("the certificate of %1 (SHA-256 %2) is not the one trusted for this "
                          "collection (SHA-256 %3): %4. Nothing was sent there. If the server's "
                          "certificate was renewed, check the new one and run dueboard-sync "
                          "setup URL USER --ca FILE with it")
        .arg(host, shown.isNull() ? QStringLiteral("none shown") : fingerprint(shown),
             Fingerprints().join(QStringLiteral(", ")), why);
}

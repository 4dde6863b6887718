// SPDX-License-Identifier: MIT
#include "secret.h"

#include "caldav.h"

#include <QEventLoop>
#include <QFileInfo>
#include <qt6keychain/keychain.h>

namespace Secret
{

namespace
{

const QString service = QStringLiteral("Dueboard sync");

void wait(QKeychain::Job& job, const QString& what)
{
    job.setAutoDelete(false);
    job.setInsecureFallback(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    if (job.error() == QKeychain::EntryNotFound)
        throw CalDav::Failure(QStringLiteral("no password is stored for this database; run "
                                             "dueboard-sync setup URL USER first")
                                  .toStdString());
    if (job.error() != QKeychain::NoError)
        throw CalDav::Failure(QStringLiteral("cannot %1 the password in the desktop's secret "
                                             "store: %2")
                                  .arg(what, job.errorString())
                                  .toStdString());
}

} // namespace

QString KeyFor(const QString& databaseFile)
{
    const QFileInfo file(databaseFile);
    return QStringLiteral("dueboard-sync:") + (file.canonicalFilePath().isEmpty()
                                                   ? file.absoluteFilePath()
                                                   : file.canonicalFilePath());
}

void Check()
{
    QKeychain::ReadPasswordJob job(service);
    job.setKey(QStringLiteral("dueboard-sync:whether the keyring answers"));
    try {
        wait(job, QStringLiteral("read"));
    } catch (const CalDav::Failure&) {
        if (job.error() != QKeychain::EntryNotFound)
            throw CalDav::Failure("a keyring is needed to keep the password (a Secret Service "
                                  "such as GNOME Keyring or KWallet), and none answers here: "
                                  "start one, then run setup again");
    }
}

void Store(const QString& key, const QString& password)
{
    QKeychain::WritePasswordJob job(service);
    job.setKey(key);
    job.setTextData(password);
    wait(job, QStringLiteral("store"));
}

QString Read(const QString& key)
{
    QKeychain::ReadPasswordJob job(service);
    job.setKey(key);
    wait(job, QStringLiteral("read"));
    return job.textData();
}

} // namespace Secret

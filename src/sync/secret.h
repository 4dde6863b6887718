// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The collection's password, kept in the desktop's Secret Service under a key that names the
// database, so two databases keep two passwords. Throws CalDav::Failure when the service is
// not there or refuses.
namespace Secret
{

QString KeyFor(const QString& databaseFile);
// Throws, with a word on what is missing, when there is no keyring to keep a password in.
void Check();
void Store(const QString& key, const QString& password);
QString Read(const QString& key);

} // namespace Secret

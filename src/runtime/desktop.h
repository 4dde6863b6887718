// SPDX-License-Identifier: MIT
#pragma once

#include <QUrl>
#include <functional>

// Hands an address (web page, mailto:) to the desktop. Tests record instead.
namespace Desktop {
bool OpenUrl(const QUrl& url);
using UrlOpener = std::function<bool(const QUrl& url)>;
UrlOpener SetUrlOpener(UrlOpener opener);
} // namespace Desktop

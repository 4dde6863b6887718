// SPDX-License-Identifier: MIT
#pragma once

#include "platform/hook.h"

#include <QUrl>

// Hands an address (web page, mailto:) to the desktop. Tests record instead.
namespace Desktop
{
bool OpenUrl(const QUrl& url);
Hook<bool(const QUrl& url)>& UrlOpener();
} // namespace Desktop

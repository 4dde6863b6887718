// SPDX-License-Identifier: MIT
#include "desktop.h"

#include <QDesktopServices>

namespace Desktop
{

Hook<bool(const QUrl& url)>& UrlOpener()
{
    static Hook<bool(const QUrl& url)> hook;
    return hook;
}

bool OpenUrl(const QUrl& url)
{
    if (UrlOpener())
        return UrlOpener()(url);
    return QDesktopServices::openUrl(url);
}

} // namespace Desktop

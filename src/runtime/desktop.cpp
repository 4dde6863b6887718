// SPDX-License-Identifier: MIT
#include "desktop.h"

#include <QDesktopServices>

namespace Desktop
{

namespace
{
UrlOpener& opener()
{
    static UrlOpener o;
    return o;
}
} // namespace

bool OpenUrl(const QUrl& url)
{
    if (opener())
        return opener()(url);
    return QDesktopServices::openUrl(url);
}

UrlOpener SetUrlOpener(UrlOpener o)
{
    UrlOpener previous = std::move(opener());
    opener() = std::move(o);
    return previous;
}

} // namespace Desktop

#pragma once

#include <QUrl>

// Only web pages leave a pane for the user's browser, and only web pages are
// fetched or followed by a redirect: a page must not make the program open
// local files or run other schemes' handlers.
inline bool isWebPageUrl(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == u"http" || scheme == u"https");
}

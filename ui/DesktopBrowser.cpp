#include "ui/DesktopBrowser.h"

#include <QDesktopServices>
#include <QUrl>

bool DesktopBrowser::openUrl(const QString& url)
{
    return QDesktopServices::openUrl(QUrl::fromUserInput(url));
}

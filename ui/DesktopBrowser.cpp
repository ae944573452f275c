#include "ui/DesktopBrowser.h"

#include <QDesktopServices>
#include <QUrl>

void DesktopBrowser::openUrl(const QString& url)
{
    QDesktopServices::openUrl(QUrl::fromUserInput(url));
}

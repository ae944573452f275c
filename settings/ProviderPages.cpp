#include "settings/ProviderPages.h"

#include "settings/deployment.h"

#include <QUrl>

namespace ProviderPages {

QString page(const QString& path)
{
    return QString::fromUtf8(deployment::providerWebSite) + path;
}

QString mainAdvertisement(int counter)
{
    return page(QStringLiteral("/guanggao/ddns2011.asp?gg=")) + QString::number(counter);
}

QString secondAdvertisement(int counter)
{
    return QString::fromUtf8(deployment::secondAdvertisementSite) + QStringLiteral("/aa/ddns2011.asp?gg=") +
           QString::number(counter);
}

QString portMappingAdvertisement()
{
    return page(QStringLiteral("/guanggao/portgg0.asp"));
}

QString zoneListDownload()
{
    return page(QStringLiteral("/vkl/yuming.txt"));
}

QString bannerDownload()
{
    return page(QStringLiteral("/vkl/ggw.gif"));
}

QString domainRegistrationSite()
{
    return QString::fromUtf8(deployment::domainRegistrationSite);
}

int nextCounter(int counter)
{
    return counter >= 5000 ? 0 : counter + 1;
}

std::optional<int> intervalFromTitle(const QString& title)
{
    const qsizetype start = title.indexOf(QStringLiteral("ttt"));
    const qsizetype end = title.indexOf(QStringLiteral("end"));
    if (start < 0 || end < start + 3)
        return std::nullopt;
    bool ok = false;
    const qint64 seconds = title.mid(start + 3, end - start - 3).trimmed().toLongLong(&ok);
    constexpr qint64 oneDay = 86400;
    if (!ok || seconds < 0 || seconds > oneDay)
        return std::nullopt;
    return int(seconds * 1000);
}

bool isWebAddress(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == QStringLiteral("http") || url.scheme() == QStringLiteral("https"));
}

} // namespace ProviderPages

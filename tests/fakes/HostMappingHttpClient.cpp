#include "fakes/HostMappingHttpClient.h"

#include <QUrl>

QString HostMappingHttpClient::mapped(const QString& url) const
{
    QUrl target(url);
    const auto it = m_hosts.constFind(target.host());
    if (it == m_hosts.constEnd())
        return {};
    const QUrl local(QStringLiteral("http://") + *it);
    target.setHost(local.host());
    target.setPort(local.port());
    return target.toString();
}

void HostMappingHttpClient::getPage(const QString& url, QObject* context,
                                    std::function<void(const Page&)> done)
{
    // An unmapped host becomes an address the client refuses at once.
    m_client.getPage(mapped(url), context, std::move(done));
}

void HostMappingHttpClient::download(const QString& url, const QString& filePath, QObject* context,
                                     std::function<void(const WriteResult&)> done)
{
    m_client.download(mapped(url), filePath, context, std::move(done));
}

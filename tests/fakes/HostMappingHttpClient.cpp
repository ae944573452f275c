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

QByteArray HostMappingHttpClient::get(const QString& url)
{
    const QString local = mapped(url);
    return local.isEmpty() ? QByteArray() : m_client.get(local);
}

WriteResult HostMappingHttpClient::download(const QString& url, const QString& filePath)
{
    const QString local = mapped(url);
    if (local.isEmpty())
        return WriteResult::failure(QStringLiteral("no such host"));
    return m_client.download(local, filePath);
}

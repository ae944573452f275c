#pragma once

#include "platform/HttpClient.h"

#include <QHash>

// The real HTTP client, with the provider's host names led to fakes on
// 127.0.0.1 ("host" -> "127.0.0.1:port"); an unmapped host fails at once.
class HostMappingHttpClient final : public HttpClient
{
public:
    explicit HostMappingHttpClient(QHash<QString, QString> hosts) : m_hosts(std::move(hosts)) {}

    void getPage(const QString& url, QObject* context, std::function<void(const Page&)> done) override;
    void download(const QString& url, const QString& filePath, QObject* context,
                  std::function<void(const WriteResult&)> done) override;

private:
    QString mapped(const QString& url) const;

    QHash<QString, QString> m_hosts;
    QtHttpClient m_client;
};

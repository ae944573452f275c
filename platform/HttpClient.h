#pragma once

#include "platform/WriteResult.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>
#include <mutex>

class QIODevice;
class QNetworkAccessManager;
class QThread;

// Blocking HTTP, bounded by a connect time-out of 10 s (also the longest a
// transfer may stall) and a total of 30 s.
class HttpClient
{
public:
    virtual ~HttpClient() = default;
    struct Page
    {
        QByteArray body;
        QByteArray contentType; // as the answer's header gives it; empty when it gives none
    };

    // The body of a 2xx answer; empty on any failure or other status.
    virtual QByteArray get(const QString& url) = 0;
    // The same with the answer's Content-Type, which names the page's charset.
    virtual Page getPage(const QString& url) { return {get(url), {}}; }
    // Downloads to a temporary file beside `filePath`, then renames it, so that
    // a failed download leaves an existing file untouched.
    virtual WriteResult download(const QString& url, const QString& filePath) = 0;
};

// Qt's HTTP, on a thread of its own that the first transfer starts (Qt's
// timers, which bound a transfer, run only on threads Qt started); the caller
// waits for the result, so it must not be the window's thread. Honours
// http_proxy, https_proxy and no_proxy.
class QtHttpClient final : public HttpClient
{
public:
    QtHttpClient();
    // Other time-outs, for tests that cannot wait 30 s.
    QtHttpClient(std::chrono::milliseconds connectTimeout, std::chrono::milliseconds totalTimeout);
    ~QtHttpClient() override;
    QtHttpClient(const QtHttpClient&) = delete;
    QtHttpClient& operator=(const QtHttpClient&) = delete;

    QByteArray get(const QString& url) override;
    Page getPage(const QString& url) override;
    WriteResult download(const QString& url, const QString& filePath) override;

private:
    WriteResult transfer(const QString& url, QIODevice& sink, qint64 limit, const QByteArray& agent,
                         QByteArray* contentType = nullptr);
    QNetworkAccessManager* manager();

    std::chrono::milliseconds m_connectTimeout;
    std::chrono::milliseconds m_totalTimeout;
    std::once_flag m_started;
    std::unique_ptr<QThread> m_thread;
    QNetworkAccessManager* m_manager = nullptr; // lives on m_thread
};

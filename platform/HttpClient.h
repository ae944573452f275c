#pragma once

#include "platform/WriteResult.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QString>

#include <chrono>
#include <functional>

class QNetworkReply;
class QObject;

// HTTP that never waits: a request returns at once, and its result comes
// later, on the caller's thread, to `done`, unless `context` is gone by then.
// Any failure and any status other than 2xx give an empty page.
class HttpClient
{
public:
    virtual ~HttpClient() = default;
    struct Page
    {
        QByteArray body;
        QByteArray contentType; // as the answer's header gives it; empty when it gives none
    };

    virtual void getPage(const QString& url, QObject* context, std::function<void(const Page&)> done) = 0;
    // Downloads to a temporary file beside `filePath`, then renames it, so that
    // a failed download leaves an existing file untouched.
    virtual void download(const QString& url, const QString& filePath, QObject* context,
                          std::function<void(const WriteResult&)> done) = 0;

    // The body alone.
    void get(const QString& url, QObject* context, std::function<void(const QByteArray&)> done)
    {
        getPage(url, context, [done = std::move(done)](const Page& page) { done(page.body); });
    }
};

// Qt's HTTP through its own asynchronous API, bounded by a transfer time-out
// of 10 s (also the longest a transfer may stall) and a total of 30 s.
// Transfers still running when the client goes end with it, unreported.
// Honours http_proxy, https_proxy and no_proxy.
class QtHttpClient final : public HttpClient
{
public:
    QtHttpClient();
    // Other time-outs, for tests that cannot wait 30 s.
    QtHttpClient(std::chrono::milliseconds transferTimeout, std::chrono::milliseconds totalTimeout);
    ~QtHttpClient() override;
    QtHttpClient(const QtHttpClient&) = delete;
    QtHttpClient& operator=(const QtHttpClient&) = delete;

    void getPage(const QString& url, QObject* context, std::function<void(const Page&)> done) override;
    void download(const QString& url, const QString& filePath, QObject* context,
                  std::function<void(const WriteResult&)> done) override;

private:
    struct Transfer;
    QNetworkReply* start(const QString& url, const QByteArray& agent);

    std::chrono::milliseconds m_transferTimeout;
    std::chrono::milliseconds m_totalTimeout;
    QNetworkAccessManager m_manager;
};

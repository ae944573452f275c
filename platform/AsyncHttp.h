#pragma once

#include "platform/HttpClient.h"

#include <QObject>

#include <functional>
#include <memory>

// The blocking HTTP client, off the window's thread: each request runs on a
// thread of its own, and its result comes back to `done` on the owner's
// thread, through the owner's event queue. The owner holds this object as a
// member, so a result that arrives after either is gone is dropped. The
// client's own time-outs bound every request.
class AsyncHttp
{
public:
    AsyncHttp(HttpClient& http, QObject* owner);
    ~AsyncHttp();
    AsyncHttp(const AsyncHttp&) = delete;
    AsyncHttp& operator=(const AsyncHttp&) = delete;

    // The body of a 2xx answer; empty on any failure.
    void get(const QString& url, std::function<void(const QByteArray& body)> done);
    void download(const QString& url, const QString& filePath, std::function<void(const WriteResult&)> done);
    // Requests whose result has not come back yet.
    int pending() const { return m_pending; }

private:
    struct Link;
    template <typename Result>
    void run(std::function<Result()> request, std::function<void(const Result&)> done);

    HttpClient& m_http;
    std::shared_ptr<Link> m_link;
    int m_pending = 0;
};

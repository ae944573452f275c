#include "platform/AsyncHttp.h"

#include <mutex>
#include <thread>

struct AsyncHttp::Link
{
    std::mutex mutex;
    QObject* owner = nullptr;

    // Queues `result` on the owner's thread while there is an owner.
    void post(std::function<void()> result)
    {
        const std::lock_guard lock(mutex);
        if (owner)
            QMetaObject::invokeMethod(owner, std::move(result), Qt::QueuedConnection);
    }
};

AsyncHttp::AsyncHttp(HttpClient& http, QObject* owner) : m_http(http), m_link(std::make_shared<Link>())
{
    m_link->owner = owner;
}

AsyncHttp::~AsyncHttp()
{
    const std::lock_guard lock(m_link->mutex);
    m_link->owner = nullptr;
}

void AsyncHttp::get(const QString& url, std::function<void(const QByteArray&)> done)
{
    ++m_pending;
    run([this, link = m_link, &http = m_http, url, done = std::move(done)] {
        const QByteArray body = http.get(url);
        link->post([this, done, body] {
            --m_pending;
            done(body);
        });
    });
}

void AsyncHttp::download(const QString& url, const QString& filePath,
                         std::function<void(const WriteResult&)> done)
{
    ++m_pending;
    run([this, link = m_link, &http = m_http, url, filePath, done = std::move(done)] {
        const WriteResult result = http.download(url, filePath);
        link->post([this, done, result] {
            --m_pending;
            done(result);
        });
    });
}

// Detached, so that closing the window never waits for a slow server.
void AsyncHttp::run(std::function<void()> request)
{
    std::thread(std::move(request)).detach();
}

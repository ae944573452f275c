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
    run<QByteArray>([&http = m_http, url] { return http.get(url); }, std::move(done));
}

void AsyncHttp::download(const QString& url, const QString& filePath,
                         std::function<void(const WriteResult&)> done)
{
    run<WriteResult>([&http = m_http, url, filePath] { return http.download(url, filePath); },
                     std::move(done));
}

// Detached, so that closing the window never waits for a slow server.
template <typename Result>
void AsyncHttp::run(std::function<Result()> request, std::function<void(const Result&)> done)
{
    ++m_pending;
    std::thread([this, link = m_link, request = std::move(request), done = std::move(done)] {
        const Result result = request();
        link->post([this, done, result] {
            --m_pending;
            done(result);
        });
    }).detach();
}

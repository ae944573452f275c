#include "platform/HttpClient.h"

#include "platform/WebAddress.h"

#include <QBuffer>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QSaveFile>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <future>

namespace {

// Pages are a few bytes of text and downloads a zone list or a banner: far
// more than that is a fault of the server, not something to keep in memory.
constexpr qint64 kMaxPage = 4 * 1024 * 1024;
constexpr qint64 kMaxDownload = 32 * 1024 * 1024;
constexpr int kMaxRedirects = 5;

// One transfer, shared by the caller, who waits for `result`, and the
// handlers on the network thread. The caller's sink is written only while
// the caller waits.
struct Job
{
    Job(QIODevice& sink, qint64 limit, QByteArray* contentType)
        : sink(sink), limit(limit), contentType(contentType)
    {
    }

    QIODevice& sink;
    qint64 limit;
    QByteArray* contentType;
    qint64 received = 0;
    QString failure;
    bool ended = false;
    std::promise<WriteResult> result;

    void end(QNetworkReply& reply)
    {
        if (ended)
            return;
        ended = true;
        const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (!failure.isEmpty())
            result.set_value(WriteResult::failure(failure));
        else if (reply.error() != QNetworkReply::NoError)
            result.set_value(WriteResult::failure(reply.errorString()));
        else if (status < 200 || status > 299)
            result.set_value(WriteResult::failure(QStringLiteral("HTTP status %1").arg(status)));
        else {
            if (contentType)
                *contentType = reply.rawHeader("Content-Type");
            result.set_value(WriteResult::success());
        }
    }
};

// On the network thread. Redirects are followed (up to 5), as a browser
// would; only to HTTP and HTTPS addresses.
void start(QNetworkAccessManager& manager, const QNetworkRequest& request, std::chrono::milliseconds total,
           const std::shared_ptr<Job>& job)
{
    QNetworkReply* reply = manager.get(request);
    const auto stop = [reply, job](const QString& why) {
        if (job->failure.isEmpty())
            job->failure = why;
        reply->abort();
    };
    QObject::connect(reply, &QNetworkReply::redirected, reply, [reply, stop](const QUrl& next) {
        if (isWebPageUrl(next))
            emit reply->redirectAllowed();
        else
            stop(QStringLiteral("redirected to %1").arg(next.scheme()));
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, job, stop] {
        const QByteArray data = reply->readAll();
        if (job->ended)
            return;
        job->received += data.size();
        if (job->received > job->limit)
            stop(QStringLiteral("the answer is larger than %1 bytes").arg(job->limit));
        else if (job->sink.write(data) != data.size())
            stop(job->sink.errorString());
    });
    auto* deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    QObject::connect(deadline, &QTimer::timeout, reply,
                     [stop] { stop(QStringLiteral("no whole answer in time")); });
    deadline->start(total);
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, job] {
        job->end(*reply);
        reply->deleteLater();
    });
}

} // namespace

QtHttpClient::QtHttpClient() : QtHttpClient(std::chrono::seconds(10), std::chrono::seconds(30)) {}

QtHttpClient::QtHttpClient(std::chrono::milliseconds connectTimeout, std::chrono::milliseconds totalTimeout)
    : m_connectTimeout(connectTimeout), m_totalTimeout(totalTimeout)
{
}

QtHttpClient::~QtHttpClient()
{
    if (!m_thread)
        return;
    // Transfers still running end with the manager; their callers get a failure.
    QObject::connect(m_thread.get(), &QThread::finished, m_manager, &QObject::deleteLater);
    m_thread->quit();
    m_thread->wait();
}

QNetworkAccessManager* QtHttpClient::manager()
{
    std::call_once(m_started, [this] {
        QNetworkProxyFactory::setUseSystemConfiguration(true);
        m_thread = std::make_unique<QThread>();
        m_thread->setObjectName(QStringLiteral("HTTP"));
        m_manager = new QNetworkAccessManager;
        m_manager->moveToThread(m_thread.get());
        m_thread->start();
    });
    return m_manager;
}

WriteResult QtHttpClient::transfer(const QString& address, QIODevice& sink, qint64 limit,
                                   const QByteArray& agent, QByteArray* contentType)
{
    const QUrl url(address);
    if (!isWebPageUrl(url))
        return WriteResult::failure(QStringLiteral("not a web address"));
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    request.setTransferTimeout(int(m_connectTimeout.count()));
    if (!agent.isNull())
        request.setRawHeader("User-Agent", agent);
    auto job = std::make_shared<Job>(sink, limit, contentType);
    std::future<WriteResult> result = job->result.get_future();
    QNetworkAccessManager* network = manager();
    QMetaObject::invokeMethod(
        network, [network, request, total = m_totalTimeout, job] { start(*network, request, total, job); },
        Qt::QueuedConnection);
    try {
        return result.get();
    } catch (const std::future_error&) {
        return WriteResult::failure(QStringLiteral("the HTTP client was closed"));
    }
}

QByteArray QtHttpClient::get(const QString& url)
{
    return getPage(url).body;
}

HttpClient::Page QtHttpClient::getPage(const QString& url)
{
    Page page;
    QBuffer buffer(&page.body);
    buffer.open(QIODevice::WriteOnly);
    // The agent text of the page fetch has always been a single blank.
    const WriteResult result = transfer(url, buffer, kMaxPage, QByteArrayLiteral(" "), &page.contentType);
    buffer.close();
    return result.ok() ? page : Page{};
}

WriteResult QtHttpClient::download(const QString& url, const QString& filePath)
{
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly))
        return WriteResult::failure(QStringLiteral("cannot write %1: %2").arg(filePath, file.errorString()));
    const WriteResult result = transfer(url, file, kMaxDownload, {});
    if (!result.ok()) {
        file.cancelWriting();
        return WriteResult::failure(QStringLiteral("cannot download %1: %2").arg(url, result.error));
    }
    if (!file.commit())
        return WriteResult::failure(QStringLiteral("cannot write %1: %2").arg(filePath, file.errorString()));
    return WriteResult::success();
}

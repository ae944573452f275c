#include "platform/HttpClient.h"

#include <QBuffer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QSaveFile>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <mutex>

namespace {

// Pages are a few bytes of text and downloads a zone list or a banner: far
// more than that is a fault of the server, not something to keep in memory.
constexpr qint64 kMaxPage = 4 * 1024 * 1024;
constexpr qint64 kMaxDownload = 32 * 1024 * 1024;
constexpr int kMaxRedirects = 5;

bool isWebAddress(const QUrl& url)
{
    return url.isValid() && (url.scheme() == u"http" || url.scheme() == u"https");
}

void useSystemProxyOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { QNetworkProxyFactory::setUseSystemConfiguration(true); });
}

struct Transfer
{
    QIODevice& sink;
    qint64 limit;
    QByteArray agent; // null: Qt's own
    std::chrono::milliseconds connect;
    std::chrono::milliseconds total;
};

// Redirects are followed (up to 5), as a browser would; only to HTTP and
// HTTPS addresses.
WriteResult transferHere(const QString& address, const Transfer& how, QByteArray* contentType)
{
    const QUrl url(address);
    if (!isWebAddress(url))
        return WriteResult::failure(QStringLiteral("not a web address"));
    useSystemProxyOnce();
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    request.setTransferTimeout(int(how.connect.count()));
    if (!how.agent.isNull())
        request.setRawHeader("User-Agent", how.agent);
    QNetworkReply* reply = manager.get(request);

    QString failure;
    const auto stop = [&failure, reply](const QString& why) {
        if (failure.isEmpty())
            failure = why;
        reply->abort();
    };
    QObject::connect(reply, &QNetworkReply::redirected, reply, [reply, stop](const QUrl& next) {
        if (isWebAddress(next))
            emit reply->redirectAllowed();
        else
            stop(QStringLiteral("redirected to %1").arg(next.scheme()));
    });
    qint64 received = 0;
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [&] {
        const QByteArray data = reply->readAll();
        received += data.size();
        if (received > how.limit)
            stop(QStringLiteral("the answer is larger than %1 bytes").arg(how.limit));
        else if (how.sink.write(data) != data.size())
            stop(how.sink.errorString());
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply,
                     [&] { stop(QStringLiteral("no whole answer in time")); });
    deadline.start(how.total);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();

    if (!failure.isEmpty())
        return WriteResult::failure(failure);
    if (reply->error() != QNetworkReply::NoError)
        return WriteResult::failure(reply->errorString());
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status < 200 || status > 299)
        return WriteResult::failure(QStringLiteral("HTTP status %1").arg(status));
    if (contentType)
        *contentType = reply->rawHeader("Content-Type");
    return WriteResult::success();
}

// On a thread of Qt's own, whatever the caller's: Qt's timers, which bound the
// transfer, run on no other.
WriteResult transfer(const QString& address, const Transfer& how, QByteArray* contentType = nullptr)
{
    WriteResult result = WriteResult::failure(QStringLiteral("not run"));
    const std::unique_ptr<QThread> thread(
        QThread::create([&] { result = transferHere(address, how, contentType); }));
    thread->start();
    thread->wait();
    return result;
}

} // namespace

QtHttpClient::QtHttpClient() : QtHttpClient(std::chrono::seconds(10), std::chrono::seconds(30)) {}

QtHttpClient::QtHttpClient(std::chrono::milliseconds connectTimeout, std::chrono::milliseconds totalTimeout)
    : m_connectTimeout(connectTimeout), m_totalTimeout(totalTimeout)
{
}

QtHttpClient::~QtHttpClient() = default;

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
    const WriteResult result = transfer(
        url, {buffer, kMaxPage, QByteArrayLiteral(" "), m_connectTimeout, m_totalTimeout}, &page.contentType);
    buffer.close();
    return result.ok() ? page : Page{};
}

WriteResult QtHttpClient::download(const QString& url, const QString& filePath)
{
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly))
        return WriteResult::failure(QStringLiteral("cannot write %1: %2").arg(filePath, file.errorString()));
    const WriteResult result = transfer(url, {file, kMaxDownload, {}, m_connectTimeout, m_totalTimeout});
    if (!result.ok()) {
        file.cancelWriting();
        return WriteResult::failure(QStringLiteral("cannot download %1: %2").arg(url, result.error));
    }
    if (!file.commit())
        return WriteResult::failure(QStringLiteral("cannot write %1: %2").arg(filePath, file.errorString()));
    return WriteResult::success();
}

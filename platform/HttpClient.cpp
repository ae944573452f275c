#include "platform/HttpClient.h"

#include "platform/WebAddress.h"

#include <QBuffer>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace {

// Pages are a few bytes of text and downloads a zone list or a banner: far
// more than that is a fault of the server, not something to keep in memory.
constexpr qint64 kMaxPage = 4 * 1024 * 1024;
constexpr qint64 kMaxDownload = 32 * 1024 * 1024;
constexpr int kMaxRedirects = 5;

QString failureOf(const QNetworkReply& reply)
{
    if (reply.error() != QNetworkReply::NoError)
        return reply.errorString();
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status < 200 || status > 299)
        return QStringLiteral("HTTP status %1").arg(status);
    return {};
}

} // namespace

QtHttpClient::QtHttpClient() : QtHttpClient(std::chrono::seconds(10), std::chrono::seconds(30)) {}

QtHttpClient::QtHttpClient(std::chrono::milliseconds transferTimeout, std::chrono::milliseconds totalTimeout)
    : m_transferTimeout(transferTimeout), m_totalTimeout(totalTimeout)
{
    QNetworkProxyFactory::setUseSystemConfiguration(true);
}

// The replies are the manager's children: they go with it, and their
// handlers, which live on the replies, with them.
QtHttpClient::~QtHttpClient()
{
    for (QNetworkReply* reply : m_manager.findChildren<QNetworkReply*>()) {
        reply->disconnect();
        reply->abort();
    }
}

// Redirects are followed (up to 5), as a browser would; only to HTTP and
// HTTPS addresses. Nothing is started for an address that is none of these.
QNetworkReply* QtHttpClient::start(const QString& address, const QByteArray& agent)
{
    const QUrl url(address);
    if (!isWebPageUrl(url))
        return nullptr;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    request.setTransferTimeout(int(m_transferTimeout.count()));
    if (!agent.isNull())
        request.setRawHeader("User-Agent", agent);
    QNetworkReply* reply = m_manager.get(request);
    QObject::connect(reply, &QNetworkReply::redirected, reply, [reply](const QUrl& next) {
        if (isWebPageUrl(next))
            emit reply->redirectAllowed();
        else
            reply->abort();
    });
    auto* deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    QObject::connect(deadline, &QTimer::timeout, reply, &QNetworkReply::abort);
    deadline->start(m_totalTimeout);
    return reply;
}

// What one transfer has received so far, with its size limit.
struct QtHttpClient::Transfer
{
    qint64 limit = 0;
    qint64 received = 0;
    QString failure;

    // False once the answer outgrew the limit or the sink refused it.
    bool take(QNetworkReply& reply, QIODevice& sink)
    {
        const QByteArray data = reply.readAll();
        if (!failure.isEmpty())
            return false;
        received += data.size();
        if (received > limit)
            failure = QStringLiteral("the answer is larger than %1 bytes").arg(limit);
        else if (sink.write(data) != data.size())
            failure = sink.errorString();
        if (failure.isEmpty())
            return true;
        reply.abort();
        return false;
    }
};

void QtHttpClient::getPage(const QString& url, QObject* context, std::function<void(const Page&)> done)
{
    // The agent text of the page fetch has always been a single blank.
    QNetworkReply* reply = start(url, QByteArrayLiteral(" "));
    if (!reply) {
        QTimer::singleShot(0, context, [done = std::move(done)] { done({}); });
        return;
    }
    struct Sink
    {
        QByteArray body;
        QBuffer buffer{&body};
    };
    auto sink = std::make_shared<Sink>();
    sink->buffer.open(QIODevice::WriteOnly);
    auto transfer = std::make_shared<Transfer>(Transfer{kMaxPage, 0, {}});
    QObject::connect(reply, &QNetworkReply::readyRead, reply,
                     [reply, sink, transfer] { transfer->take(*reply, sink->buffer); });
    QPointer<QObject> receiver(context);
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, sink, transfer, receiver, done] {
        reply->deleteLater();
        const bool whole = transfer->take(*reply, sink->buffer) && failureOf(*reply).isEmpty();
        if (receiver)
            done(whole ? Page{sink->body, reply->rawHeader("Content-Type")} : Page{});
    });
}

void QtHttpClient::download(const QString& url, const QString& filePath, QObject* context,
                            std::function<void(const WriteResult&)> done)
{
    const auto report = [context, done](const WriteResult& result) {
        QTimer::singleShot(0, context, [done, result] { done(result); });
    };
    auto file = std::make_shared<QSaveFile>(filePath);
    if (!file->open(QIODevice::WriteOnly)) {
        report(
            WriteResult::failure(QStringLiteral("cannot write %1: %2").arg(filePath, file->errorString())));
        return;
    }
    QNetworkReply* reply = start(url, {});
    if (!reply) {
        file->cancelWriting();
        report(WriteResult::failure(QStringLiteral("cannot download %1: not a web address").arg(url)));
        return;
    }
    auto transfer = std::make_shared<Transfer>(Transfer{kMaxDownload, 0, {}});
    QObject::connect(reply, &QNetworkReply::readyRead, reply,
                     [reply, file, transfer] { transfer->take(*reply, *file); });
    QPointer<QObject> receiver(context);
    QObject::connect(reply, &QNetworkReply::finished, reply,
                     [reply, file, transfer, receiver, url, filePath, done] {
                         reply->deleteLater();
                         if (transfer->take(*reply, *file) && transfer->failure.isEmpty())
                             transfer->failure = failureOf(*reply);
                         WriteResult result = WriteResult::success();
                         if (!transfer->failure.isEmpty()) {
                             file->cancelWriting();
                             result = WriteResult::failure(
                                 QStringLiteral("cannot download %1: %2").arg(url, transfer->failure));
                         } else if (!file->commit()) {
                             result = WriteResult::failure(
                                 QStringLiteral("cannot write %1: %2").arg(filePath, file->errorString()));
                         }
                         if (receiver)
                             done(result);
                     });
}

#include "platform/HttpClient.h"

#include <QBuffer>
#include <QSaveFile>
#include <QUrl>

#include <curl/curl.h>

#include <mutex>

namespace {

// Pages are a few bytes of text and downloads a zone list or a banner: far
// more than that is a fault of the server, not something to keep in memory.
constexpr qint64 kMaxPage = 4 * 1024 * 1024;
constexpr qint64 kMaxDownload = 32 * 1024 * 1024;
constexpr long kMaxRedirects = 5;

struct Sink
{
    QIODevice* device;
    qint64 limit;
    qint64 received = 0;
    QString failure;
};

size_t writeBody(char* data, size_t size, size_t count, void* user)
{
    auto* sink = static_cast<Sink*>(user);
    const qint64 n = qint64(size * count);
    sink->received += n;
    if (sink->received > sink->limit)
        sink->failure = QStringLiteral("the answer is larger than %1 bytes").arg(sink->limit);
    else if (sink->device->write(data, n) != n)
        sink->failure = sink->device->errorString();
    return sink->failure.isEmpty() ? size_t(n) : 0; // 0 aborts the transfer
}

void initialiseOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Redirects are followed (up to 5), as a browser would; only HTTP and HTTPS
// are allowed, also after a redirect.
WriteResult transfer(const QString& url, Sink& sink, const char* agent, std::chrono::milliseconds connect,
                     std::chrono::milliseconds total, QByteArray* contentType = nullptr)
{
    // At the first transfer, not at start: setting up TLS costs megabytes that
    // most runs need only minutes later, or never.
    initialiseOnce();
    CURL* curl = curl_easy_init();
    if (!curl)
        return WriteResult::failure(QStringLiteral("cannot start libcurl"));
    char errorText[CURL_ERROR_SIZE] = {};
    const QByteArray address = QUrl(url).toEncoded();
    curl_easy_setopt(curl, CURLOPT_URL, address.constData());
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(connect.count()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, long(total.count()));
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(sink.limit));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    if (agent)
        curl_easy_setopt(curl, CURLOPT_USERAGENT, agent);
    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    const char* type = nullptr;
    if (contentType && curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type)
        *contentType = QByteArray(type);
    curl_easy_cleanup(curl);
    if (!sink.failure.isEmpty())
        return WriteResult::failure(sink.failure);
    if (code != CURLE_OK)
        return WriteResult::failure(QString::fromUtf8(errorText[0] ? errorText : curl_easy_strerror(code)));
    if (status < 200 || status > 299)
        return WriteResult::failure(QStringLiteral("HTTP status %1").arg(status));
    return WriteResult::success();
}

} // namespace

CurlHttpClient::CurlHttpClient() : CurlHttpClient(std::chrono::seconds(10), std::chrono::seconds(30)) {}

CurlHttpClient::CurlHttpClient(std::chrono::milliseconds connectTimeout,
                               std::chrono::milliseconds totalTimeout)
    : m_connectTimeout(connectTimeout), m_totalTimeout(totalTimeout)
{
}

CurlHttpClient::~CurlHttpClient() = default;

QByteArray CurlHttpClient::get(const QString& url)
{
    return getPage(url).body;
}

HttpClient::Page CurlHttpClient::getPage(const QString& url)
{
    Page page;
    QBuffer buffer(&page.body);
    buffer.open(QIODevice::WriteOnly);
    Sink sink{&buffer, kMaxPage, 0, {}};
    // The agent text of the page fetch has always been a single blank.
    const WriteResult result = transfer(url, sink, " ", m_connectTimeout, m_totalTimeout, &page.contentType);
    buffer.close();
    return result.ok() ? page : Page{};
}

WriteResult CurlHttpClient::download(const QString& url, const QString& filePath)
{
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly))
        return WriteResult::failure(QStringLiteral("cannot write %1: %2").arg(filePath, file.errorString()));
    Sink sink{&file, kMaxDownload, 0, {}};
    const WriteResult result = transfer(url, sink, nullptr, m_connectTimeout, m_totalTimeout);
    if (!result.ok()) {
        file.cancelWriting();
        return WriteResult::failure(QStringLiteral("cannot download %1: %2").arg(url, result.error));
    }
    if (!file.commit())
        return WriteResult::failure(QStringLiteral("cannot write %1: %2").arg(filePath, file.errorString()));
    return WriteResult::success();
}

#include "fakes/ScriptedHttpServer.h"

#include "platform/HttpClient.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace std::chrono_literals;

class TestHttpClient : public QObject
{
    Q_OBJECT

private:
    ScriptedHttpServer m_server;
    QtHttpClient m_client{5s, 10s};

    // The result of an asynchronous call, waited for (bounded) in this thread's event loop.
    template <typename Result, typename Call> Result waitFor(Call call)
    {
        std::optional<Result> result;
        call([&result](const Result& value) { result = value; });
        if (!QTest::qWaitFor([&] { return result.has_value(); }, 20000))
            return Result{};
        return *result;
    }

    QByteArray get(const QByteArray& pathOrAddress, QtHttpClient* client = nullptr)
    {
        const QString address =
            pathOrAddress.startsWith('/') ? m_server.url(pathOrAddress) : QString::fromUtf8(pathOrAddress);
        QtHttpClient& http = client ? *client : m_client;
        return waitFor<QByteArray>([&](auto done) { http.get(address, this, done); });
    }

    WriteResult download(const QByteArray& path, const QString& file)
    {
        return waitFor<WriteResult>(
            [&](auto done) { m_client.download(m_server.url(path), file, this, done); });
    }

private slots:
    void getReturnsTheWholeBodyOfA2xxAnswer()
    {
        const QByteArray body("203.0.113.7\0tail", 16);
        m_server.answer("/ips.asp", ScriptedHttpServer::ok(body));
        QCOMPARE(get("/ips.asp"), body);
        const QByteArray request = m_server.requests().last();
        QVERIFY(request.startsWith("GET /ips.asp HTTP/1.1\r\n"));
        QVERIFY(request.contains("\r\nUser-Agent:  \r\n")); // the page fetch's agent is one blank

        m_server.answer("/moved",
                        "HTTP/1.1 302 Found\r\nLocation: /ips.asp\r\nContent-Length: 5\r\n\r\nmoved");
        QCOMPARE(get("/moved"), body);
    }

    void pageComesWithItsContentTypeHeader()
    {
        m_server.answer("/gbk.asp", "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=GBK\r\n"
                                    "Content-Length: 2\r\nConnection: close\r\n\r\n\xd3\xf2");
        const auto page = waitFor<HttpClient::Page>(
            [&](auto done) { m_client.getPage(m_server.url("/gbk.asp"), this, done); });
        QCOMPARE(page.body, QByteArray("\xd3\xf2"));
        QCOMPARE(page.contentType, QByteArray("text/html; charset=GBK"));
    }

    void getGivesNothingOnFailure()
    {
        QCOMPARE(get("/missing"), QByteArray()); // 404 with a body
        m_server.answer("/error", "HTTP/1.1 500 Oops\r\nContent-Length: 2\r\n\r\nno");
        QCOMPARE(get("/error"), QByteArray());
        m_server.answer("/cut", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\nshort");
        QCOMPARE(get("/cut"), QByteArray());
        m_server.answer("/huge", ScriptedHttpServer::ok(QByteArray(5 * 1024 * 1024, 'x')));
        QCOMPARE(get("/huge"), QByteArray());
        m_server.answer("/loop", "HTTP/1.1 302 Found\r\nLocation: /loop\r\nContent-Length: 0\r\n\r\n");
        QCOMPARE(get("/loop"), QByteArray());
        m_server.answer("/file",
                        "HTTP/1.1 302 Found\r\nLocation: file:///etc/passwd\r\nContent-Length: 0\r\n\r\n");
        QCOMPARE(get("/file"), QByteArray());
        QCOMPARE(get("http://127.0.0.1:1/"), QByteArray());
    }

    void goesThroughTheProxyTheEnvironmentNames()
    {
        m_server.answer("http://provider.invalid/ips.asp", ScriptedHttpServer::ok("via proxy"));
        qputenv("http_proxy", m_server.url("").toUtf8());
        const QByteArray page = get("http://provider.invalid/ips.asp");
        qunsetenv("http_proxy");
        QCOMPARE(page, QByteArray("via proxy"));
    }

    void silentServerEndsAtTheTotalTimeOut()
    {
        QtHttpClient quick(60s, 300ms); // the stall limit alone would wait a minute
        m_server.answer("/silent", QByteArray());
        QElapsedTimer took;
        took.start();
        QCOMPARE(get("/silent", &quick), QByteArray());
        QVERIFY(took.elapsed() < 15000);
    }

    // Nothing comes back after the client is gone, and nothing runs on.
    void aFetchEndsWithItsClient()
    {
        m_server.answer("/slow", QByteArray());
        bool called = false;
        {
            QtHttpClient http(5s, 10s);
            http.get(m_server.url("/slow"), this, [&called](const QByteArray&) { called = true; });
        }
        QTest::qWait(50);
        QVERIFY(!called);
    }

    void downloadReplacesTheFileOnlyOnSuccess()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("ggw.gif"));
        m_server.answer("/vkl/ggw.gif", ScriptedHttpServer::ok("GIF89a new"));
        QVERIFY(download("/vkl/ggw.gif", file).ok());
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), QByteArray("GIF89a new"));
        written.close();

        m_server.answer("/cut", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\nshort");
        for (const QByteArray path : {"/missing", "/cut"}) {
            const WriteResult result = download(path, file);
            QVERIFY2(!result.ok() && result.error.contains(m_server.url(path)), qPrintable(result.error));
            QVERIFY(written.open(QIODevice::ReadOnly));
            QCOMPARE(written.readAll(), QByteArray("GIF89a new"));
            written.close();
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("ggw.gif")});
        QVERIFY(!download("/vkl/ggw.gif", dir.filePath(QStringLiteral("no/such/folder"))).ok());
    }
};

QTEST_GUILESS_MAIN(TestHttpClient)
#include "TestHttpClient.moc"

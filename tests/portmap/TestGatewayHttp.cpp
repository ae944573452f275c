#include "GatewayData.h"
#include "portmap/upnp/GatewayHttp.h"

#include <QTest>

using namespace GatewayHttp;

Q_DECLARE_METATYPE(GatewayHttp::Completeness)

class TestGatewayHttp : public QObject
{
    Q_OBJECT

private slots:
    void descriptionRequestIsALineAndAHost()
    {
        QCOMPARE(descriptionRequest("/rootDesc.xml", "192.168.77.1", 5000),
                 QByteArray("GET /rootDesc.xml HTTP/1.1\r\nHost: 192.168.77.1:5000\r\n\r\n"));
    }

    void completeness_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<Completeness>("expected");
        const auto row = [](const char* name, const QByteArray& response, Completeness expected) {
            QTest::newRow(name) << response << expected;
        };
        using enum Completeness;
        row("nothing", "", Incomplete);
        row("header block not ended", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n", Incomplete);
        row("bare line feeds", "HTTP/1.1 200 OK\n\n", Incomplete);
        row("no length: until the close", "HTTP/1.1 200 OK\r\nServer: x\r\n\r\n<root><device>",
            CompleteAtClose);
        row("no length, no body", "HTTP/1.1 200 OK\r\n\r\n", CompleteAtClose);
        row("length in the body does not count", "HTTP/1.1 200 OK\r\n\r\nContent-Length: 900\r\n",
            CompleteAtClose);
        const QByteArray ten = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\nServer: x\r\n\r\n";
        row("10 of 10", ten + QByteArray(10, 'b'), Complete);
        row("9 of 10", ten + QByteArray(9, 'b'), Incomplete);
        row("11 of 10", ten + QByteArray(11, 'b'), Complete);
        row("last header line", "HTTP/1.1 200 OK\r\ncontent-length:   3\r\n\r\nbbb", Complete);
        row("last header line short", "HTTP/1.1 200 OK\r\nCONTENT-LENGTH:3\r\n\r\nbb", Incomplete);
        row("hex length", "HTTP/1.1 200 OK\r\nContent-Length: $A\r\n\r\n0123456789", Complete);
        row("negative length", "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n", Complete);
        row("length not a number", "HTTP/1.1 200 OK\r\nContent-Length: ten\r\n\r\n" + QByteArray(5000, 'b'),
            Incomplete);
        row("length with a trailing blank",
            "HTTP/1.1 200 OK\r\nContent-Length: 10 \r\n\r\n" + QByteArray(50, 'b'), Incomplete);
        row("empty length", "HTTP/1.1 200 OK\r\nContent-Length:\r\n\r\n" + QByteArray(50, 'b'), Incomplete);
        row("another blank line in the body", "HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\n\r\n\r\n",
            Incomplete);
        row("another blank line, whole", "HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\n\r\n\r\n\r\n\r\n",
            Complete);
        const QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n";
        row("chunked, last chunk", chunked + "5\r\n<root\r\n2;x=y\r\n/>\r\n0\r\n\r\n", Complete);
        row("chunked, trailers", chunked + "1\r\na\r\n0\r\nX-Trailer: 1\r\n\r\n", Complete);
        row("chunked, trailers not ended", chunked + "1\r\na\r\n0\r\nX-Trailer: 1\r\n", Incomplete);
        row("chunked, before the last chunk", chunked + "5\r\n<root\r\n", Incomplete);
        row("chunked, chunk cut short", chunked + "5\r\n<ro", Incomplete);
        row("chunked wins over a length",
            "HTTP/1.1 200 OK\r\nContent-Length: 1\r\nTransfer-Encoding: chunked\r\n\r\n1\r\na", Incomplete);
        row("chunked, size not a number", chunked + "zz\r\nabc\r\n0\r\n\r\n", Incomplete);
        row("chunked, size beyond the cap", chunked + "7fffffffffffffff\r\n", Incomplete);
    }

    void completeness()
    {
        QFETCH(QByteArray, response);
        QFETCH(Completeness, expected);
        QCOMPARE(ResponseComplete(response), expected);
    }

    void chunksAreJoined()
    {
        const QByteArray head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
        QCOMPARE(joinedChunks(head + "5\r\n<root\r\n2;x=y\r\n/>\r\n0\r\n\r\n"), head + "<root/>");
        // Anything else, a chunked answer not yet whole included, stays as it is.
        QCOMPARE(joinedChunks(head + "5\r\n<ro"), head + "5\r\n<ro");
        const QByteArray plain = "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\n1\r\n";
        QCOMPARE(joinedChunks(plain), plain);
    }

    void recordedAnswersCompleteExactlyAtTheirLastByte()
    {
        for (const char* name : {"description-igd1.http", "description-igd2.http", "get-external-ip-200.http",
                                 "add-port-mapping-500-conflict.http"}) {
            const QByteArray whole = gatewayData(name);
            QVERIFY2(ResponseComplete(whole) == Completeness::Complete, name);
            QVERIFY2(ResponseComplete(whole.chopped(1)) == Completeness::Incomplete, name);
        }
    }
};

QTEST_GUILESS_MAIN(TestGatewayHttp)
#include "TestGatewayHttp.moc"

#include "GatewayData.h"
#include "portmap/GatewayHttp.h"

#include <QTest>

using namespace GatewayHttp;

class TestGatewayHttp : public QObject
{
    Q_OBJECT

private slots:
    void descriptionRequestIsALineAndAHost()
    {
        QCOMPARE(descriptionRequest("/rootDesc.xml", "192.168.77.1", 5000),
                 QByteArray("GET /rootDesc.xml HTTP/1.1\r\nHost: 192.168.77.1:5000\r\n\r\n"));
    }

    void incompleteUntilTheHeaderBlockEnds()
    {
        QVERIFY(!ResponseComplete(QByteArray()));
        QVERIFY(!ResponseComplete("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n"));
        QVERIFY(!ResponseComplete("HTTP/1.1 200 OK\n\n"));
    }

    void withoutLengthTheBlankLineCompletes()
    {
        QVERIFY(ResponseComplete("HTTP/1.1 200 OK\r\nServer: x\r\n\r\n<root><device>"));
        QVERIFY(ResponseComplete("HTTP/1.1 200 OK\r\n\r\n"));
    }

    void lengthCounts_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<int>("bodyBytes");
        QTest::addColumn<bool>("complete");
        const QByteArray ten = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\nServer: x";
        QTest::newRow("10 of 10") << ten << 10 << true;
        QTest::newRow("9 of 10") << ten << 9 << false;
        QTest::newRow("11 of 10") << ten << 11 << true;
        QTest::newRow("last header line")
            << QByteArray("HTTP/1.1 200 OK\r\ncontent-length:   3") << 3 << true;
        QTest::newRow("last header line short")
            << QByteArray("HTTP/1.1 200 OK\r\nCONTENT-LENGTH:3") << 2 << false;
        QTest::newRow("hex") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: $A") << 10 << true;
        QTest::newRow("negative") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: -1") << 0 << true;
        QTest::newRow("not a number")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: ten") << 5000 << false;
        QTest::newRow("trailing blank")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 10 ") << 5000 << false;
        QTest::newRow("empty value") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length:") << 5000 << false;
    }

    void lengthCounts()
    {
        QFETCH(QByteArray, header);
        QFETCH(int, bodyBytes);
        QFETCH(bool, complete);
        QCOMPARE(ResponseComplete(header + "\r\n\r\n" + QByteArray(bodyBytes, 'b')), complete);
    }

    void lengthInTheBodyDoesNotCount()
    {
        QVERIFY(ResponseComplete("HTTP/1.1 200 OK\r\n\r\nContent-Length: 900\r\n"));
    }

    void bodyMayHoldAnotherBlankLine()
    {
        QVERIFY(!ResponseComplete("HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\n\r\n\r\n"));
        QVERIFY(ResponseComplete("HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\n\r\n\r\n\r\n\r\n"));
    }

    void recordedAnswersCompleteExactlyAtTheirLastByte()
    {
        for (const char* name : {"description-igd1.http", "description-igd2.http", "get-external-ip-200.http",
                                 "add-port-mapping-500-conflict.http"}) {
            const QByteArray whole = gatewayData(name);
            QVERIFY2(ResponseComplete(whole), name);
            QVERIFY2(!ResponseComplete(whole.chopped(1)), name);
        }
    }
};

QTEST_GUILESS_MAIN(TestGatewayHttp)
#include "TestGatewayHttp.moc"

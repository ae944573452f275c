#include "GatewayData.h"
#include "portmap/upnp/SsdpSearch.h"

#include <QTest>

using namespace SsdpSearch;

class TestSsdpSearch : public QObject
{
    Q_OBJECT

private slots:
    void searchRequestIs101ExactBytes()
    {
        const QByteArray expected =
            "M-SEARCH * HTTP/1.1\r\nHOST: 239.255.255.250:1900\r\nMAN: \"ssdp:discover\"\r\n"
            "MX: 3\r\nST: upnp:rootdevice\r\n\r\n";
        QCOMPARE(request(), expected);
        QCOMPARE(request().size(), 101);
    }

    void recordedAnswerGivesItsHeaders()
    {
        const auto answer = readAnswer(gatewayData("ssdp-answer-rootdevice.bin"));
        QVERIFY(answer);
        QCOMPARE(answer->location, QByteArray("http://192.168.77.1:5000/rootDesc.xml"));
        QCOMPARE(answer->server, QByteArray("Debian/6.18.44-fc-v1272 UPnP/1.1 MiniUPnPd/2.3.1"));
        QCOMPARE(answer->usn, QByteArray("uuid:3d3cec3a-8cf0-11e0-98ee-001a6bd2d07b::upnp:rootdevice"));
    }

    void headersAreFoundInAnyCaseAnywhere()
    {
        const QByteArray datagram = "http/1.1 200 OK\r\nLocation:\t http://192.168.1.1:1900/igd.xml \r\n"
                                    "x-usn: Uuid:AbC\r\nEXT:\r\n";
        const auto answer = readAnswer(datagram);
        QVERIFY(answer);
        QCOMPARE(answer->location, QByteArray("http://192.168.1.1:1900/igd.xml"));
        QCOMPARE(answer->usn, QByteArray("Uuid:AbC")); // "USN:" inside "x-usn:" counts
        QCOMPARE(answer->server, QByteArray());        // absent
        QCOMPARE(headerValue(datagram, "EXT:"), QByteArray());
        QCOMPARE(headerValue("HTTP/1.1 200\r\nSERVER: tail", "SERVER:"), QByteArray("tail"));
        // Shown in the status and the log: no terminal escape, no line of its own.
        QCOMPARE(readAnswer("HTTP/1.1 200\r\nSERVER: a\x1b[2Jb\nc\r\n")->server, QByteArray("a [2Jb c"));
    }

    void firstOccurrenceWins()
    {
        const QByteArray datagram =
            "HTTP/1.1 200 OK\r\nLOCATION: http://a:1/one\r\nLOCATION: http://b:2/two\r\n";
        QCOMPARE(readAnswer(datagram)->location, QByteArray("http://a:1/one"));
    }

    void nonResponsesAreRefused()
    {
        QVERIFY(!readAnswer("NOTIFY * HTTP/1.1\r\nLOCATION: http://a:1/x\r\n"));
        QVERIFY(!readAnswer("HTTP"));
        QVERIFY(!readAnswer(QByteArray()));
        QVERIFY(!readAnswer(QByteArray("\0HTTP/1.1 200 OK", 16)));
    }

    void locationWithPortAndPath()
    {
        const Location parts = splitLocation("http://192.168.1.1:1900/igd.xml");
        QVERIFY(usable(parts));
        QCOMPARE(*parts.routerIp, QByteArray("192.168.1.1"));
        QCOMPARE(parts.routerPort, 1900);
        QCOMPARE(parts.routerURL, QByteArray("/igd.xml"));
        QCOMPARE(urlBase(*parts.routerIp, parts.routerPort, parts.routerURL),
                 QByteArray("http://192.168.1.1:1900"));
    }

    void dyndevLocationKeepsItsFolderInTheBase()
    {
        const Location parts = splitLocation("HTTP://192.168.1.1:5431/dyndev/uuid:0000");
        QCOMPARE(parts.routerURL, QByteArray("/dyndev/uuid:0000"));
        QCOMPARE(urlBase(*parts.routerIp, parts.routerPort, parts.routerURL),
                 QByteArray("http://192.168.1.1:5431/dyndev"));
    }

    void locationWithoutPathGetsRoot()
    {
        const Location parts = splitLocation("http://192.168.1.1:80");
        QVERIFY(usable(parts));
        QCOMPARE(parts.routerPort, 80);
        QCOMPARE(parts.routerURL, QByteArray("/"));
        QCOMPARE(urlBase(*parts.routerIp, parts.routerPort, parts.routerURL),
                 QByteArray("http://192.168.1.1:80"));
    }

    void locationWithoutPortCannotBeSplit()
    {
        const Location parts = splitLocation("http://192.168.1.1/desc.xml");
        QVERIFY(!parts.complete);
        QVERIFY(!parts.routerIp);
        QVERIFY(!usable(parts));
    }

    void hostWithNothingAfterTheColonIsKnownButIncomplete()
    {
        const Location parts = splitLocation("http://192.168.1.1:");
        QCOMPARE(parts.routerIp.value_or("?"), QByteArray("192.168.1.1"));
        QVERIFY(!parts.complete);
        QVERIFY(!usable(parts));
    }

    void badPorts_data()
    {
        QTest::addColumn<QByteArray>("location");
        QTest::addColumn<int>("port");
        QTest::addColumn<QByteArray>("url");
        QTest::newRow("not a number") << QByteArray("http://h:http/x") << -1 << QByteArray("/x");
        QTest::newRow("slash right after colon") << QByteArray("http://h:/x.xml") << -1 << QByteArray("/");
        QTest::newRow("zero") << QByteArray("http://h:0/x") << 0 << QByteArray("/x");
        QTest::newRow("negative") << QByteArray("http://h:-80/x") << -80 << QByteArray("/x");
        QTest::newRow("beyond 65535") << QByteArray("http://h:65536/x") << 65536 << QByteArray("/x");
        QTest::newRow("beyond 32 bits") << QByteArray("http://h:99999999999/x") << -1 << QByteArray("/x");
    }

    void badPorts()
    {
        QFETCH(QByteArray, location);
        QFETCH(int, port);
        QFETCH(QByteArray, url);
        const Location parts = splitLocation(location);
        QVERIFY(parts.complete);
        QCOMPARE(parts.routerPort, port);
        QCOMPARE(parts.routerURL, url);
        QVERIFY(!usable(parts));
    }

    void hexPortAndMissingSchemeAreRead()
    {
        const Location parts = splitLocation("10.0.0.1:0x50/d.xml");
        QVERIFY(usable(parts));
        QCOMPARE(parts.routerPort, 80);
    }

    void onlyALocationNamingTheSenderIsTrusted_data()
    {
        QTest::addColumn<QByteArray>("location");
        QTest::addColumn<bool>("trusted");
        QTest::newRow("sender") << QByteArray("http://10.0.0.1:5000/rootDesc.xml") << true;
        QTest::newRow("no path, hex port") << QByteArray("http://10.0.0.1:0x50") << true;
        QTest::newRow("another host") << QByteArray("http://10.0.0.2:5000/rootDesc.xml") << false;
        QTest::newRow("host name") << QByteArray("http://router.example:5000/d.xml") << false;
        QTest::newRow("leading zero") << QByteArray("http://10.0.0.01:5000/d.xml") << false;
        QTest::newRow("short form") << QByteArray("http://10.1:5000/d.xml") << false;
        QTest::newRow("port zero") << QByteArray("http://10.0.0.1:0/d.xml") << false;
        QTest::newRow("port 65536 + 80") << QByteArray("http://10.0.0.1:65616/d.xml") << false;
        QTest::newRow("no port") << QByteArray("http://10.0.0.1/d.xml") << false;
        QTest::newRow("CR LF in path") << QByteArray("http://10.0.0.1:80/d HTTP/1.1\r\nX: y") << false;
        QTest::newRow("LF in path") << QByteArray("http://10.0.0.1:80/d\nX: y") << false;
        QTest::newRow("NUL in path") << QByteArray("http://10.0.0.1:80/d") + '\0' + "x" << false;
        QTest::newRow("tab in path") << QByteArray("http://10.0.0.1:80/d\tx") << false;
        QTest::newRow("DEL in path") << QByteArray("http://10.0.0.1:80/d\x7fx") << false;
    }

    void onlyALocationNamingTheSenderIsTrusted()
    {
        QFETCH(QByteArray, location);
        QFETCH(bool, trusted);
        QCOMPARE(trustedLocation(location, "10.0.0.1").has_value(), trusted);
    }

    void datagramsOnTheSearchSocket_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<int>("verdict");
        const QByteArray head = "HTTP/1.1 200 OK\r\nLOCATION: http://10.0.0.";
        const QByteArray answer = head + "1:80/d.xml\r\n\r\n";
        QTest::newRow("answer") << answer << int(Reading::Found);
        QTest::newRow("cut at NUL") << head + "1:80/d.xml" + '\0' + "\x01\r\n" << int(Reading::Found);
        QTest::newRow("own search") << request() << int(Reading::Ignore);
        QTest::newRow("announcement") << QByteArray("notify * HTTP/1.1\r\n\r\n") << int(Reading::Ignore);
        QTest::newRow("untrusted answer") << head + "9:80/d.xml\r\n\r\n" << int(Reading::Ignore);
        QTest::newRow("no location") << QByteArray("HTTP/1.1 200 OK\r\n\r\n") << int(Reading::Ignore);
        QTest::newRow("junk") << QByteArray("junk") << int(Reading::Fail);
        QTest::newRow("NUL first") << QByteArray("\0", 1) + answer << int(Reading::Fail);
    }

    void datagramsOnTheSearchSocket()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(int, verdict);
        const Reading reading = readDatagram(datagram, "10.0.0.1");
        QCOMPARE(int(reading.verdict), verdict);
        if (reading.verdict == Reading::Found)
            QCOMPARE(reading.location.routerURL, QByteArray("/d.xml"));
    }

    void blankHostIsNotUsable()
    {
        QVERIFY(!usable(splitLocation("http://:80/x")));
        QVERIFY(!usable(splitLocation("http:// \t:80/x")));
        QVERIFY(usable(splitLocation("http://a:65535/x")));
    }
};

QTEST_GUILESS_MAIN(TestSsdpSearch)
#include "TestSsdpSearch.moc"

#include "GatewayData.h"
#include "portmap/upnp/SoapAnswer.h"
#include "portmap/upnp/SoapRequest.h"

#include <QTest>

using namespace SoapRequest;

namespace {

const Target IpTarget{"http://192.168.1.1:1900/upnp/control/WANIPConn1", "192.168.1.1", 1900,
                      "WANIPConnection"};

QByteArray bodyOf(const QByteArray& request)
{
    return request.mid(request.indexOf("\r\n\r\n") + 4);
}

} // namespace

class TestSoapRequest : public QObject
{
    Q_OBJECT

private slots:
    void addPortMappingByteForByte()
    {
        const QByteArray expected =
            "POST /upnp/control/WANIPConn1 HTTP/1.1\r\n"
            "Host: 192.168.1.1:1900\r\n"
            "SoapAction: \"urn:schemas-upnp-org:service:WANIPConnection:1#AddPortMapping\"\r\n"
            "Content-Type: text/xml; charset=\"utf-8\"\r\n"
            "Content-Length: 613\r\n"
            "\r\n"
            "<?xml version=\"1.0\"?>\r\n"
            "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"\r\n"
            "s:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">\r\n"
            "<s:Body>\r\n"
            "<u:AddPortMapping xmlns:u=\"urn:schemas-upnp-org:service:WANIPConnection:1\">\r\n"
            "<NewRemoteHost></NewRemoteHost>\r\n"
            "<NewExternalPort>80</NewExternalPort>\r\n"
            "<NewProtocol>TCP</NewProtocol>\r\n"
            "<NewInternalPort>80</NewInternalPort>\r\n"
            "<NewInternalClient>192.168.1.100</NewInternalClient>\r\n"
            "<NewEnabled>1</NewEnabled>\r\n"
            "<NewPortMappingDescription>TestUDP</NewPortMappingDescription>\r\n"
            "<NewLeaseDuration>0</NewLeaseDuration>\r\n"
            "</u:AddPortMapping>\r\n"
            "</s:Body>\r\n"
            "</s:Envelope>\r\n";
        const QByteArray request = addPortMapping(IpTarget, "TestUDP", 80, "192.168.1.100", 80, "TCP");
        QCOMPARE(request, expected);
        QCOMPARE(bodyOf(request).size(), 613);
    }

    void addPortMappingBodyGrowsWithItsValues()
    {
        const Target ppp{"http://h:1/c", "h", 1, "WANPPPConnection"};
        const QByteArray body = bodyOf(addPortMapping(ppp, "", 1, "", 1, ""));
        QCOMPARE(body.size(), 571 + 16 + 1 + 1);
    }

    void getExternalIPAddressByteForByte()
    {
        const QByteArray expected =
            "POST /upnp/control/WANIPConn1 HTTP/1.0\r\n"
            "Host: 192.168.1.1:1900\r\n"
            "SoapAction: \"urn:schemas-upnp-org:service:WANIPConnection:1#GetExternalIPAddress\"\r\n"
            "Content-Type: text/xml; charset=\"utf-8\"\r\n"
            "Content-Length: 295\r\n"
            "\r\n"
            "<?xml version=\"1.0\"?>\r\n"
            "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\" "
            "s:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">\r\n"
            "<s:Body>\r\n"
            "<u:GetExternalIPAddress xmlns:u=\"urn:schemas-upnp-org:service:WANIPConnection:1\">\r\n"
            "</u:GetExternalIPAddress>\r\n"
            "</s:Body>\r\n"
            "</s:Envelope>\r\n";
        QCOMPARE(getExternalIPAddress(IpTarget), expected);
    }

    void getExternalIPAddressNamesPppOnlyInItsHeader()
    {
        Target ppp = IpTarget;
        ppp.service = "WANPPPConnection";
        const QByteArray request = getExternalIPAddress(ppp);
        QVERIFY(request.contains(
            "\r\nSoapAction: \"urn:schemas-upnp-org:service:WANPPPConnection:1#GetExternalIPAddress\"\r\n"));
        QCOMPARE(bodyOf(request), bodyOf(getExternalIPAddress(IpTarget)));
        QVERIFY(request.contains("Content-Length: 295\r\n"));
    }

    void deletePortMappingByteForByte()
    {
        const QByteArray expected =
            "POST /upnp/control/WANIPConn1 HTTP/1.0\r\n"
            "Host: 192.168.1.1:1900\r\n"
            "SoapAction: \"urn:schemas-upnp-org:service:WANIPConnection:1#DeletePortMapping\"\r\n"
            "Content-Type: text/xml; charset=\"utf-8\"\r\n"
            "Content-Length: 393\r\n"
            "\r\n"
            "<?xml version=\"1.0\"?>\r\n"
            "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\" "
            "s:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">\r\n"
            "<s:Body>\r\n"
            "<u:DeletePortMapping xmlns:u=\"urn:schemas-upnp-org:service:WANIPConnection:1\">\r\n"
            "<NewRemoteHost></NewRemoteHost>\r\n"
            "<NewExternalPort>80</NewExternalPort>\r\n"
            "<NewProtocol>TCP</NewProtocol>\r\n"
            "</u:DeletePortMapping>\r\n"
            "</s:Body>\r\n"
            "</s:Envelope>\r\n";
        QCOMPARE(deletePortMapping(IpTarget, 80, "TCP"), expected);
    }

    void entryRequestsByteForByte_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray envelope = "<?xml version=\"1.0\"?>\r\n"
                                    "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\" "
                                    "s:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">\r\n"
                                    "<s:Body>\r\n";
        Target ppp = IpTarget;
        ppp.service = "WANPPPConnection";
        QTest::newRow("specific entry, PPP")
            << getSpecificPortMappingEntry(ppp, 8080, "UDP")
            << "POST /upnp/control/WANIPConn1 HTTP/1.0\r\n"
               "Host: 192.168.1.1:1900\r\n"
               "SoapAction: "
               "\"urn:schemas-upnp-org:service:WANPPPConnection:1#GetSpecificPortMappingEntry\"\r\n"
               "Content-Type: text/xml; charset=\"utf-8\"\r\n"
               "Content-Length: 416\r\n"
               "\r\n" +
                   envelope +
                   "<u:GetSpecificPortMappingEntry "
                   "xmlns:u=\"urn:schemas-upnp-org:service:WANPPPConnection:1\">\r\n"
                   "<NewRemoteHost></NewRemoteHost>\r\n"
                   "<NewExternalPort>8080</NewExternalPort>\r\n"
                   "<NewProtocol>UDP</NewProtocol>\r\n"
                   "</u:GetSpecificPortMappingEntry>\r\n"
                   "</s:Body>\r\n"
                   "</s:Envelope>\r\n";
        QTest::newRow("generic entry")
            << getGenericPortMappingEntry(IpTarget, 12)
            << "POST /upnp/control/WANIPConn1 HTTP/1.0\r\n"
               "Host: 192.168.1.1:1900\r\n"
               "SoapAction: \"urn:schemas-upnp-org:service:WANIPConnection:1#GetGenericPortMappingEntry\"\r\n"
               "Content-Type: text/xml; charset=\"utf-8\"\r\n"
               "Content-Length: 354\r\n"
               "\r\n" +
                   envelope +
                   "<u:GetGenericPortMappingEntry "
                   "xmlns:u=\"urn:schemas-upnp-org:service:WANIPConnection:1\">\r\n"
                   "<NewPortMappingIndex>12</NewPortMappingIndex>\r\n"
                   "</u:GetGenericPortMappingEntry>\r\n"
                   "</s:Body>\r\n"
                   "</s:Envelope>\r\n";
    }

    void entryRequestsByteForByte()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, expected);
        QCOMPARE(request, expected);
        const qsizetype at = request.indexOf("Content-Length: ") + 16;
        QCOMPARE(request.mid(at, request.indexOf("\r\n", at) - at).toInt(), bodyOf(request).size());
    }

    void hostHeaderNamesTheTargetNotTheControlUrl()
    {
        const Target other{"http://10.9.9.9:7/ctl", "192.168.77.1", 5000, "WANIPConnection"};
        const QByteArray request = deletePortMapping(other, 8080, "UDP");
        QVERIFY(request.startsWith("POST /ctl HTTP/1.0\r\nHost: 192.168.77.1:5000\r\n"));
    }

    void requestPath_data()
    {
        QTest::addColumn<QByteArray>("controlURL");
        QTest::addColumn<QByteArray>("path");
        QTest::newRow("usual") << QByteArray("http://192.168.1.1:1900/upnp/control/WANIPConn1")
                               << QByteArray("/upnp/control/WANIPConn1");
        QTest::newRow("no path") << QByteArray("http://192.168.1.1:1900") << QByteArray("192.168.1.1:1900");
        QTest::newRow("short") << QByteArray("http:/") << QByteArray();
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("slash in scheme part") << QByteArray("/a/b/c/d/e") << QByteArray("/e");
    }

    void requestPath()
    {
        QFETCH(QByteArray, controlURL);
        QFETCH(QByteArray, path);
        QCOMPARE(SoapRequest::requestPath(controlURL), path);
    }

    void recordedAnswersAreJudged()
    {
        QVERIFY(SoapAnswer::succeeded(gatewayData("add-port-mapping-200.http")));
        QVERIFY(SoapAnswer::succeeded(gatewayData("delete-port-mapping-200.http")));
        QVERIFY(!SoapAnswer::succeeded(gatewayData("add-port-mapping-500-conflict.http")));
        QVERIFY(!SoapAnswer::succeeded(gatewayData("add-port-mapping-500-action-failed.http")));
        QCOMPARE(SoapAnswer::externalIp(gatewayData("get-external-ip-200.http")), QByteArray("11.22.33.2"));
        QCOMPARE(SoapAnswer::externalIp(gatewayData("get-external-ip-200-empty.http")), QByteArray());
    }

    void onlyStatusCode200Succeeds_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<bool>("succeeded");
        QTest::newRow("200 OK") << QByteArray("HTTP/1.1 200 OK\r\n\r\n") << true;
        QTest::newRow("any case") << QByteArray("http/1.0 200 ok\r\n\r\n") << true;
        QTest::newRow("empty reason") << QByteArray("HTTP/1.1 200 \r\n\r\n") << true;
        QTest::newRow("no line end") << QByteArray("HTTP/1.1 200 OK") << true;
        QTest::newRow("200 OK in the reason") << QByteArray("HTTP/1.1 500 Internal 200 OK\r\n\r\n") << false;
        QTest::newRow("2000") << QByteArray("HTTP/1.1 2000 OK\r\n\r\n") << false;
        QTest::newRow("no blank after code") << QByteArray("HTTP/1.1 200\r\n\r\n") << false;
        QTest::newRow("two blanks") << QByteArray("HTTP/1.1  200 OK\r\n\r\n") << false;
        QTest::newRow("not HTTP") << QByteArray("ICY 200 OK\r\n\r\n") << false;
        QTest::newRow("200 OK in a header") << QByteArray("HTTP/1.1 500 Error\r\nX: 200 OK\r\n\r\n") << false;
    }

    void onlyStatusCode200Succeeds()
    {
        QFETCH(QByteArray, response);
        QFETCH(bool, succeeded);
        QCOMPARE(SoapAnswer::succeeded(response), succeeded);
    }

    void externalAddressElement()
    {
        QCOMPARE(SoapAnswer::externalIp(
                     "HTTP/1.1 200 OK\r\n\r\n<newexternalipaddress>203.0.113.5</NEWExternalIPAddress>"),
                 QByteArray("203.0.113.5"));
        QCOMPARE(SoapAnswer::externalIp(
                     "HTTP/1.1 200 OK\r\n\r\n<NewExternalIPAddress> 1.2.3.4 </NewExternalIPAddress>"),
                 QByteArray(" 1.2.3.4 "));
        QCOMPARE(SoapAnswer::externalIp("HTTP/1.1 200 OK\r\n\r\n<NewExternalIPAddress>1.2.3.4"),
                 QByteArray("0.0.0.0"));
        QCOMPARE(
            SoapAnswer::externalIp("HTTP/1.1 200 OK\r\n\r\n</NewExternalIPAddress><NewExternalIPAddress>"),
            QByteArray("0.0.0.0"));
        QCOMPARE(SoapAnswer::externalIp("HTTP/1.1 200 OK\r\n\r\n"), QByteArray("0.0.0.0"));
    }
};

QTEST_GUILESS_MAIN(TestSoapRequest)
#include "TestSoapRequest.moc"

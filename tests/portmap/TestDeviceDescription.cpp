#include "GatewayData.h"
#include "portmap/upnp/DeviceDescription.h"

#include <QTest>

using namespace DeviceDescription;

namespace {

QByteArray device(const QByteArray& type)
{
    return "<device><deviceType>urn:schemas-upnp-org:device:" + type + "</deviceType>";
}

QByteArray service(const QByteArray& type, const QByteArray& control)
{
    return "<service><serviceType>urn:schemas-upnp-org:service:" + type + "</serviceType><controlURL>" +
           control + "</controlURL></service>";
}

QByteArray chain(const QByteArray& services, char igd = '1', char wan = '1', char conn = '1')
{
    return "HTTP/1.1 200 OK\r\n\r\n<root>" + device(QByteArray("InternetGatewayDevice:") + igd) +
           device(QByteArray("WANDevice:") + wan) + device(QByteArray("WANConnectionDevice:") + conn) +
           services + "</root>";
}

} // namespace

class TestDeviceDescription : public QObject
{
    Q_OBJECT

private slots:
    void recordedIgd1Description()
    {
        const Walk result = walk(gatewayData("description-igd1.http"), "http://192.168.77.1:5000");
        QCOMPARE(result.service.value_or("-"), QByteArray("WANIPConnection"));
        QCOMPARE(result.controlURL.value_or("-"), QByteArray("http://192.168.77.1:5000/ctl/IPConn"));
        QCOMPARE(result.urlBase, QByteArray("http://192.168.77.1:5000"));
        QVERIFY(!result.firewallControlURL);
    }

    void recordedIgd2DescriptionIsFoundToo()
    {
        const Walk result = walk(gatewayData("description-igd2.http"), "http://192.168.77.1:5000");
        QCOMPARE(result.service.value_or("-"), QByteArray("WANIPConnection"));
        QCOMPARE(result.controlURL.value_or("-"), QByteArray("http://192.168.77.1:5000/ctl/IPConn"));
        QCOMPARE(result.firewallControlURL.value_or("-"), QByteArray("http://192.168.77.1:5000/ctl/IP6FCtl"));
    }

    // Never the control URL of the service after it.
    void firewallServiceWithoutControlUrlIsNone()
    {
        const Walk result =
            walk(chain("<service><serviceType>urn:schemas-upnp-org:service:WANIPv6FirewallControl:1"
                       "</serviceType></service>" +
                           service("WANIPConnection:2", "/ip"),
                       '2', '2', '2'),
                 "http://h:1");
        QCOMPARE(result.controlURL.value_or("-"), QByteArray("http://h:1/ip"));
        QVERIFY(!result.firewallControlURL);
    }

    void versionsMayBeMixed()
    {
        const Walk result = walk(chain(service("WANIPConnection:2", "/c"), '2', '1', '2'), "http://h:1");
        QCOMPARE(result.controlURL.value_or("-"), QByteArray("http://h:1/c"));
    }

    void otherVersionsAreNotAccepted()
    {
        QVERIFY(!walk(chain(service("WANIPConnection:1", "/c"), '3'), "http://h:1").controlURL);
        QVERIFY(!walk(chain(service("WANIPConnection:3", "/c")), "http://h:1").controlURL);
        QVERIFY(!walk(chain(service("WANIPConnection:1", "/c"), '1', '1', '0'), "http://h:1").controlURL);
    }

    void tagsMatchInAnyCase()
    {
        const QByteArray text =
            "<ROOT><DEVICETYPE>URN:SCHEMAS-UPNP-ORG:DEVICE:INTERNETGATEWAYDEVICE:1</DEVICETYPE>"
            "<devicetype>urn:schemas-upnp-org:device:wandevice:1</devicetype>"
            "<deviceType>urn:schemas-upnp-org:device:WANConnectionDevice:1</deviceType>"
            "<SERVICETYPE>urn:schemas-upnp-org:service:wanipconnection:1</SERVICETYPE>"
            "<ControlUrl>/Ctl/IP</CONTROLURL>";
        QCOMPARE(walk(text, "http://h:1").controlURL.value_or("-"), QByteArray("http://h:1/Ctl/IP"));
    }

    void pppWinsWhateverTheOrder()
    {
        for (const QByteArray& services :
             {service("WANIPConnection:1", "/ip") + service("WANPPPConnection:1", "/ppp"),
              service("WANPPPConnection:1", "/ppp") + service("WANIPConnection:1", "/ip")}) {
            const Walk result = walk(chain(services), "http://h:1");
            QCOMPARE(result.service.value_or("-"), QByteArray("WANPPPConnection"));
            QCOMPARE(result.controlURL.value_or("-"), QByteArray("http://h:1/ppp"));
        }
    }

    void missingDeviceFails()
    {
        const QByteArray text = "<root>" + device("InternetGatewayDevice:1") +
                                device("WANConnectionDevice:1") + service("WANIPConnection:1", "/c") +
                                "</root>";
        const Walk result = walk(text, "http://h:1");
        QVERIFY(!result.controlURL);
        QVERIFY(!result.service);
    }

    void devicesInTheWrongOrderFail()
    {
        const QByteArray text = "<root>" + device("WANConnectionDevice:1") + device("WANDevice:1") +
                                device("InternetGatewayDevice:1") + service("WANIPConnection:1", "/c");
        QVERIFY(!walk(text, "http://h:1").controlURL);
        const QByteArray serviceFirst = "<root>" + service("WANIPConnection:1", "/c") +
                                        device("InternetGatewayDevice:1") + device("WANDevice:1") +
                                        device("WANConnectionDevice:1");
        const Walk result = walk(serviceFirst, "http://h:1");
        QVERIFY(!result.controlURL);
        QCOMPARE(result.service.value_or("-"), QByteArray("WANIPConnection"));
    }

    void blanksInsideAnElementFail()
    {
        const QByteArray text =
            "<root><deviceType> urn:schemas-upnp-org:device:InternetGatewayDevice:1</deviceType>" +
            device("WANDevice:1") + device("WANConnectionDevice:1") + service("WANIPConnection:1", "/c");
        QVERIFY(!walk(text, "http://h:1").controlURL);
    }

    void noConnectionServiceFails()
    {
        const Walk result = walk(chain(service("WANCommonInterfaceConfig:1", "/c")), "http://h:1");
        QVERIFY(!result.controlURL);
        QCOMPARE(result.service.value_or("-"), QByteArray("WANIPConnection"));
    }

    void controlUrlElementMustBeWhole()
    {
        const QByteArray open =
            chain("<serviceType>urn:schemas-upnp-org:service:WANIPConnection:1</serviceType>"
                  "<controlURL>/c");
        QVERIFY(!walk(open, "http://h:1").controlURL);
        const QByteArray none =
            chain("<serviceType>urn:schemas-upnp-org:service:WANIPConnection:1</serviceType>");
        QVERIFY(!walk(none, "http://h:1").controlURL);
    }

    void emptyControlUrlBecomesTheBase()
    {
        QCOMPARE(walk(chain(service("WANIPConnection:1", "")), "http://h:1").controlURL.value_or("-"),
                 QByteArray("http://h:1/"));
    }

    void urlBaseElementReplacesTheSearchBase()
    {
        const QByteArray text = chain(service("WANIPConnection:1", "/ctl/IPConn"))
                                    .replace("<root>", "<root><URLBase>http://10.0.0.1:5000/</URLBase>");
        const Walk result = walk(text, "http://192.168.1.1:5431/dyndev");
        QCOMPARE(result.urlBase, QByteArray("http://10.0.0.1:5000/"));
        QCOMPARE(result.controlURL.value_or("-"), QByteArray("http://10.0.0.1:5000/ctl/IPConn"));
    }

    void emptyOrOpenUrlBaseElementKeepsTheSearchBase()
    {
        for (const QByteArray& element :
             {QByteArray("<URLBase></URLBase>"), QByteArray("<URLBase>http://x:1")}) {
            const QByteArray text =
                chain(service("WANIPConnection:1", "/c")).replace("<root>", "<root>" + element);
            const Walk result = walk(text, "http://192.168.1.1:5431/dyndev");
            QCOMPARE(result.urlBase, QByteArray("http://192.168.1.1:5431/dyndev")); // no cut either
        }
    }

    void withoutUrlBaseElementDyndevIsCut()
    {
        const Walk result = walk(chain(service("WANIPConnection:1", "/c")), "http://192.168.1.1:5431/dyndev");
        QCOMPARE(result.urlBase, QByteArray("http://192.168.1.1:5431"));
        QCOMPARE(result.controlURL.value_or("-"), QByteArray("http://192.168.1.1:5431/c"));
        // exact case only
        QCOMPARE(walk(QByteArray("x"), "http://h:1/DynDev").urlBase, QByteArray("http://h:1/DynDev"));
    }

    void baseIsRewrittenEvenWhenTheWalkFails()
    {
        const Walk result = walk("<root/>", "http://h:1/dyndev/a");
        QVERIFY(!result.controlURL);
        QCOMPARE(result.urlBase, QByteArray("http://h:1"));
    }

    void joinRules_data()
    {
        QTest::addColumn<QByteArray>("base");
        QTest::addColumn<QByteArray>("control");
        QTest::addColumn<QByteArray>("joined");
        QTest::newRow("both slashes") << QByteArray("http://10.0.0.1:5000/") << QByteArray("/ctl/IPConn")
                                      << QByteArray("http://10.0.0.1:5000/ctl/IPConn");
        QTest::newRow("no slashes") << QByteArray("http://10.0.0.1:5000") << QByteArray("ctl/IPConn")
                                    << QByteArray("http://10.0.0.1:5000/ctl/IPConn");
        QTest::newRow("base slash") << QByteArray("http://a:1/") << QByteArray("c")
                                    << QByteArray("http://a:1/c");
        QTest::newRow("control slash")
            << QByteArray("http://a:1") << QByteArray("/c") << QByteArray("http://a:1/c");
        QTest::newRow("absolute") << QByteArray("http://a:1") << QByteArray("HTTP://b:2/c")
                                  << QByteArray("HTTP://b:2/c");
        QTest::newRow("empty base") << QByteArray() << QByteArray("c") << QByteArray("/c");
    }

    void joinRules()
    {
        QFETCH(QByteArray, base);
        QFETCH(QByteArray, control);
        QFETCH(QByteArray, joined);
        QCOMPARE(joinControlURL(base, control), joined);
    }
};

QTEST_GUILESS_MAIN(TestDeviceDescription)
#include "TestDeviceDescription.moc"

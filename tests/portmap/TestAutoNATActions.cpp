#include "AutoNATRig.h"
#include "GatewayData.h"
#include "portmap/upnp/SoapRequest.h"

#include <QTest>

using Rig = AutoNATRig;
using Task = TAutoNAT::TaskType;

namespace {

GatewayReply recorded(const char* name)
{
    return GatewayReply::whole(gatewayData(name));
}

} // namespace

class TestAutoNATActions : public QObject
{
    Q_OBJECT

private slots:
    void addPortSendsTheExactRequest()
    {
        Rig rig;
        QVERIFY(rig.discover());
        QVERIFY(rig.nat.AddPort("TestUDP", 80, "192.168.1.100", 80, "TCP"));
        QVERIFY(rig.waitForEvents(3));
        QCOMPARE(rig.events.last(), Rig::success(Task::AddPort, "127.0.0.1"));
        const SoapRequest::Target target{"http://x:1/ctl/IPConn", "127.0.0.1", rig.gateway.httpPort(),
                                         "WANIPConnection"};
        QCOMPARE(rig.gateway.requests.last(),
                 SoapRequest::addPortMapping(target, "TestUDP", 80, "192.168.1.100", 80, "TCP"));
        QVERIFY(rig.gateway.requests.last().contains("\r\nContent-Length: 613\r\n"));
        QVERIFY(rig.gateway.mappings.contains("80 TCP"));
        QTRY_COMPARE(rig.gateway.openConnections(), 0);
    }

    void deletePortRemovesTheMapping()
    {
        Rig rig;
        QVERIFY(rig.discover());
        rig.nat.AddPort("TestUDP", 8080, "127.0.0.1", 80, "UDP");
        QVERIFY(rig.waitForEvents(3));
        QVERIFY(rig.nat.DeletePort(8080, "UDP"));
        QVERIFY(rig.waitForEvents(4));
        QCOMPARE(rig.events.last(), Rig::success(Task::DeletePort, "127.0.0.1"));
        QVERIFY(rig.gateway.mappings.isEmpty());
        const SoapRequest::Target target{"http://x:1/ctl/IPConn", "127.0.0.1", rig.gateway.httpPort(),
                                         "WANIPConnection"};
        QCOMPARE(rig.gateway.requests.last(), SoapRequest::deletePortMapping(target, 8080, "UDP"));
    }

    void externalAddressIsRead()
    {
        Rig rig;
        QVERIFY(rig.discover());
        rig.gateway.reply = [](const QByteArray&) { return recorded("get-external-ip-200.http"); };
        QVERIFY(rig.nat.GetExternalIp());
        QVERIFY(rig.waitForEvents(3));
        QCOMPARE(rig.events.last(), Rig::success(Task::ExternalAddress, "127.0.0.1"));
        QCOMPARE(rig.nat.ExternalIp(), QString("11.22.33.2"));
        QVERIFY(rig.gateway.requests.last().contains("\r\nContent-Length: 295\r\n"));
    }

    void externalAddressAnswersWithoutAnAddress()
    {
        Rig rig;
        QVERIFY(rig.discover());
        rig.gateway.reply = [](const QByteArray&) { return recorded("get-external-ip-200-empty.http"); };
        rig.nat.GetExternalIp();
        QVERIFY(rig.waitForEvents(3));
        QCOMPARE(rig.events.last(), Rig::success(Task::ExternalAddress, "127.0.0.1"));
        QCOMPARE(rig.nat.ExternalIp(), QString());

        rig.gateway.reply = [](const QByteArray&) {
            return GatewayReply::whole(FakeGateway::response("200 OK", "<s:Envelope/>"));
        };
        rig.nat.GetExternalIp();
        QVERIFY(rig.waitForEvents(4));
        QCOMPARE(rig.events.last(), Rig::success(Task::ExternalAddress, "127.0.0.1"));
        QCOMPARE(rig.nat.ExternalIp(), QString("0.0.0.0"));
    }

    void faultsFail()
    {
        Rig rig;
        QVERIFY(rig.discover());
        rig.gateway.reply = [](const QByteArray&) { return recorded("add-port-mapping-500-conflict.http"); };
        rig.nat.AddPort("TestUDP", 80, "127.0.0.1", 80, "TCP");
        QVERIFY(rig.waitForEvents(3));
        QCOMPARE(rig.events.last(), Rig::failure(Task::AddPort, "127.0.0.1"));

        rig.gateway.reply = [](const QByteArray&) {
            return recorded("add-port-mapping-500-action-failed.http");
        };
        rig.nat.GetExternalIp();
        QVERIFY(rig.waitForEvents(4));
        QCOMPARE(rig.events.last(), Rig::failure(Task::ExternalAddress, "127.0.0.1"));
        QCOMPARE(rig.nat.ExternalIp(), QString("0.0.0.0")); // unchanged
    }

    void pppNamesItsServiceInTheHeaderOnly()
    {
        Rig rig;
        const QByteArray description =
            "<root><deviceType>urn:schemas-upnp-org:device:InternetGatewayDevice:1</deviceType>"
            "<deviceType>urn:schemas-upnp-org:device:WANDevice:1</deviceType>"
            "<deviceType>urn:schemas-upnp-org:device:WANConnectionDevice:1</deviceType>"
            "<serviceType>urn:schemas-upnp-org:service:WANPPPConnection:1</serviceType>"
            "<controlURL>/ctl/IPConn</controlURL></root>";
        rig.gateway.reply = [&](const QByteArray& request) {
            if (request.startsWith("GET "))
                return GatewayReply::whole(FakeGateway::response("200 OK", description));
            return rig.gateway.standardReply(request);
        };
        QVERIFY(rig.discover());
        rig.nat.GetExternalIp();
        QVERIFY(rig.waitForEvents(3));
        const QByteArray sent = rig.gateway.requests.last();
        QVERIFY(sent.contains(
            "\r\nSoapAction: \"urn:schemas-upnp-org:service:WANPPPConnection:1#GetExternalIPAddress\"\r\n"));
        QVERIFY(sent.contains(
            "<u:GetExternalIPAddress xmlns:u=\"urn:schemas-upnp-org:service:WANIPConnection:1\">"));
        QCOMPARE(rig.nat.ExternalIp(), QString("11.22.33.2"));
    }

    void actionsBeforeTheDescriptionFailAtOnce()
    {
        Rig rig;
        QVERIFY(rig.nat.AddPort("TestUDP", 80, "127.0.0.1", 80, "TCP"));
        QCOMPARE(rig.events, QList<Rig::Event>{Rig::failure(Task::AddPort)}); // before AddPort returned
        QVERIFY(rig.nat.GetExternalIp());
        QCOMPARE(rig.events.last(), Rig::failure(Task::ExternalAddress));
        QVERIFY(!rig.nat.taskTimerRunning());
    }

    void externalAddressTakesOverASearch()
    {
        Rig rig;
        QVERIFY(rig.discover());
        rig.gateway.ssdpAnswers.clear();
        QVERIFY(rig.nat.FindDevice());
        QTRY_COMPARE(rig.gateway.searches.size(), 2);
        QVERIFY(rig.nat.GetExternalIp());
        QCOMPARE(rig.nat.task(), Task::ExternalAddress);
        QVERIFY(rig.waitForEvents(3));
        rig.gateway.sendToSearcher(FakeGateway::ssdpAnswer(rig.gateway.url("/rootDesc.xml")));
        rig.gateway.sendToSearcher("junk");
        QCoreApplication::processEvents();
        QTRY_VERIFY(!rig.nat.busy());
        QCOMPARE(rig.events.mid(2), QList<Rig::Event>{Rig::success(Task::ExternalAddress, "127.0.0.1")});
    }

    void externalAddressTakesOverAWaitingAction()
    {
        Rig rig;
        QVERIFY(rig.discover());
        rig.gateway.reply = [&](const QByteArray& request) {
            if (request.contains("#AddPortMapping"))
                return GatewayReply{{}, 0, false, {}, 0}; // holds the connection, never answers
            return rig.gateway.standardReply(request);
        };
        rig.nat.AddPort("TestUDP", 80, "127.0.0.1", 80, "TCP");
        QTRY_COMPARE(rig.gateway.requests.size(), 2);
        QVERIFY(rig.nat.busy());
        QVERIFY(rig.nat.GetExternalIp());
        QVERIFY(rig.waitForEvents(3));
        QCOMPARE(rig.events.mid(2), QList<Rig::Event>{Rig::success(Task::ExternalAddress, "127.0.0.1")});
        QTRY_COMPARE(rig.gateway.openConnections(), 0); // the abandoned one included
        QCOMPARE(rig.events.size(), 3);
    }

    void externalAddressTakesOverAConnectAttempt()
    {
        Rig rig;
        QVERIFY(rig.discover());
        rig.nat.AddPort("TestUDP", 80, "127.0.0.1", 80, "TCP"); // still looking up
        QVERIFY(rig.nat.GetExternalIp());
        QVERIFY(rig.waitForEvents(3));
        QTRY_COMPARE(rig.gateway.openConnections(), 0);
        QCOMPARE(rig.events.mid(2), QList<Rig::Event>{Rig::success(Task::ExternalAddress, "127.0.0.1")});
        QCOMPARE(rig.gateway.requests.size(), 2); // the add was never sent
    }

    void timeOutDropsTheConnectAttempt()
    {
        Rig rig;
        QVERIFY(rig.discover());
        rig.nat.AddPort("TestUDP", 80, "127.0.0.1", 80, "TCP");
        rig.nat.timeOut(); // before the look-up has come back
        QCOMPARE(rig.events.last(), Rig::failure(Task::AddPort, "127.0.0.1"));
        QCOMPARE(rig.nat.task(), Task::TimedOut);
        Rig::settle();
        QCOMPARE(rig.gateway.connections, 1); // the description's only
        QVERIFY(rig.gateway.mappings.isEmpty());
        QCOMPARE(rig.events.size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestAutoNATActions)
#include "TestAutoNATActions.moc"

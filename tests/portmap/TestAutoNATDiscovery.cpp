#include "AutoNATRig.h"
#include "messages/PortMappingMessages.h"
#include "portmap/upnp/SsdpSearch.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QTest>

using Rig = AutoNATRig;
using Task = TAutoNAT::TaskType;

class TestAutoNATDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void startValues()
    {
        Rig rig;
        const TAutoNAT& nat = rig.nat;
        QCOMPARE(nat.Timeout(), 5000);
        QCOMPARE(nat.task(), Task::None);
        QCOMPARE(nat.ExternalIp(), QString("0.0.0.0"));
        QCOMPARE(nat.RouterPort(), 0);
        QCOMPARE(nat.lcm2(), 0);
        for (const QString& text : {nat.RouterIp(), nat.RouterLocation(), nat.RouterName(), nat.RouterUSN(),
                                    nat.RouterURL(), nat.ControlURL(), nat.URLBase(), nat.IPPPP(), nat.lcm()})
            QVERIFY(text.isEmpty());
        QVERIFY(!nat.busy());
        QVERIFY(!nat.taskTimerRunning());
    }

    void timeoutOutsideItsRangeIsRefusedWithAMessage()
    {
        Rig rig;
        rig.nat.setTimeout(1000);
        QCOMPARE(rig.nat.Timeout(), 1000);
        rig.nat.setTimeout(999);
        rig.nat.setTimeout(30001);
        QCOMPARE(rig.nat.Timeout(), 1000);
        rig.nat.setTimeout(30000);
        QCOMPARE(rig.nat.Timeout(), 30000);
        const std::pair refusal{Messages::PortMapping::timeoutOutOfRangeCaption(),
                                Messages::PortMapping::timeoutOutOfRange()};
        QCOMPARE(rig.messageBoxes.shown, (QList<std::pair<QString, QString>>{refusal, refusal}));
    }

    void searchFindsTheGateway()
    {
        Rig rig;
        QVERIFY(rig.nat.FindDevice());
        QVERIFY(rig.nat.busy());
        QVERIFY(rig.waitForEvents(1));
        QCOMPARE(rig.events, QList<Rig::Event>{Rig::success(Task::Search)});
        QCOMPARE(rig.gateway.searches, QList<QByteArray>{SsdpSearch::request()});
        const QString port = QString::number(rig.gateway.httpPort());
        QCOMPARE(rig.nat.RouterLocation(), "http://127.0.0.1:" + port + "/rootDesc.xml");
        QCOMPARE(rig.nat.RouterName(), QString("Linux/2.6 UPnP/1.0 FakeGateway/1.0"));
        QCOMPARE(rig.nat.RouterUSN(), QString("uuid:fake-gateway::upnp:rootdevice"));
        QCOMPARE(rig.nat.RouterIp(), QString("127.0.0.1"));
        QCOMPARE(rig.nat.RouterPort(), int(rig.gateway.httpPort()));
        QCOMPARE(rig.nat.RouterURL(), QString("/rootDesc.xml"));
        QCOMPARE(rig.nat.URLBase(), "http://127.0.0.1:" + port);
        QCOMPARE(rig.nat.task(), Task::Search);
        QVERIFY(!rig.nat.busy());
        QVERIFY(!rig.nat.taskTimerRunning());
    }

    void mixedCaseLocationWithoutServer()
    {
        Rig rig;
        rig.gateway.ssdpAnswers = {"HTTP/1.1 200 OK\r\nLocation: http://127.0.0.1:1900/igd.xml\r\n\r\n"};
        rig.nat.FindDevice();
        QVERIFY(rig.waitForEvents(1));
        QCOMPARE(rig.events, QList<Rig::Event>{Rig::success(Task::Search)});
        QCOMPARE(rig.nat.RouterIp(), QString("127.0.0.1"));
        QCOMPARE(rig.nat.RouterPort(), 1900);
        QCOMPARE(rig.nat.RouterURL(), QString("/igd.xml"));
        QCOMPARE(rig.nat.URLBase(), QString("http://127.0.0.1:1900"));
        QVERIFY(rig.nat.RouterName().isEmpty());
    }

    void datagramThatIsNoAnswerFailsTheSearch()
    {
        Rig rig;
        rig.gateway.ssdpAnswers = {QByteArray(2048, 'H')};
        rig.nat.FindDevice();
        QVERIFY(rig.waitForEvents(1));
        QCOMPARE(rig.events, QList<Rig::Event>{Rig::failure(Task::Search)});
    }

    void hostileDatagramsAreIgnoredWhileTheSearchGoesOn()
    {
        Rig rig;
        rig.gateway.ssdpAnswers.clear();
        rig.nat.FindDevice();
        QTRY_COMPARE(rig.gateway.searches.size(), 1);
        const QByteArray gateway = rig.gateway.url("/rootDesc.xml");
        const QByteArray wrapped = QByteArray::number(65536 + rig.gateway.httpPort());
        rig.gateway.sendToSearcher(FakeGateway::ssdpAnswer(gateway), QHostAddress("127.0.0.2"));
        rig.gateway.sendToSearcher(FakeGateway::ssdpAnswer(gateway + " HTTP/1.1\nX-Injected: 1"));
        rig.gateway.sendToSearcher(FakeGateway::ssdpAnswer("http://127.0.0.1:" + wrapped + "/rootDesc.xml"));
        rig.gateway.sendToSearcher("NOTIFY * HTTP/1.1\r\nLOCATION: " + gateway + "\r\n\r\n");
        rig.gateway.sendToSearcher(SsdpSearch::request());
        rig.gateway.sendToSearcher("junk"); // the first datagram that ends the search
        QVERIFY(rig.waitForEvents(1));
        QCOMPARE(rig.events, QList<Rig::Event>{Rig::failure(Task::Search)});
        QVERIFY(rig.nat.RouterLocation().isEmpty());
        QVERIFY(rig.nat.RouterIp().isEmpty());
        QCOMPARE(rig.nat.RouterPort(), 0);
        QCOMPARE(rig.gateway.connections, 0);
    }

    void locationWithoutPathSucceedsWithRoot()
    {
        Rig rig;
        rig.gateway.ssdpAnswers = {FakeGateway::ssdpAnswer("http://127.0.0.1:80")};
        rig.nat.FindDevice();
        QVERIFY(rig.waitForEvents(1));
        QCOMPARE(rig.events, QList<Rig::Event>{Rig::success(Task::Search)});
        QCOMPARE(rig.nat.RouterURL(), QString("/"));
    }

    void theFirstTrustedAnswerEndsTheSearch()
    {
        Rig rig;
        rig.gateway.ssdpAnswers = {FakeGateway::ssdpAnswer("http://127.0.0.1:1/a"),
                                   FakeGateway::ssdpAnswer("http://127.0.0.1:2/b"), "junk"};
        rig.nat.FindDevice();
        QVERIFY(rig.waitForEvents(1));
        Rig::settle();
        QCOMPARE(rig.events, QList<Rig::Event>{Rig::success(Task::Search)});
        QCOMPARE(rig.nat.RouterPort(), 1);
    }

    // A TV answers first; the router's answer, and a repeat of the TV's,
    // come after. Each device is tried once, in the order they answered.
    void laterAnswersAreFurtherDevicesToTry()
    {
        Rig rig;
        const QByteArray tv = FakeGateway::ssdpAnswer(rig.gateway.url("/tv.xml"), "Linux UPnP/1.0 TV/1.0");
        rig.gateway.ssdpAnswers = {tv, tv, FakeGateway::ssdpAnswer(rig.gateway.url("/rootDesc.xml"))};
        rig.nat.FindDevice();
        QVERIFY(rig.waitForEvents(1));
        QVERIFY(QTest::qWaitFor([&] { return rig.nat.takeNextDevice(); }, 3000));
        QCOMPARE(rig.nat.RouterURL(), QString("/rootDesc.xml"));
        QVERIFY(!rig.nat.takeNextDevice());
        QVERIFY(rig.nat.GetControlPage());
        QVERIFY(rig.waitForEvents(2));
        QCOMPARE(rig.events.last(), Rig::success(Task::ControlPage));
        QCOMPARE(rig.nat.LocalIp(), QString("127.0.0.1"));
        // A new search forgets the devices of the last one.
        rig.gateway.ssdpAnswers = {tv};
        QVERIFY(rig.nat.FindDevice());
        QVERIFY(rig.waitForEvents(3));
        QCOMPARE(rig.nat.RouterURL(), QString("/tv.xml"));
        Rig::settle();
        QVERIFY(!rig.nat.takeNextDevice());
    }

    void answerDuringTheDescriptionFetchMovesNothing()
    {
        Rig rig;
        rig.nat.FindDevice();
        QVERIFY(rig.waitForEvents(1));
        const QByteArray elsewhere =
            "http://127.0.0.1:" + QByteArray::number(FakeGateway::refusingPort()) + "/rootDesc.xml";
        const QByteArray whole = FakeGateway::response("200 OK", rig.gateway.description());
        rig.gateway.reply = [&](const QByteArray&) {
            rig.gateway.sendToSearcher(FakeGateway::ssdpAnswer(elsewhere));
            GatewayReply reply;
            reply.segments = {whole.left(20), whole.mid(20)};
            reply.gapMs = 100;
            return reply;
        };
        rig.nat.GetControlPage();
        QVERIFY(rig.waitForEvents(2));
        QCOMPARE(rig.events.last(), Rig::success(Task::ControlPage));
        QCOMPARE(rig.nat.RouterPort(), int(rig.gateway.httpPort()));
        QCOMPARE(rig.nat.lcm2(), int(rig.gateway.httpPort()));
    }

    void startsAreRefusedWhileTheTimerRuns()
    {
        Rig rig;
        rig.gateway.ssdpAnswers.clear();
        QVERIFY(rig.nat.FindDevice());
        QTRY_COMPARE(rig.gateway.searches.size(), 1);
        QVERIFY(!rig.nat.FindDevice());
        QVERIFY(!rig.nat.GetControlPage());
        QVERIFY(!rig.nat.AddPort("TestUDP", 80, "127.0.0.1", 80, "TCP"));
        QVERIFY(!rig.nat.DeletePort(80, "TCP"));
        QCoreApplication::processEvents();
        QCOMPARE(rig.gateway.searches.size(), 1);
        QCOMPARE(rig.gateway.connections, 0);
        QCOMPARE(rig.nat.task(), Task::Search);
        QVERIFY(rig.events.isEmpty());
    }

    void timeOutFailsWithTheTaskNumberThenMinusOne()
    {
        Rig rig;
        rig.gateway.ssdpAnswers.clear();
        rig.nat.FindDevice();
        QTRY_COMPARE(rig.gateway.searches.size(), 1);
        QCOMPARE(rig.nat.taskTimerRunning(), true);
        rig.nat.timeOut();
        QCOMPARE(rig.events, QList<Rig::Event>{Rig::failure(Task::Search)});
        QCOMPARE(rig.nat.task(), Task::TimedOut);
        QVERIFY(!rig.nat.busy());
        QVERIFY(!rig.nat.taskTimerRunning());
        // A late answer is not read.
        rig.gateway.sendToSearcher(FakeGateway::ssdpAnswer("http://127.0.0.1:9/late"));
        Rig::settle();
        QVERIFY(rig.nat.RouterIp().isEmpty());
        QCOMPARE(rig.events.size(), 1);
    }

    void timeOutKeepsTheNumberOfATaskItsHandlerStarted()
    {
        Rig rig;
        rig.gateway.ssdpAnswers.clear();
        rig.nat.OnTaskFail = [&](TAutoNAT*) {
            rig.nat.OnTaskFail = nullptr;
            rig.gateway.ssdpAnswers = {FakeGateway::ssdpAnswer("http://10.0.0.1:1/d")};
            rig.nat.FindDevice();
        };
        rig.nat.FindDevice();
        rig.nat.timeOut();
        QCOMPARE(rig.nat.task(), Task::Search);
        QVERIFY(rig.nat.taskTimerRunning());
    }

    void descriptionGivesTheControlUrlAndThenTheTarget()
    {
        Rig rig;
        rig.nat.FindDevice();
        QVERIFY(rig.waitForEvents(1));
        QVERIFY(rig.nat.GetControlPage());
        QVERIFY(rig.waitForEvents(2));
        // lcm is set only after the success handler has run
        QCOMPARE(rig.events.last(), Rig::success(Task::ControlPage, QString()));
        const QString base = "http://127.0.0.1:" + QString::number(rig.gateway.httpPort());
        QCOMPARE(rig.nat.ControlURL(), base + "/ctl/IPConn");
        QCOMPARE(rig.nat.IPPPP(), QString("WANIPConnection"));
        QCOMPARE(rig.nat.lcm(), QString("127.0.0.1"));
        QCOMPARE(rig.nat.lcm2(), int(rig.gateway.httpPort()));
        QCOMPARE(rig.gateway.requests.first(), "GET /rootDesc.xml HTTP/1.1\r\nHost: 127.0.0.1:" +
                                                   QByteArray::number(rig.gateway.httpPort()) + "\r\n\r\n");
        QTRY_COMPARE(rig.gateway.openConnections(), 0);
        QCOMPARE(rig.events.size(), 2);
    }

    void secondVersionGatewayIsFound()
    {
        Rig rig;
        rig.gateway.igdVersion = '2';
        QVERIFY(rig.discover());
        QVERIFY(rig.nat.ControlURL().endsWith("/ctl/IPConn"));
    }

    void dyndevLocationLosesItsFolderAfterTheDescription()
    {
        Rig rig;
        rig.gateway.descriptionPath = "/dyndev/uuid:0000";
        rig.gateway.ssdpAnswers = {FakeGateway::ssdpAnswer(rig.gateway.url("/dyndev/uuid:0000"))};
        const QString base = "http://127.0.0.1:" + QString::number(rig.gateway.httpPort());
        rig.nat.FindDevice();
        QVERIFY(rig.waitForEvents(1));
        QCOMPARE(rig.nat.URLBase(), base + "/dyndev");
        rig.nat.GetControlPage();
        QVERIFY(rig.waitForEvents(2));
        QCOMPARE(rig.events.last(), Rig::success(Task::ControlPage));
        QCOMPARE(rig.nat.URLBase(), base);
        QCOMPARE(rig.nat.ControlURL(), base + "/ctl/IPConn");
    }

    void urlBaseElementBuildsTheControlUrlButNotTheTarget()
    {
        Rig rig;
        rig.gateway.urlBaseElement = "<URLBase>http://10.0.0.1:5000/</URLBase>";
        QVERIFY(rig.discover());
        QCOMPARE(rig.nat.URLBase(), QString("http://10.0.0.1:5000/"));
        QCOMPARE(rig.nat.ControlURL(), QString("http://10.0.0.1:5000/ctl/IPConn"));
        QCOMPARE(rig.nat.lcm(), QString("127.0.0.1"));
        rig.nat.GetExternalIp();
        QVERIFY(rig.waitForEvents(3));
        QCOMPARE(rig.events.last(), Rig::success(Task::ExternalAddress, "127.0.0.1"));
        QVERIFY(rig.gateway.requests.last().startsWith("POST /ctl/IPConn HTTP/1.0\r\nHost: 127.0.0.1:"));
    }

    void pppServiceWins()
    {
        Rig rig;
        const QByteArray description =
            "<root><deviceType>urn:schemas-upnp-org:device:InternetGatewayDevice:1</deviceType>"
            "<deviceType>urn:schemas-upnp-org:device:WANDevice:1</deviceType>"
            "<deviceType>urn:schemas-upnp-org:device:WANConnectionDevice:1</deviceType>"
            "<serviceType>urn:schemas-upnp-org:service:WANIPConnection:1</serviceType><controlURL>/ip</"
            "controlURL>"
            "<serviceType>urn:schemas-upnp-org:service:WANPPPConnection:1</serviceType><controlURL>/ppp</"
            "controlURL>"
            "</root>";
        rig.gateway.reply = [&](const QByteArray&) {
            return GatewayReply::whole(FakeGateway::response("200 OK", description));
        };
        QVERIFY(rig.discover());
        QCOMPARE(rig.nat.IPPPP(), QString("WANPPPConnection"));
        QVERIFY(rig.nat.ControlURL().endsWith(":" + QString::number(rig.gateway.httpPort()) + "/ppp"));
    }

    void descriptionWithoutTheChainFailsAndCloses()
    {
        Rig rig;
        rig.nat.FindDevice();
        QVERIFY(rig.waitForEvents(1));
        rig.gateway.reply = [](const QByteArray&) {
            GatewayReply reply =
                GatewayReply::whole(FakeGateway::response("200 OK", "<root><device/></root>"));
            reply.closeAfter = false;
            return reply;
        };
        rig.nat.GetControlPage();
        QVERIFY(rig.waitForEvents(2));
        QCOMPARE(rig.events.last(), Rig::failure(Task::ControlPage));
        QTRY_COMPARE(rig.gateway.openConnections(), 0);
        QVERIFY(rig.nat.ControlURL().isEmpty());
        QVERIFY(rig.nat.lcm().isEmpty());
    }

    void answerInSeveralSegments()
    {
        Rig rig;
        const QByteArray whole = FakeGateway::response("200 OK", rig.gateway.description());
        rig.gateway.reply = [&](const QByteArray&) {
            GatewayReply reply;
            for (qsizetype at = 0; at < whole.size(); at += 97)
                reply.segments.append(whole.mid(at, 97));
            reply.gapMs = 2;
            return reply;
        };
        QVERIFY(rig.discover());
        QVERIFY(rig.nat.ControlURL().endsWith("/ctl/IPConn"));
    }

    // A body that comes well after its header, after the read pause, is read
    // whole: without a length until the gateway closes, chunked until its
    // last chunk, and without a length from a gateway that keeps the
    // connection open, as it stands at the deadline.
    void lateBodiesAreReadWhole_data()
    {
        QTest::addColumn<bool>("chunked");
        QTest::addColumn<bool>("closes");
        QTest::newRow("no length, closed") << false << true;
        QTest::newRow("chunked, left open") << true << false;
        QTest::newRow("no length, left open") << false << false;
    }

    void lateBodiesAreReadWhole()
    {
        QFETCH(bool, chunked);
        QFETCH(bool, closes);
        Rig rig;
        rig.nat.setTimeout(3000);
        rig.nat.setReadPause(std::chrono::milliseconds(1000));
        const QByteArray body = rig.gateway.description();
        const QByteArray head = chunked ? "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                        : "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n";
        const QByteArray rest =
            chunked ? QByteArray::number(body.size(), 16) + "\r\n" + body + "\r\n0\r\n\r\n" : body;
        rig.gateway.reply = [&](const QByteArray&) {
            GatewayReply reply;
            reply.segments = {head, rest};
            reply.gapMs = 1500;
            reply.closeAfter = closes;
            return reply;
        };
        rig.nat.FindDevice();
        QVERIFY(rig.waitForEvents(1));
        rig.nat.GetControlPage();
        QVERIFY(rig.waitForEvents(2));
        QCOMPARE(rig.events.last(), Rig::success(Task::ControlPage));
        QVERIFY(rig.nat.ControlURL().endsWith("/ctl/IPConn"));
        QTRY_COMPARE(rig.gateway.openConnections(), 0);
    }

    // Another program listens on the search port, as media servers do on
    // 1900: the search still leaves from that port, which it shares.
    void theSearchPortIsSharedWithAnotherListener()
    {
        QUdpSocket other;
        QVERIFY(other.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::ShareAddress));
        QUdpSocket responder;
        QVERIFY(responder.bind(QHostAddress::LocalHost, 0));
        Rig rig;
        rig.nat.aimSearch(QStringLiteral("127.0.0.1"), responder.localPort(), other.localPort());
        rig.nat.FindDevice();
        QTRY_VERIFY(responder.hasPendingDatagrams());
        QCOMPARE(responder.receiveDatagram().senderPort(), other.localPort());
    }

    void datagramsTooLongForTheEndpointAreIgnored()
    {
        Rig rig;
        rig.gateway.ssdpAnswers = {QByteArray(3000, 'H'), FakeGateway::ssdpAnswer("http://127.0.0.1:1/d")};
        rig.nat.FindDevice();
        QVERIFY(rig.waitForEvents(1));
        QCoreApplication::processEvents();
        QCOMPARE(rig.events, QList<Rig::Event>{Rig::success(Task::Search)});
    }

    void answerShorterThanItsLengthFailsWhenTheGatewayCloses()
    {
        Rig rig;
        const QByteArray whole = FakeGateway::response("200 OK", rig.gateway.description());
        rig.gateway.reply = [&](const QByteArray&) {
            GatewayReply reply = GatewayReply::whole(whole.chopped(1));
            reply.closeAfter = false;
            return reply;
        };
        rig.nat.FindDevice();
        QVERIFY(rig.waitForEvents(1));
        rig.nat.GetControlPage();
        QTRY_COMPARE(rig.gateway.requests.size(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(rig.events.size(), 1);
        rig.gateway.closeConnections();
        QVERIFY(rig.waitForEvents(2));
        QCOMPARE(rig.events.last(), Rig::failure(Task::ControlPage));
    }

    void answerThatNeverCompletesFailsWhenTheTimeoutPasses()
    {
        Rig rig;
        rig.nat.setTimeout(1000);
        rig.nat.FindDevice();
        QVERIFY(rig.waitForEvents(1));
        rig.gateway.reply = [](const QByteArray&) {
            GatewayReply reply = GatewayReply::whole("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n<root>");
            reply.closeAfter = false;
            return reply;
        };
        rig.nat.GetControlPage();
        QVERIFY(rig.waitForEvents(2));
        QCOMPARE(rig.events.last(), Rig::failure(Task::ControlPage));
        QCOMPARE(rig.nat.task(), Task::TimedOut);
        QTRY_COMPARE(rig.gateway.openConnections(), 0);
    }

    void drippingAnswerEndsAtTheDeadline()
    {
        Rig rig;
        rig.nat.setTimeout(1000);
        rig.nat.setReadPause(std::chrono::seconds(10));
        rig.nat.FindDevice();
        QVERIFY(rig.waitForEvents(1));
        rig.gateway.reply = [](const QByteArray&) {
            GatewayReply reply;
            reply.segments = {"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n"};
            reply.stream = "x";
            reply.streamLimit = 100000;
            return reply;
        };
        QElapsedTimer clock;
        clock.start();
        rig.nat.GetControlPage();
        QVERIFY(rig.waitForEvents(2));
        QVERIFY(clock.elapsed() < 10000); // the pause was cut at the deadline
        QCOMPARE(rig.events.last(), Rig::failure(Task::ControlPage));
        QCOMPARE(rig.nat.task(), Task::TimedOut);
        QTRY_COMPARE(rig.gateway.openConnections(), 0);
    }

    void lengthThatIsNotANumberNeverCompletes()
    {
        Rig rig;
        rig.gateway.reply = [](const QByteArray&) {
            return GatewayReply::whole("HTTP/1.1 200 OK\r\nContent-Length: many\r\n\r\n<root/>");
        };
        rig.nat.FindDevice();
        QVERIFY(rig.waitForEvents(1));
        rig.nat.GetControlPage();
        QVERIFY(rig.waitForEvents(2));
        QCOMPARE(rig.events.last(), Rig::failure(Task::ControlPage));
        QCOMPARE(rig.events.size(), 2);
    }

    void gatewayClosingWithoutAnswerFails()
    {
        Rig rig;
        rig.gateway.reply = [](const QByteArray&) { return GatewayReply(); };
        rig.nat.FindDevice();
        QVERIFY(rig.waitForEvents(1));
        rig.nat.GetControlPage();
        QVERIFY(rig.waitForEvents(2));
        QCOMPARE(rig.events,
                 (QList<Rig::Event>{Rig::success(Task::Search), Rig::failure(Task::ControlPage)}));
    }

    void endlessAnswerFailsAtTheCap()
    {
        Rig rig;
        rig.gateway.reply = [](const QByteArray&) {
            GatewayReply reply;
            reply.segments = {"HTTP/1.1 200 OK\r\nServer: endless\r\n"};
            reply.stream = QByteArray(64 * 1024, 'x');
            reply.streamLimit = 64 * 1024 * 1024;
            return reply;
        };
        rig.nat.FindDevice();
        QVERIFY(rig.waitForEvents(1));
        rig.nat.GetControlPage();
        QVERIFY(rig.waitForEvents(2));
        QCOMPARE(rig.events.last(), Rig::failure(Task::ControlPage));
        QTRY_COMPARE(rig.gateway.openConnections(), 0);
        QCOMPARE(rig.events.size(), 2);
    }

    void refusedConnectionFailsQuietly()
    {
        Rig rig;
        rig.gateway.ssdpAnswers = {FakeGateway::ssdpAnswer(
            "http://127.0.0.1:" + QByteArray::number(FakeGateway::refusingPort()) + "/rootDesc.xml")};
        rig.nat.FindDevice();
        QVERIFY(rig.waitForEvents(1));
        rig.nat.GetControlPage();
        QVERIFY(rig.waitForEvents(2));
        QCOMPARE(rig.events.last(), Rig::failure(Task::ControlPage));
        QVERIFY(!rig.nat.taskTimerRunning());
    }
};

QTEST_GUILESS_MAIN(TestAutoNATDiscovery)
#include "TestAutoNATDiscovery.moc"

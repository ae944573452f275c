// Runs inside the LAN namespace of tests/gateway/igd-lab.sh (through
// run-real-gateway-test.sh): TAutoNAT against a real miniupnpd.

#include "LabNamespace.h"
#include "engine/Engine.h"
#include "fakes/ServedModel.h"
#include "fakes/FakePlatform.h"
#include "fakes/TestFiles.h"
#include "forms/AppShell.h"
#include "forms/TForm111.h"
#include "messages/Messages.h"
#include "messages/PortMappingMessages.h"
#include "platform/OwnNetworkNamespace.h"
#include "platform/ThreadedHostResolver.h"
#include "portmap/MappingKeeper.h"
#include "portmap/upnp/SoapRequest.h"
#include "portmap/upnp/TAutoNAT.h"
#include "registration/ClientState.h"
#include "ui/LogBox.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <thread>

namespace {

const QString RouterIp = QStringLiteral("192.168.77.1");
const QString ClientIp = QStringLiteral("192.168.77.10");
const QString ExternalIp = QStringLiteral("11.22.33.2");
const QString MediaDeviceIp = QStringLiteral("192.168.77.2");
constexpr int RouterPort = 5000;
constexpr int MappedPort = 8080;

// `upnpc -l` run here, in the same namespace: the daemon's own list.
QString listedMappings()
{
    QProcess upnpc;
    upnpc.setProcessChannelMode(QProcess::MergedChannels);
    upnpc.start(QStringLiteral("upnpc"), {QStringLiteral("-l")});
    if (!upnpc.waitForFinished(30000)) {
        upnpc.kill();
        upnpc.waitForFinished(5000);
        return QStringLiteral("upnpc -l did not finish");
    }
    return QString::fromLocal8Bit(upnpc.readAll());
}

// Runs a command here, in the LAN namespace, or the lab script; true when it ended with 0.
bool run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished(5000);
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool lab(const QString& command)
{
    return run(QStringLiteral(IGD_LAB_SCRIPT), {command});
}

// A TV on the LAN at 192.168.77.2 that describes itself as a media renderer.
// Its answer to a search comes from a thread of its own, at once, so that it
// reaches the window before the router's.
class MediaDevice
{
public:
    MediaDevice()
    {
        m_server.listen(QHostAddress(MediaDeviceIp), 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    socket->readAll();
                    const QByteArray body = "<?xml version=\"1.0\"?><root><device><deviceType>"
                                            "urn:schemas-upnp-org:device:MediaRenderer:1</deviceType>"
                                            "</device></root>";
                    socket->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) +
                                  "\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
            }
        });
        const QByteArray answer = "HTTP/1.1 200 OK\r\nST: upnp:rootdevice\r\nSERVER: Linux UPnP/1.0 TV/1\r\n"
                                  "LOCATION: http://" +
                                  MediaDeviceIp.toLatin1() + ':' + QByteArray::number(m_server.serverPort()) +
                                  "/tv.xml\r\n\r\n";
        // Bound before the window starts: it takes port 1900 itself when it is free.
        m_group = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        m_reply = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        ::setsockopt(m_group, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_port = htons(1900);
        ::bind(m_group, reinterpret_cast<sockaddr*>(&any), sizeof any);
        ip_mreq membership{};
        ::inet_pton(AF_INET, "239.255.255.250", &membership.imr_multiaddr);
        ::inet_pton(AF_INET, "192.168.77.2", &membership.imr_interface);
        ::setsockopt(m_group, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership);
        sockaddr_in own{};
        own.sin_family = AF_INET;
        ::inet_pton(AF_INET, "192.168.77.2", &own.sin_addr);
        ::bind(m_reply, reinterpret_cast<sockaddr*>(&own), sizeof own);
        m_responder = std::thread([this, answer] { respond(answer); });
    }

    ~MediaDevice()
    {
        m_stop = true;
        m_responder.join();
        ::close(m_group);
        ::close(m_reply);
    }

private:
    void respond(const QByteArray& answer)
    {
        // Bounded by the test's life: polled every 100 ms for the stop flag.
        while (!m_stop) {
            pollfd wait{m_group, POLLIN, 0};
            if (::poll(&wait, 1, 100) <= 0)
                continue;
            char datagram[2048];
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t got = ::recvfrom(m_group, datagram, sizeof datagram, 0,
                                           reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (got > 8 && QByteArray(datagram, int(got)).startsWith("M-SEARCH"))
                ::sendto(m_reply, answer.constData(), size_t(answer.size()), 0,
                         reinterpret_cast<sockaddr*>(&from), fromLength);
        }
    }

    QTcpServer m_server;
    int m_group = -1;
    int m_reply = -1;
    std::atomic<bool> m_stop{false};
    std::thread m_responder;
};

QByteArray description()
{
    QTcpSocket socket;
    socket.connectToHost(RouterIp, RouterPort);
    if (!socket.waitForConnected(5000))
        return {};
    socket.write("GET /rootDesc.xml HTTP/1.0\r\n\r\n");
    QByteArray answer;
    while (answer.size() < 1024 * 1024 && socket.waitForReadyRead(5000))
        answer += socket.readAll();
    return answer;
}

// Another host of the LAN maps a port to itself, as a NAS or a game console would.
bool addFrom(const QString& host, int port, const QByteArray& description)
{
    const SoapRequest::Target target{"/ctl/IPConn", RouterIp.toLatin1(), RouterPort, "WANIPConnection"};
    const QByteArray request =
        SoapRequest::addPortMapping(target, description, port, host.toLatin1(), port - 8000, "TCP");
    return run("curl", {"-sf", "--interface", host, "-H", request.split('\n').at(2).trimmed(), "-H",
                        "Content-Type: text/xml", "--data-binary",
                        request.mid(request.indexOf("\r\n\r\n") + 4), "http://192.168.77.1:5000/ctl/IPConn"});
}

} // namespace

class RealGatewayCheck : public QObject
{
    Q_OBJECT

private:
    ThreadedHostResolver m_resolver;
    FakeMessageBoxes m_messageBoxes;
    QList<std::pair<bool, TAutoNAT::TaskType>> m_events;

    // The keeper and its window as the program runs them, in a folder of their own.
    struct Window
    {
        QTemporaryDir folder;
        std::unique_ptr<FakePlatform> fakes;
        AppShell shell;
        std::unique_ptr<Engine> engine;
        MappingKeeper* keeper = nullptr;
        std::unique_ptr<ServedModel> served;
        std::unique_ptr<TForm111> form;

        Window(HostResolver& resolver, const QByteArray& stored, const QString& hostNameAddress = ClientIp)
        {
            writeFile(folder.filePath("jilu.txt"), stored);
            fakes = std::make_unique<FakePlatform>(folder.path());
            fakes->localAddress.address = hostNameAddress;
            fakes->gatewaySearch = GatewaySearchAim::multicast();
            const Platform platform = fakes->platformWith(resolver);
            engine = std::make_unique<Engine>(platform, QStringLiteral("Kelvane"), folder.path());
            keeper = &engine->mappingKeeper;
            served = std::make_unique<ServedModel>(*engine, platform);
            form = std::make_unique<TForm111>(platform, shell, served->model, served->actions);
        }
        bool idle(int timeoutMs = 30000)
        {
            return QTest::qWaitFor(
                [&] {
                    return !keeper->reapplyTimer.isRunning() &&
                           keeper->reapplyState() == MappingKeeper::ReapplyState::Ready;
                },
                timeoutMs);
        }
        bool applied(int timeoutMs = 30000)
        {
            return QTest::qWaitFor([&] { return keeper->externalAddress() == ExternalIp; }, timeoutMs) &&
                   idle();
        }
        QString log() const { return form->Memo1->text(); }
    };

    bool runTask(TAutoNAT& nat, const std::function<bool()>& start)
    {
        const qsizetype before = m_events.size();
        if (!start())
            return false;
        if (!QTest::qWaitFor([&] { return m_events.size() > before; }, 15000))
            return false;
        return m_events.size() == before + 1 && m_events.last() == std::pair(true, nat.task());
    }

private slots:
    void initTestCase()
    {
        QString why;
        if (!insideLabNamespace(&why))
            QFAIL(qPrintable("refusing to search for gateways: " + why));
    }

    void labServesTheRequestedDescription()
    {
        const QByteArray version = qgetenv("KELVANE_IGD_VERSION");
        QVERIFY(description().contains("urn:schemas-upnp-org:device:InternetGatewayDevice:" + version +
                                       "</deviceType>"));
    }

    void discoverReadMapAndUnmap()
    {
        TAutoNAT nat(m_resolver, m_messageBoxes);
        nat.OnTaskSuccess = [this](TAutoNAT* sender) { m_events.append({true, sender->task()}); };
        nat.OnTaskFail = [this](TAutoNAT* sender) { m_events.append({false, sender->task()}); };

        QVERIFY(runTask(nat, [&] { return nat.FindDevice(); }));
        QCOMPARE(nat.RouterIp(), RouterIp);
        QCOMPARE(nat.RouterPort(), RouterPort);
        QCOMPARE(nat.RouterURL(), QString("/rootDesc.xml"));
        QVERIFY(nat.RouterName().contains("MiniUPnPd"));

        QVERIFY(runTask(nat, [&] { return nat.GetControlPage(); }));
        QCOMPARE(nat.ControlURL(), QString("http://192.168.77.1:5000/ctl/IPConn"));
        QCOMPARE(nat.IPPPP(), QString("WANIPConnection"));
        QCOMPARE(nat.lcm(), RouterIp);
        QCOMPARE(nat.lcm2(), RouterPort);

        QVERIFY(runTask(nat, [&] { return nat.GetExternalIp(); }));
        QCOMPARE(nat.ExternalIp(), ExternalIp);

        const QRegularExpression mapping(
            QStringLiteral("TCP +%1->%2:80 +'TestUDP'").arg(MappedPort).arg(ClientIp));
        QVERIFY(!listedMappings().contains(mapping));
        QVERIFY(runTask(nat, [&] { return nat.AddPort("TestUDP", MappedPort, ClientIp, 80, "TCP"); }));
        const QString listed = listedMappings();
        QVERIFY2(listed.contains(mapping), qPrintable(listed));

        QVERIFY(runTask(nat, [&] { return nat.DeletePort(MappedPort, "TCP"); }));
        const QString after = listedMappings();
        QVERIFY2(!after.contains(mapping), qPrintable(after));
        QVERIFY(m_messageBoxes.shown.isEmpty());
    }

    // The whole window, timers and all, as the program runs it at start-up.
    void windowReappliesItsStoredList()
    {
        const QByteArray stored(
            "0.0.0.0:8081  TCP  192.168.77.10:81\r\n0.0.0.0:5353  UDP  192.168.77.10:53\r\n");
        // Another SSDP listener (a media server, minissdpd) holds UDP 1900 first.
        QUdpSocket otherListener;
        QVERIFY(otherListener.bind(QHostAddress::AnyIPv4, 1900,
                                   QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
        QVERIFY(otherListener.joinMulticastGroup(QHostAddress(QStringLiteral("239.255.255.250"))));
        Window window(m_resolver, stored);
        TForm111& form = *window.form;
        QVERIFY(window.applied());
        const QString listed = listedMappings();
        for (const QString& expected :
             {QStringLiteral("TCP +8081->%1:81 +'TestUDP'"), QStringLiteral("UDP +5353->%1:53 +'TestUDP'")})
            QVERIFY2(listed.contains(QRegularExpression(expected.arg(ClientIp))), qPrintable(listed));
        QCOMPARE(window.keeper->lines(), (QStringList{"11.22.33.2:8081  TCP  192.168.77.10:81",
                                                      "11.22.33.2:5353  UDP  192.168.77.10:53"}));
        QCOMPARE(readFile(window.folder.filePath("jilu.txt")), stored);
        QVERIFY(window.fakes->messageBoxes.shown.isEmpty());

        // What the router holds, another program's mapping included.
        QVERIFY(run(QStringLiteral("upnpc"), {"-e", "other", "-a", ClientIp, "90", "8090", "TCP"}));
        QStringList routerHolds;
        window.keeper->listRouterMappings([&](const QStringList& lines) { routerHolds = lines; });
        QVERIFY(QTest::qWaitFor([&] { return !routerHolds.isEmpty(); }, 15000));
        routerHolds.sort();
        QCOMPARE(routerHolds, (QStringList{"TCP 8081 -> 192.168.77.10:81  [本机]  [已保存]  TestUDP",
                                           "TCP 8090 -> 192.168.77.10:90  [本机]  other",
                                           "UDP 5353 -> 192.168.77.10:53  [本机]  [已保存]  TestUDP"}));
        // The same from a terminal, the stored list read from the working folder.
        QProcess program;
        program.setWorkingDirectory(window.folder.path());
        program.start(QStringLiteral(KELVANE_PROGRAM), {QStringLiteral("--router-mappings")});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), 0);
        QStringList printed =
            QString::fromUtf8(program.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        printed.sort();
        QCOMPARE(printed, routerHolds);
        // Leaving: the stored ones go from the router, another program's
        // stays, and the list is kept for a next install.
        program.start(QStringLiteral(KELVANE_PROGRAM), {QStringLiteral("--delete-mappings")});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()).count(Messages::PortMapping::portDeleted()), 2);
        QCOMPARE(readFile(window.folder.filePath("jilu.txt")), stored);
        const QString left = listedMappings();
        QVERIFY2(left.contains(QRegularExpression(QStringLiteral("TCP +8090->"))) && !left.contains("8081") &&
                     !left.contains("5353"),
                 qPrintable(left));
        QVERIFY(run(QStringLiteral("upnpc"), {"-d", "8090", "TCP"}));

        // The router restarts with an empty table and the same address: it
        // says so, heard beside the other listener, and the mappings are back within 10 s.
        QSignalSpy added(window.keeper, &MappingKeeper::mappingAdded);
        QVERIFY(lab(QStringLiteral("start")));
        QElapsedTimer sinceRestart;
        sinceRestart.start();
        QVERIFY2(QTest::qWaitFor([&] { return added.size() == 2; }, 10000), qPrintable(window.log()));
        qInfo("mapped again %lld ms after the restart", static_cast<long long>(sinceRestart.elapsed()));
        QVERIFY(window.log().contains(Messages::PortMapping::routerRestarted()));
        QVERIFY(window.idle());
        QCOMPARE(listedMappings().count("'TestUDP'"), 2);

        // Deleting through the window takes the lines out of the list and the daemon.
        QVERIFY(QTest::qWaitFor([&] { return window.idle() && form.Button1->isEnabled(); }, 15000));
        form.RadioButton4->setChecked(true);
        const std::pair<const char*, const char*> deletions[] = {{"8081", "81"}, {"5353", "53"}};
        for (const auto& [publicPort, localPort] : deletions) {
            (QString(publicPort) == "8081" ? form.RadioButton1 : form.RadioButton2)->setChecked(true);
            form.Edit4->setText(publicPort);
            form.Edit2->setText(localPort);
            form.Button1Click();
            QVERIFY(QTest::qWaitFor([&] { return form.Button1->isEnabled(); }, 15000));
        }
        const QString after = listedMappings();
        QVERIFY2(!after.contains("TestUDP"), qPrintable(after));
        QCOMPARE(readFile(window.folder.filePath("jilu.txt")), QByteArray());
    }

    // A machine with a docker0 and a TV on the LAN that answers first: the
    // router is still found, and mappings go to the address the router sees.
    void windowPassesOverATvAndMapsToTheLanAddress()
    {
        QVERIFY(ipBatch({"link add docker0 type bridge", "addr add 172.17.0.1/16 dev docker0",
                         "link set docker0 up", "addr add 192.168.77.2/24 dev lan0"}));
        const auto cleanUp = qScopeGuard([] {
            ipBatch({"link del docker0", "addr del 192.168.77.2/24 dev lan0"});
        });
        MediaDevice tv;
        Window window(m_resolver, "0.0.0.0:8082  TCP  172.17.0.1:82\r\n", QStringLiteral("172.17.0.1"));
        QVERIFY(window.applied());
        QVERIFY2(window.log().contains(Messages::PortMapping::controlPageFailed()), qPrintable(window.log()));
        QCOMPARE(window.form->Edit1->text(), ClientIp);
        const QString listed = listedMappings();
        QVERIFY2(listed.contains(QRegularExpression(QStringLiteral("TCP +8082->%1:82 ").arg(ClientIp))),
                 qPrintable(listed));

        // The router refuses a mapping to another host (miniupnpd's secure
        // mode): the refusal is shown, and the line not stored.
        QLineEdit& client = *window.form->Edit1;
        client.selectAll();
        QTest::keyClicks(&client, MediaDeviceIp);
        window.form->Edit4->setText("8083");
        window.form->Button1Click();
        QVERIFY(QTest::qWaitFor([&] { return window.form->Button1->isEnabled(); }, 15000));
        QCOMPARE(window.form->Label10->text(),
                 Messages::PortMapping::addRefusedLabel(718, "ConflictInMappingEntry"));
        QCOMPARE(window.keeper->lines().size(), 1);
        QVERIFY(run(QStringLiteral("upnpc"), {"-d", "8082", "TCP"}));
    }

    // The program starts before the router (at login, before the link is up):
    // the router is found, and the list applied, soon after it comes up.
    void aRouterSwitchedOnLateIsFound()
    {
        if (qgetenv("KELVANE_IGD_VERSION") != "2")
            QSKIP("once is enough: it takes half a minute");
        QVERIFY(lab(QStringLiteral("stop")));
        Window window(m_resolver, "0.0.0.0:8084  TCP  192.168.77.10:84\r\n");
        QTest::qWait(10000);
        QVERIFY(window.log().contains(Messages::PortMapping::routerLostRetrying()));
        QVERIFY(lab(QStringLiteral("start")));
        QElapsedTimer sinceSwitchedOn;
        sinceSwitchedOn.start();
        QVERIFY(window.applied(25000));
        qInfo("mapped %lld ms after the router came up", static_cast<long long>(sinceSwitchedOn.elapsed()));
        QVERIFY(window.log().contains(Messages::PortMapping::routerBack()));
        QVERIFY(
            listedMappings().contains(QRegularExpression(QStringLiteral("TCP +8084->%1:84 ").arg(ClientIp))));
        QVERIFY(run(QStringLiteral("upnpc"), {"-d", "8084", "TCP"}));
    }

    // Host .20 holds public port 8085, which the list has too: said once and
    // never taken over; the user's own add of it is refused the same way and
    // not stored.
    void aPortAnotherHostHoldsIsSaidOnceAndLeftToIt()
    {
        QVERIFY(ipBatch({"addr add 192.168.77.20/24 dev lan0"}));
        const auto cleanUp = qScopeGuard([] { ipBatch({"addr del 192.168.77.20/24 dev lan0"}); });
        QVERIFY(addFrom(QStringLiteral("192.168.77.20"), 8085, "nas"));
        Window window(m_resolver,
                      "0.0.0.0:8085  TCP  192.168.77.10:85\r\n0.0.0.0:8086  TCP  192.168.77.10:86\r\n");
        QVERIFY(window.applied());
        const QString held =
            Messages::portHeldByOther(LanguageCode::Jt, 8085, "TCP", QStringLiteral("192.168.77.20"), "nas");
        QCOMPARE(window.log().count(held), 1);
        QVERIFY(QTest::qWaitFor([&] { return !window.keeper->mapperOf("UPnP")->busy(); }, 15000));

        window.form->Edit4->setText("8085");
        window.form->Edit2->setText("95");
        window.form->Button1Click();
        QVERIFY(QTest::qWaitFor([&] { return window.form->Button1->isEnabled(); }, 15000));
        QVERIFY2(window.form->Label10->text() == held, qPrintable(window.log()));
        QCOMPARE(window.keeper->lines().size(), 2);
        const QString listed = listedMappings();
        QVERIFY2(listed.contains(QRegularExpression("TCP +8085->192.168.77.20:85 ")) &&
                     listed.contains(QRegularExpression("TCP +8086->192.168.77.10:86 ")),
                 qPrintable(listed));
        QVERIFY(run(QStringLiteral("upnpc"), {"-d", "8086", "TCP"}));
    }

    // The machine leaves the router's network and joins one whose router
    // lacks the mapping (here the same router, restarted meanwhile): the old
    // router is not polled, the search starts at once.
    void aMoveToAnotherNetworkIsMappedAtOnce()
    {
        Window window(m_resolver, "0.0.0.0:8087  TCP  192.168.77.10:87\r\n");
        QVERIFY(window.applied());
        QVERIFY(ipBatch({"addr del 192.168.77.10/24 dev lan0"}));
        window.fakes->addressWatch.announce();
        QVERIFY(!window.keeper->routerPollTimer.isRunning());
        QVERIFY(lab(QStringLiteral("start")));
        QSignalSpy added(window.keeper, &MappingKeeper::mappingAdded);
        QVERIFY(ipBatch({"addr add 192.168.77.10/24 dev lan0", "route add default via 192.168.77.1"}));
        QElapsedTimer sinceMove;
        sinceMove.start();
        window.fakes->addressWatch.announce();
        QVERIFY2(QTest::qWaitFor([&] { return added.size() == 1; }, 10000), qPrintable(window.log()));
        qInfo("mapped %lld ms after the move", static_cast<long long>(sinceMove.elapsed()));
        QVERIFY(run(QStringLiteral("upnpc"), {"-d", "8087", "TCP"}));
    }

    // The whole table listed; a terminal sees the count go up, a pipe gets
    // the lines only. (This daemon takes about 3 minutes for 300 entries, as
    // long as upnpc -l: too long for every run.)
    void aTableIsListedWithItsProgressOnATerminal()
    {
        constexpr int entries = 20;
        TAutoNAT nat(m_resolver, m_messageBoxes);
        nat.OnTaskSuccess = [this](TAutoNAT* sender) { m_events.append({true, sender->task()}); };
        nat.OnTaskFail = [this](TAutoNAT* sender) { m_events.append({false, sender->task()}); };
        QVERIFY(runTask(nat, [&] { return nat.FindDevice(); }));
        QVERIFY(runTask(nat, [&] { return nat.GetControlPage(); }));
        const auto deleteAll = qScopeGuard([&] {
            for (int port = 30000; port < 30000 + entries; ++port)
                runTask(nat, [&] { return nat.DeletePort(port, "TCP"); });
        });
        for (int port = 30000; port < 30000 + entries; ++port)
            QVERIFY(runTask(nat, [&] { return nat.AddPort("many", port, ClientIp, port, "TCP"); }));

        QTemporaryDir folder;
        QProcess program;
        program.setWorkingDirectory(folder.path());
        program.start(QStringLiteral(KELVANE_PROGRAM), {QStringLiteral("--router-mappings")});
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(program.readAllStandardOutput().count(" many"), entries);
        QVERIFY(program.readAllStandardError().isEmpty());

        // script(1) gives the program a terminal; what both streams wrote comes out on ours.
        program.start(QStringLiteral("script"),
                      {"-qec", QStringLiteral(KELVANE_PROGRAM) + " --router-mappings", "/dev/null"});
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), 0);
        const QString shown = QString::fromUtf8(program.readAllStandardOutput());
        QVERIFY2(shown.contains(Messages::PortMapping::routerMappingsRead(entries)), qPrintable(shown.left(400)));
    }
};

QTEST_MAIN(RealGatewayCheck)
#include "RealGatewayCheck.moc"

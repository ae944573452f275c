#include "fakes/FakeGateway.h"
#include "fakes/FakePlatform.h"
#include "fakes/TestFiles.h"
#include "messages/Messages.h"
#include "messages/PortMappingMessages.h"
#include "portmap/MappingKeeper.h"
#include "portmap/upnp/TAutoNAT.h"
#include "portmap/upnp/UpnpMapper.h"
#include "registration/ClientState.h"
#include "settings/InputRules.h"

#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>
#include <QtEndian>

#include <memory>

// What the window says of the keeper's router.
static QString routerLabelOf(const MappingKeeper& keeper)
{
    return MappingLabels::router(keeper.routerSeen(), keeper.routerProtocol(), keeper.routerName());
}

namespace Text = Messages::PortMapping;

// The mapping keeper in a temporary folder, its gateway client aimed at a
// fake gateway on 127.0.0.1. Timer handlers are called by the tests; only the
// gateway exchanges run on the event loop.
struct KeeperFixture
{
    QTemporaryDir folder;
    FakePlatform fakes{folder.path()};
    ClientState session;
    FakeGateway gateway;
    std::unique_ptr<MappingKeeper> keeper;
    QStringList log;

    // `natPmpPort`: a NAT-PMP gateway of the test's own on 127.0.0.1.
    explicit KeeperFixture(const QByteArray& storedList = {}, quint16 natPmpPort = 0)
    {
        if (!storedList.isNull())
            write("jilu.txt", storedList);
        if (natPmpPort != 0)
            fakes.natPmp = {QStringLiteral("127.0.0.1"), natPmpPort};
        fakes.gatewaySearch = {QStringLiteral("127.0.0.1"), gateway.ssdpPort(), 0};
        fakes.resolver.hosts.insert(QStringLiteral("127.0.0.1"), {0x7f000001});
        keeper = std::make_unique<MappingKeeper>(fakes.platform(), session, folder.path());
        upnp().setReadPause(std::chrono::milliseconds(0));
        QObject::connect(keeper.get(), &MappingKeeper::logged, [this](const QString& line) { log << line; });
        keeper->start();
    }

    TAutoNAT& upnp() const { return static_cast<UpnpMapper*>(keeper->mapperOf("UPnP"))->gateway(); }
    QByteArray read(const QString& name) const { return readFile(folder.filePath(name)); }
    void write(const QString& name, const QByteArray& bytes) const
    {
        writeFile(folder.filePath(name), bytes);
    }
    int requestsFor(const QByteArray& action) const
    {
        return int(
            std::count_if(gateway.requests.cbegin(), gateway.requests.cend(),
                          [&](const QByteArray& request) { return request.contains("#" + action + "\""); }));
    }
    void execute(MappingKeeper::Action action, const QString& protocol, const QString& publicPort,
                 const QString& localPort)
    {
        keeper->execute({action, protocol, publicPort, keeper->internalClient(), localPort});
    }

    // Search, description and the first external address, as at start-up.
    bool runStartUpChain()
    {
        keeper->startupSearchTick();
        if (!QTest::qWaitFor([&] { return keeper->pollAfterDescription.interval() == 2000; }, 5000))
            return false;
        keeper->pollAfterDescriptionTick();
        return QTest::qWaitFor(
            [&] { return keeper->externalAddress() == QString::fromLatin1(gateway.externalAddress); }, 5000);
    }

    // One tick of the re-apply loop, waiting for its add to end.
    bool reapplyStep()
    {
        keeper->reapplyNext();
        return QTest::qWaitFor([&] { return keeper->reapplyState() == MappingKeeper::ReapplyState::Ready; },
                               5000);
    }
};

// A NAT-PMP daemon of the test's own on 127.0.0.1. Like miniupnpd it
// refuses PCP's version 2 as any version but its own.
struct NatPmpDaemon
{
    QUdpSocket socket;
    QNetworkDatagram request;

    NatPmpDaemon() { socket.bind(QHostAddress::LocalHost, 0); }
    quint16 port() const { return socket.localPort(); }
    bool next(const char* expectedHex)
    {
        do {
            if (!QTest::qWaitFor([&] { return socket.hasPendingDatagrams(); }, 5000))
                return false;
            request = socket.receiveDatagram();
            if (request.data().startsWith('\x02'))
                socket.writeDatagram(QByteArray::fromHex("0081 0001 00000064"), request.senderAddress(),
                                     request.senderPort());
        } while (request.data().startsWith('\x02'));
        return request.data() == QByteArray::fromHex(expectedHex);
    }
    void answer(const char* hex)
    {
        socket.writeDatagram(QByteArray::fromHex(hex), request.senderAddress(), request.senderPort());
    }
    // UPnP finds nothing; the daemon gives its address.
    bool takenBy(KeeperFixture& f)
    {
        f.gateway.ssdpAnswers.clear();
        f.keeper->startupSearchTick();
        if (!QTest::qWaitFor([&] { return f.gateway.searches.size() == 1; }, 5000))
            return false;
        f.upnp().timeOut();
        if (!next("0000"))
            return false;
        answer("0080 0000 00000064 0b162102");
        return QTest::qWaitFor([&] { return f.keeper->externalAddress() == "11.22.33.2"; }, 5000);
    }
};

class TestMappingKeeper : public QObject
{
    Q_OBJECT

private slots:
    void firstRunCreatesBothFilesAndStartsTheSearchInASecond()
    {
        KeeperFixture f;
        QCOMPARE(f.read("jilu.txt"), QByteArray());
        QCOMPARE(f.read("shijian.txt"), QByteArray("60\r\n"));
        QCOMPARE(f.keeper->startupSearch.interval(), 1000);
        QCOMPARE(f.keeper->internalClient(), QString("192.0.2.10"));
        QCOMPARE(f.keeper->externalAddress(), QString("0.0.0.0"));
        QVERIFY(!f.keeper->executeEnabled() && !f.keeper->reapplyEnabled());

        // An empty list: the first address starts the polling.
        QVERIFY(f.runStartUpChain());
        QCOMPARE(f.keeper->routerPollTimer.interval(), 1000);
        f.keeper->routerPoll();
        QCOMPARE(f.keeper->routerPollTimer.interval(), 11111);
    }

    void startUpChainReappliesTheStoredListOneAddAtATime()
    {
        const QByteArray stored("1.1.1.1:8080  TCP  10.0.0.5:80\r\n"
                                "1.1.1.1:5000  UDP  10.0.0.5:5001\r\n"
                                "1.1.1.1:2222  TCP  10.0.0.6:22\r\n");
        KeeperFixture f(stored);
        QVERIFY(f.runStartUpChain());
        QCOMPARE(routerLabelOf(*f.keeper), QString("Linux/2.6    "));
        QVERIFY(f.log.contains(Text::searchSucceeded()));
        QVERIFY(f.log.contains(Text::externalAddress("11.22.33.2")));
        QCOMPARE(f.keeper->reapplyTimer.interval(), 1000);
        QVERIFY(!f.keeper->executeEnabled());

        for (int step = 1; step <= 3; ++step) {
            QVERIFY(f.reapplyStep());
            QCOMPARE(f.requestsFor("AddPortMapping"), step);
        }
        QCOMPARE(f.keeper->reapplyTimer.interval(), 0);
        QCOMPARE(f.keeper->routerPollTimer.interval(), 1000);
        QCOMPARE(f.gateway.mappings.keys(), (QList<QByteArray>{"2222 TCP", "5000 UDP", "8080 TCP"}));
        // The internal client is this machine's address towards the router,
        // not what its host name gives (192.0.2.10).
        QVERIFY(f.gateway.mappings.value("5000 UDP").contains("<NewInternalClient>127.0.0.1<"));
        QCOMPARE(f.keeper->lines(),
                 (QStringList{"11.22.33.2:8080  TCP  127.0.0.1:80", "11.22.33.2:5000  UDP  127.0.0.1:5001",
                              "11.22.33.2:2222  TCP  127.0.0.1:22"}));
        QCOMPARE(f.read("jilu.txt"), stored); // the loop never rewrites the file
        QCOMPARE(MappingLabels::result(f.keeper->outcome()), Text::portAddedLabel());
        QVERIFY(f.keeper->executeEnabled());
    }

    void aChangedExternalAddressReappliesEveryLine()
    {
        KeeperFixture f("1.1.1.1:8080  TCP  10.0.0.5:80\r\n1.1.1.1:53  UDP  10.0.0.5:53\r\n");
        QVERIFY(f.runStartUpChain());
        QVERIFY(f.reapplyStep() && f.reapplyStep());

        f.keeper->routerPoll(); // same address: nothing more
        QTRY_COMPARE(f.log.last(), Text::externalAddress("11.22.33.2"));
        QCOMPARE(f.keeper->reapplyTimer.interval(), 0);

        f.gateway.externalAddress = "11.22.33.99";
        f.keeper->routerPoll();
        QTRY_COMPARE(f.keeper->externalAddress(), QString("11.22.33.99"));
        QCOMPARE(f.keeper->reapplyTimer.interval(), 1000);
        QVERIFY(f.reapplyStep() && f.reapplyStep());
        QCOMPARE(f.requestsFor("AddPortMapping"), 4);
        QVERIFY(f.keeper->lines().at(1).startsWith("11.22.33.99:53  UDP"));

        // Once a day the list is applied again, even with a steady address.
        QCOMPARE(f.keeper->dailyReapplyTimer.interval(), 24 * 60 * 60 * 1000);
        f.keeper->reapplyDaily();
        QCOMPARE(f.keeper->reapplyTimer.interval(), 1000);
        QCOMPARE(f.keeper->reapplyIndex(), 0);
    }

    void reloadedFilesAreAppliedAndEveryMappingTheRouterTookIsReported()
    {
        KeeperFixture f("1.1.1.1:8080  TCP  10.0.0.5:80\r\n");
        QSignalSpy added(f.keeper.get(), &MappingKeeper::mappingAdded);
        QVERIFY(f.runStartUpChain());
        QVERIFY(f.reapplyStep());
        QCOMPARE(added.size(), 1);
        QCOMPARE(added.at(0).at(0).toString(), QString("11.22.33.2:8080  TCP  127.0.0.1:80"));

        f.write("jilu.txt", "1.1.1.1:8080  TCP  10.0.0.5:80\r\n1.1.1.1:53  UDP  10.0.0.5:53\r\n");
        f.write("shijian.txt", "90\r\n");
        f.keeper->reloadFiles();
        QCOMPARE(f.keeper->intervalLines(), QStringList{"90"});
        QCOMPARE(f.keeper->reapplyTimer.interval(), 1000);
        QVERIFY(f.reapplyStep() && f.reapplyStep());
        QCOMPARE(f.gateway.mappings.keys(), (QList<QByteArray>{"53 UDP", "8080 TCP"}));
        QCOMPARE(added.size(), 3);
        QCOMPARE(added.at(2).at(0).toString(), QString("11.22.33.2:53  UDP  127.0.0.1:53"));

        QSignalSpy deleted(f.keeper.get(), &MappingKeeper::mappingDeleted);
        f.execute(MappingKeeper::Action::Delete, "UDP", "53", "53");
        QTRY_COMPARE(deleted.size(), 1);
        QCOMPARE(deleted.at(0).at(0).toString(), QString("11.22.33.2:53  UDP  127.0.0.1:53"));
    }

    void aLargeGarbledListLoadsAndOnlyItsMappingLinesAreApplied()
    {
        QByteArray stored;
        for (int i = 0; i < 10000; ++i)
            stored +=
                i % 1000 == 1
                    ? QByteArray("0.0.0.0:") + QByteArray::number(8000 + i / 1000) + "  TCP  10.0.0.5:80\r\n"
                    : QByteArray("\xFF\x81:\0\x7F TCP \xC3(", 11) + QByteArray::number(i) + "\r\n";
        KeeperFixture f(stored);
        QCOMPARE(f.keeper->lines().size(), 10000);
        QVERIFY(f.runStartUpChain());
        for (int tick = 0; tick < 20 && f.keeper->reapplyTimer.isRunning(); ++tick)
            QVERIFY(f.reapplyStep());
        QCOMPARE(f.requestsFor("AddPortMapping"), 1); // line 1; lines 0 and 2 to 19 were skipped
        QCOMPARE(f.keeper->reapplyIndex(), 20);
        QCOMPARE(f.read("jilu.txt"), stored);
    }

    void executeAddTwiceSendsTwiceAndStoresOnceAndDeleteOfAnUnknownLineSendsNothing()
    {
        KeeperFixture f;
        QVERIFY(f.runStartUpChain());
        for (int i = 1; i <= 2; ++i) {
            f.execute(MappingKeeper::Action::Add, "TCP", "8080", "80");
            QTRY_COMPARE(f.requestsFor("AddPortMapping"), i);
            QTRY_VERIFY(f.keeper->executeEnabled());
        }
        QCOMPARE(f.read("jilu.txt"), QByteArray("11.22.33.2:8080  TCP  127.0.0.1:80\r\n"));
        QCOMPARE(f.keeper->routerPollTimer.interval(), 11110);

        f.execute(MappingKeeper::Action::Delete, "TCP", "9999", "80");
        settle();
        QCOMPARE(f.requestsFor("DeletePortMapping"), 0);
        QVERIFY(!f.keeper->executeEnabled());

        f.execute(MappingKeeper::Action::Delete, "TCP", "8080", "80");
        QTRY_COMPARE(f.requestsFor("DeletePortMapping"), 1);
        QCOMPARE(f.read("jilu.txt"), QByteArray());
    }

    void aRequestThatIsNoMappingSendsNothing()
    {
        KeeperFixture f;
        QVERIFY(f.runStartUpChain());
        for (const char* port : {"http", "0", "65536", "+80", ""}) {
            f.execute(MappingKeeper::Action::Add, "TCP", QString::fromLatin1(port), "80");
            QCOMPARE(f.log.last(), Text::portNotANumber());
        }
        f.execute(MappingKeeper::Action::Add, "FOO", "8080", "80");
        QCOMPARE(f.log.last(), Text::mappingInvalid());
        f.keeper->execute({MappingKeeper::Action::Add, "TCP", "8080", "999.1.1.1\x1b[2J", "80"});
        QCOMPARE(f.log.last(), Text::mappingInvalid());
        settle();
        QCOMPARE(f.requestsFor("AddPortMapping"), 0);
        QCOMPARE(f.read("jilu.txt"), QByteArray());
    }

    void badLinesDoNotStallTheLoop()
    {
        KeeperFixture f("hand-typed note\r\n1.1.1.1:8080  TCP  10.0.0.5:80\r\n1.1.1.1:99999  TCP  x:1\r\n"
                        "1.1.1.1:7000  UDP  10.0.0.5:7000\r\n");
        QVERIFY(f.runStartUpChain());
        f.keeper->reapplyNext(); // the note is skipped
        QCOMPARE(f.log.last(), Text::notAMappingLineSkipped("hand-typed note"));
        QCOMPARE(f.keeper->reapplyState(), MappingKeeper::ReapplyState::Ready);
        QVERIFY(f.reapplyStep());
        f.keeper->reapplyNext(); // port 99999 is no port
        QCOMPARE(f.log.last(), Text::notAMappingLineSkipped("1.1.1.1:99999  TCP  x:1"));
        QVERIFY(f.reapplyStep());
        QCOMPARE(f.requestsFor("AddPortMapping"), 2);
        QCOMPARE(f.keeper->reapplyTimer.interval(), 0);
        QCOMPARE(f.gateway.mappings.keys(), (QList<QByteArray>{"7000 UDP", "8080 TCP"}));
    }

    // A router that takes the connection but never answers an add: the line
    // is tried once more, then skipped, and the loop goes on.
    void anUnansweredAddIsTriedOnceMoreThenSkipped()
    {
        KeeperFixture f("1.1.1.1:8080  TCP  10.0.0.5:80\r\n1.1.1.1:8081  TCP  10.0.0.5:81\r\n");
        QVERIFY(f.runStartUpChain());
        f.upnp().setTimeout(1000);
        f.gateway.reply = [&](const QByteArray& request) {
            if (request.contains("<NewExternalPort>8080<")) {
                GatewayReply silence;
                silence.closeAfter = false;
                return silence;
            }
            return f.gateway.standardReply(request);
        };
        QVERIFY(f.reapplyStep());
        QCOMPARE(f.log.last(), Text::addUnfinishedRetried(f.keeper->lines().at(0)));
        QCOMPARE(f.keeper->reapplyIndex(), 0);
        QVERIFY(f.reapplyStep());
        QCOMPARE(f.log.last(), Text::addUnfinishedSkipped(f.keeper->lines().at(0)));
        QVERIFY(f.reapplyStep());
        QCOMPARE(f.gateway.mappings.keys(), QList<QByteArray>{"8081 TCP"});
    }

    // The address poll of the timers waits for a running add, instead of
    // taking it over.
    void aPollWaitsForTheRunningAdd()
    {
        KeeperFixture f;
        QVERIFY(f.runStartUpChain());
        const int polls = f.requestsFor("GetExternalIPAddress");
        f.gateway.reply = [&](const QByteArray& request) {
            GatewayReply reply = f.gateway.standardReply(request);
            if (request.contains("#AddPortMapping"))
                reply.segments = {reply.segments.first().left(12), reply.segments.first().mid(12)};
            reply.gapMs = 300;
            return reply;
        };
        f.execute(MappingKeeper::Action::Add, "TCP", "8080", "80");
        f.keeper->routerPoll();
        QTRY_COMPARE(f.requestsFor("GetExternalIPAddress"), polls + 1);
        QCOMPARE(MappingLabels::result(f.keeper->outcome()), Text::portAddedLabel());
        QCOMPARE(f.gateway.mappings.keys(), QList<QByteArray>{"8080 TCP"});
        QVERIFY(f.read("jilu.txt").startsWith("11.22.33.2:8080  TCP  "));
    }

    // A second add while the router still answers the first is not started,
    // and the first is stored all the same.
    void anAddDuringAnotherIsNotStartedAndTheFirstIsStillStored()
    {
        KeeperFixture f;
        QVERIFY(f.runStartUpChain());
        f.execute(MappingKeeper::Action::Add, "TCP", "8080", "80");
        f.execute(MappingKeeper::Action::Add, "TCP", "9090", "90");
        QCOMPARE(f.log.last(), Text::addNotStarted());
        QTRY_VERIFY(f.keeper->executeEnabled());
        QCOMPARE(f.gateway.mappings.keys(), QList<QByteArray>{"8080 TCP"});
        QCOMPARE(f.read("jilu.txt"), QByteArray("11.22.33.2:8080  TCP  127.0.0.1:80\r\n"));
    }

    void aRefusedAddIsShownAndNotStored()
    {
        KeeperFixture f;
        QVERIFY(f.runStartUpChain());
        f.gateway.refusedAdds = {"8080 TCP"};
        QSignalSpy refused(f.keeper.get(), &MappingKeeper::mappingRefused);
        f.execute(MappingKeeper::Action::Add, "TCP", "8080", "80");
        QTRY_VERIFY(f.keeper->executeEnabled());
        QCOMPARE(refused.size(), 1);
        QVERIFY(refused.first().at(0).toString().contains(":8080  TCP  "));
        QCOMPARE(refused.first().at(1).toString(), QString("UPnP error 718: ConflictInMappingEntry"));
        QCOMPARE(MappingLabels::result(f.keeper->outcome()),
                 Text::addRefusedLabel(718, "ConflictInMappingEntry"));
        QCOMPARE(f.log.last(), Text::addRefused(718, "ConflictInMappingEntry"));
        QCOMPARE(f.keeper->lines(), QStringList());
        QCOMPARE(f.read("jilu.txt"), QByteArray());
    }

    // No router: searches go on with a growing pause, logged once; a new
    // address on the machine searches soon; the router, once there, is used.
    void withoutARouterTheSearchGoesOnQuietly()
    {
        KeeperFixture f("1.1.1.1:8080  TCP  10.0.0.5:80\r\n");
        const QList<QByteArray> answers = f.gateway.ssdpAnswers;
        f.gateway.ssdpAnswers.clear();
        QList<int> pauses;
        f.keeper->startupSearchTick();
        for (int search = 0; search < 6; ++search) {
            if (search > 0)
                f.keeper->searchAgain();
            QTRY_COMPARE(f.gateway.searches.size(), search + 1);
            f.upnp().timeOut();
            pauses << f.keeper->researchTimer.interval();
        }
        QCOMPARE(pauses, (QList<int>{5000, 10000, 20000, 40000, 120000, 120000}));
        QCOMPARE(f.log.count(Text::searchFailed()), 1);
        QCOMPARE(f.log.count(Text::searchStarted()), 1);
        QCOMPARE(f.log.count(Text::routerLostRetrying()), 1);
        QVERIFY(!f.session.routerAnswering());

        f.gateway.ssdpAnswers = answers;
        f.fakes.addressWatch.announce();
        QTRY_COMPARE(f.keeper->pollAfterDescription.interval(), 2000);
        f.keeper->pollAfterDescriptionTick();
        QTRY_COMPARE(f.keeper->externalAddress(), QString("11.22.33.2"));
        QCOMPARE(f.log.count(Text::routerBack()), 1);
        QVERIFY(f.session.routerAnswering());
        QCOMPARE(f.keeper->reapplyTimer.interval(), 1000);
    }

    // A control page that takes the connection and never answers: one line
    // for the outage, however many rounds it lasts, and one when it is back.
    void aSilentControlPageIsSaidOncePerOutage()
    {
        KeeperFixture f;
        bool silent = true;
        f.gateway.reply = [&](const QByteArray& request) {
            return silent && request.startsWith("POST ") ? GatewayReply{{}, 0, false, {}, 0}
                                                         : f.gateway.standardReply(request);
        };
        for (int round = 0; round < 4; ++round) {
            round == 0 ? f.keeper->startupSearchTick() : f.keeper->searchAgain();
            QTRY_COMPARE(f.keeper->pollAfterDescription.interval(), 2000);
            f.keeper->pollAfterDescriptionTick();
            f.upnp().timeOut();
        }
        for (const QString& line : {Text::searchSucceeded(), Text::controlPageRead(),
                                    Text::externalAddressFailed(), Text::routerLostRetrying()})
            QCOMPARE(f.log.count(line), 1);
        silent = false;
        QVERIFY(f.runStartUpChain());
        QCOMPARE(f.log.count(Text::routerBack()), 1);
    }

    // Until its own link is up a router reports "0.0.0.0": polling goes on.
    // An address poll that fails three times in a row starts the search again.
    void aRouterWithoutAddressIsPolledAndAFailingOneSearchedAgain()
    {
        KeeperFixture f;
        f.gateway.externalAddress = "0.0.0.0";
        f.keeper->startupSearchTick();
        QTRY_COMPARE(f.keeper->pollAfterDescription.interval(), 2000);
        f.keeper->pollAfterDescriptionTick();
        QTRY_VERIFY(f.log.contains(Text::externalAddressNotYet()));
        QCOMPARE(f.keeper->routerPollTimer.interval(), 11111);
        QCOMPARE(f.keeper->externalAddress(), QString("0.0.0.0"));

        f.gateway.externalAddress = "bad";
        for (int poll = 1; poll <= 3; ++poll) {
            f.keeper->routerPoll();
            QTRY_COMPARE(f.log.count(Text::externalAddressFailed()), poll);
        }
        QVERIFY(f.log.contains(Text::routerLostRetrying()));
        QCOMPARE(f.keeper->routerPollTimer.interval(), 0);
        QCOMPARE(f.keeper->researchTimer.interval(), 5000);
    }

    // A TV answers the search first: its description holds no WAN
    // connection, and the router that answered after it is used.
    void aDeviceThatIsNoRouterIsPassedOver()
    {
        KeeperFixture f;
        f.gateway.ssdpAnswers.prepend(FakeGateway::ssdpAnswer(f.gateway.url("/tv.xml")));
        QVERIFY(f.runStartUpChain());
        QVERIFY(f.log.contains(Text::controlPageFailed()));
        QVERIFY(f.log.contains(Text::tryingNextDevice(QString::fromLatin1(f.gateway.url("/rootDesc.xml")))));
        QCOMPARE(routerLabelOf(*f.keeper), QString("Linux/2.6    "));
    }

    // Every 5 minutes the router is asked for each stored mapping; those it
    // lost are applied again, and only those; a port another host took is
    // said once and left to it until it lets go.
    void mappingsTheRouterForgotAreAppliedAgainAndAnotherHostsPortIsLeftAlone()
    {
        KeeperFixture f("1.1.1.1:8080  TCP  10.0.0.5:80\r\n1.1.1.1:53  UDP  10.0.0.5:53\r\n"
                        "1.1.1.1:22  TCP  10.0.0.5:22\r\n");
        QVERIFY(f.runStartUpChain());
        QVERIFY(f.reapplyStep() && f.reapplyStep() && f.reapplyStep());
        QCOMPARE(f.keeper->mappingCheckTimer.interval(), 5 * 60 * 1000);
        f.gateway.mappings.remove("8080 TCP");
        f.gateway.mappings["22 TCP"].replace("<NewInternalClient>127.0.0.1<",
                                             "<NewInternalClient>127.0.0.9<");
        const QString held = Messages::portHeldByOther(LanguageCode::Jt, 22, "TCP", "127.0.0.9", "TestUDP");
        const auto checkAndReapply = [&] {
            f.keeper->checkMappings();
            QTRY_VERIFY(f.keeper->reapplyTimer.isRunning() || !f.keeper->checkStepTimer.isRunning());
            for (int tick = 0; tick < 3 && f.keeper->reapplyTimer.isRunning(); ++tick)
                QVERIFY(f.reapplyStep());
        };
        checkAndReapply();
        checkAndReapply();
        QCOMPARE(f.log.count(Text::mappingsMissing(1)), 1);
        QCOMPARE(f.log.count(held), 1);
        QVERIFY(f.gateway.mappings.value("22 TCP").contains("<NewInternalClient>127.0.0.9<"));

        f.gateway.mappings.remove("22 TCP");
        checkAndReapply();
        QCOMPARE(f.gateway.mappings.keys(), (QList<QByteArray>{"22 TCP", "53 UDP", "8080 TCP"}));
        QVERIFY(f.gateway.mappings.value("22 TCP").contains("<NewInternalClient>127.0.0.1<"));
    }

    // Taken off the router, the list stays in its file, and nothing puts it
    // back (a new address, the 5-minute check, a day) until the user does.
    void withdrawnMappingsStayOffTheRouterUntilReappliedAndTheFileIsKept()
    {
        const QByteArray stored("1.1.1.1:8080  TCP  10.0.0.5:80\r\n1.1.1.1:8080  TCP  10.0.0.5:81\r\n"
                                "garbage\r\n1.1.1.1:53  UDP  10.0.0.5:53\r\n1.1.1.1:22  TCP  10.0.0.5:22\r\n");
        KeeperFixture f(stored);
        QSignalSpy deleted(f.keeper.get(), &MappingKeeper::mappingDeleted);
        QVERIFY(f.runStartUpChain());
        for (int tick = 0; tick < 5 && f.keeper->reapplyTimer.isRunning(); ++tick)
            QVERIFY(f.reapplyStep());
        QCOMPARE(f.gateway.mappings.size(), 3);
        // Taken over by another host since: its mapping stays.
        f.gateway.mappings["22 TCP"].replace("<NewInternalClient>127.0.0.1<", "<NewInternalClient>127.0.0.9<");

        f.keeper->withdrawAll();
        QVERIFY(!f.keeper->reapplyEnabled() && !f.keeper->executeEnabled());
        QTRY_VERIFY(f.keeper->reapplyEnabled()); // the withdrawal ended
        QCOMPARE(f.gateway.mappings.keys(), QList<QByteArray>{"22 TCP"});
        QCOMPARE(f.requestsFor("DeletePortMapping"), 2); // one per public port of ours
        QCOMPARE(deleted.size(), 2);
        QCOMPARE(f.log.last(), Text::withdrawalEnded(2, 0, 1));
        QCOMPARE(f.read("jilu.txt"), stored);
        QVERIFY(f.keeper->reapplyEnabled() && f.keeper->executeEnabled());

        f.gateway.externalAddress = "11.22.33.99";
        f.keeper->routerPoll();
        QTRY_COMPARE(f.keeper->externalAddress(), QString("11.22.33.99"));
        f.keeper->reapplyDaily();
        f.keeper->checkMappings();
        QVERIFY(!f.keeper->reapplyTimer.isRunning() && !f.keeper->checkStepTimer.isRunning());

        f.gateway.mappings.remove("22 TCP");
        f.keeper->reapplyAll();
        for (int tick = 0; tick < 5 && f.keeper->reapplyTimer.isRunning(); ++tick)
            QVERIFY(f.reapplyStep());
        QCOMPARE(f.gateway.mappings.keys(), (QList<QByteArray>{"22 TCP", "53 UDP", "8080 TCP"}));
    }

    // A new description address announced: searched for again at once (restarts: tests/gateway).
    void aRouterThatMovedItsDescriptionIsSearchedAgain()
    {
        KeeperFixture f;
        QVERIFY(f.runStartUpChain());
        f.upnp().OnAnnouncement("NOTIFY * HTTP/1.1\r\nUSN: uuid:fake-gateway\r\nNTS: ssdp:alive\r\n"
                                "LOCATION: http://127.0.0.1:1/moved.xml",
                                QStringLiteral("127.0.0.1"));
        QCOMPARE(f.keeper->announcementTimer.interval(), 500);
        // Another router answers now, as after a move: the log names it, once.
        f.gateway.ssdpAnswers = {FakeGateway::ssdpAnswer(f.gateway.url("/rootDesc.xml"), "Other/1.0 UPnP/1.0")};
        f.keeper->actOnAnnouncement();
        QTRY_COMPARE(f.gateway.searches.size(), 2);
        const QString changed = Messages::routerChanged(LanguageCode::Jt, "Other/1.0 UPnP/1.0", "127.0.0.1");
        QTRY_VERIFY(f.log.contains(changed));
        QCOMPARE(f.log.count(changed), 1);
    }

    void theRouterMappingsAreListedWithTheirMarks()
    {
        KeeperFixture f("1.1.1.1:8080  TCP  10.0.0.5:80\r\n");
        QStringList listed;
        f.keeper->listRouterMappings([&](const QStringList& lines) { listed = lines; });
        QCOMPARE(listed, QStringList{Text::routerMappingsNoRouter()});
        QVERIFY(f.runStartUpChain());
        QVERIFY(f.reapplyStep());
        f.gateway.mappings.insert("3389 TCP",
                                  "<NewInternalPort>3389</NewInternalPort><NewInternalClient>"
                                  "127.0.0.50</NewInternalClient><NewEnabled>1</NewEnabled>"
                                  "<NewPortMappingDescription>desk\x1b[2J</NewPortMappingDescription>");
        listed.clear();
        f.keeper->listRouterMappings([&](const QStringList& lines) { listed = lines; });
        QTRY_COMPARE(listed.size(), 2);
        QCOMPARE(listed, (QStringList{"TCP 3389 -> 127.0.0.50:3389  desk [2J",
                                      "TCP 8080 -> 127.0.0.1:80  [本机]  [已保存]  TestUDP"}));
        QCOMPARE(f.requestsFor("GetGenericPortMappingEntry"), 3);
    }

    void failuresOfTheChainAreShown()
    {
        {
            KeeperFixture f;
            f.gateway.ssdpAnswers = {"HTTP/1.1 200 OK\r\nLOCATION: nowhere\r\n\r\n"};
            f.keeper->startupSearchTick();
            QTRY_COMPARE(f.gateway.searches.size(), 1);
            settle();
            f.upnp().timeOut(); // an answer naming no usable gateway is none
            QCOMPARE(routerLabelOf(*f.keeper), Text::searchFailedLabel());
            QVERIFY(f.log.contains(Text::searchFailed()));
        }
        {
            KeeperFixture f;
            f.gateway.reply = [](const QByteArray&) {
                return GatewayReply::whole(FakeGateway::response("404 Not Found", {}));
            };
            f.keeper->startupSearchTick();
            QTRY_VERIFY(f.log.contains(Text::controlPageFailed()));
            QCOMPARE(f.keeper->pollAfterDescription.interval(), 0);
        }
        {
            KeeperFixture f;
            f.gateway.ssdpAnswers = {
                FakeGateway::ssdpAnswer(f.gateway.url("/rootDesc.xml"), "Linux/2.4 UPnP/1.0")};
            f.gateway.externalAddress = "<b>6.6.6.6</b>";
            f.keeper->startupSearchTick();
            QTRY_COMPARE(f.keeper->pollAfterDescription.interval(), 2000);
            QCOMPARE(routerLabelOf(*f.keeper), QString("Linux/2.4    "));
            f.keeper->pollAfterDescriptionTick();
            QTRY_VERIFY(f.log.contains(Text::externalAddressFailed()));
            QCOMPARE(f.keeper->externalAddress(), QString("0.0.0.0"));
            QCOMPARE(routerLabelOf(*f.keeper), Text::contactDeveloperLabel());
        }
    }

    // The window hands over each key: a list that stays refused is said once.
    void anEditedListWithARefusedLineIsNotStored()
    {
        KeeperFixture f("0.0.0.0:8080  TCP  192.0.2.10:80\r\n0.0.0.0:53  UDP  192.0.2.10:53\r\n");
        const QStringList stored = f.keeper->lines();
        const QString refused = "0.0.0.0:9000  TCP  192.0.2.10:9000\x1b[2J";
        f.keeper->setLines(stored + QStringList{refused});
        f.keeper->setLines(stored + QStringList{refused + "x"});
        QCOMPARE(f.keeper->lines(), stored);
        QCOMPARE(f.log.count(Text::listLineRefused(3)), 1);
        f.keeper->setLines(QStringList(InputRules::maxListLines + 1, stored.first()));
        QCOMPARE(f.log.last(), Text::listTooLong(InputRules::maxListLines));
        QCOMPARE(f.keeper->lines(), stored);

        f.execute(MappingKeeper::Action::Delete, "UDP", "53", "53"); // writes the list
        QCOMPARE(f.read("jilu.txt"), QByteArray("0.0.0.0:8080  TCP  192.0.2.10:80\r\n"));
    }

    void automaticCheckIntervalAndItsFile()
    {
        KeeperFixture f;
        for (const char* refused : {"5", "abc", "60\r\n99"}) // said once while the user types
            f.keeper->saveAddressCheckInterval(refused);
        QCOMPARE(f.read("shijian.txt"), QByteArray("60\r\n"));
        QCOMPARE(
            f.log.count(Text::checkIntervalRefused(InputRules::minCheckSeconds, InputRules::maxCheckSeconds)),
            1);
        f.keeper->saveAddressCheckInterval("90");
        QCOMPARE(f.read("shijian.txt"), QByteArray("90\r\n"));
        const std::pair<const char*, int> intervals[] = {
            {"5", 15000}, {"abc", 60000}, {"99999999999", 2147483000}};
        for (const auto& [seconds, interval] : intervals) {
            f.keeper->setAddressCheck(true, seconds);
            QCOMPARE(f.keeper->addressCheckTimer.interval(), interval);
        }
        f.keeper->setAddressCheck(false, "60");
        QCOMPARE(f.keeper->addressCheckTimer.interval(), 0);
    }

    // UPnP off: the gateway answers NAT-PMP. Lines go to this machine; a port
    // the router will not give is said once and let go; a restart seen in the
    // epoch applies the list again; a delete lets the mapping go.
    void aRouterWithUpnpOffIsUsedByNatPmp()
    {
        NatPmpDaemon daemon;
        KeeperFixture f("1.1.1.1:8080  TCP  10.0.0.5:80\r\n1.1.1.1:9000  UDP  10.0.0.5:9000\r\n",
                        daemon.port());
        const auto next = [&](const char* expectedHex) { return daemon.next(expectedHex); };
        const auto answer = [&](const char* hex) { daemon.answer(hex); };
        QVERIFY(daemon.takenBy(f));
        QCOMPARE(f.keeper->routerProtocol(), QString("NAT-PMP"));
        QCOMPARE(routerLabelOf(*f.keeper), Text::routerLabel("NAT-PMP "));
        QVERIFY(f.session.routerAnswering());

        f.keeper->reapplyNext();
        QVERIFY(next("0002 0000 0050 1f90 00001c20"));
        answer("0082 0000 00000065 0050 1f90 00001c20");
        QTRY_COMPARE(f.keeper->reapplyState(), MappingKeeper::ReapplyState::Ready);
        QStringList refused; // what the desktop is told
        connect(f.keeper.get(), &MappingKeeper::addRefused, this,
                [&refused](const QString& text) { refused << text; });
        f.keeper->reapplyNext();
        QVERIFY(next("0001 0000 2328 2328 00001c20"));
        answer("0081 0000 00000065 2328 2329 00001c20");
        QVERIFY(next("0001 0000 2328 0000 00000000"));
        answer("0081 0000 00000065 2328 0000 00000000");
        const QString taken = Messages::portTaken(LanguageCode::Jt, 9000, "UDP", 9001);
        QTRY_COMPARE(MappingLabels::result(f.keeper->outcome()), taken);
        QCOMPARE(f.log.count(taken), 1);
        QCOMPARE(refused, QStringList{taken});

        f.fakes.clock.time = f.fakes.clock.time.addSecs(60);
        f.keeper->routerPoll();
        QVERIFY(next("0000"));
        answer("0080 0000 00000003 0b162102");
        QTRY_COMPARE(f.keeper->reapplyTimer.interval(), 1000);
        QCOMPARE(f.log.count(Text::routerRestarted()), 1);

        f.execute(MappingKeeper::Action::Delete, "TCP", "8080", "80");
        QVERIFY(next("0002 0000 0050 0000 00000000"));
        answer("0082 0000 00000004 0050 0000 00000000");
        QTRY_COMPARE(f.log.count(Text::portDeleted()), 1);
        QStringList listed;
        f.keeper->listRouterMappings([&](const QStringList& lines) { listed = lines; });
        QCOMPARE(listed, QStringList{Messages::natPmpCannotList(LanguageCode::Jt, "127.0.0.1")});
    }

    // A lease router is never busy: the loop's tick waits for the user's add
    // under way instead of failing to start its own and stopping there.
    void theLoopWaitsForTheUsersAddOnALeaseRouter()
    {
        NatPmpDaemon daemon;
        KeeperFixture f("1.1.1.1:8080  TCP  10.0.0.5:80\r\n", daemon.port());
        QVERIFY(daemon.takenBy(f));
        f.execute(MappingKeeper::Action::Add, "UDP", "9000", "9000");
        QVERIFY(daemon.next("0001 0000 2328 2328 00001c20"));
        f.keeper->reapplyNext();
        daemon.answer("0081 0000 00000065 2328 2328 00001c20");
        QTRY_COMPARE(f.log.count(Text::portAdded()), 1);
        QCOMPARE(f.log.count(Text::addNotStarted()), 0);
        f.keeper->reapplyNext();
        QVERIFY(daemon.next("0002 0000 0050 1f90 00001c20"));
    }

    // A PCP daemon answers NAT-PMP too: once UPnP found nothing, PCP is
    // taken, even when NAT-PMP answered first.
    void aGatewayThatSpeaksPcpIsUsedByPcpBeforeNatPmp()
    {
        QUdpSocket daemon;
        QVERIFY(daemon.bind(QHostAddress::LocalHost, 0));
        KeeperFixture f({}, daemon.localPort());
        f.gateway.ssdpAnswers.clear();
        f.keeper->startupSearchTick();
        std::optional<QNetworkDatagram> pcpProbe;
        for (int received = 0; received < 2;) {
            QVERIFY(QTest::qWaitFor([&] { return daemon.hasPendingDatagrams(); }, 5000));
            const QNetworkDatagram request = daemon.receiveDatagram();
            ++received;
            if (request.data().startsWith('\x02'))
                pcpProbe = request;
            else // the external address at once
                daemon.writeDatagram(QByteArray::fromHex("0080 0000 00000064 0b162102"), request.senderAddress(),
                                     request.senderPort());
        }
        QVERIFY(pcpProbe);
        QTRY_COMPARE(f.gateway.searches.size(), 1);
        f.upnp().timeOut();
        settle();
        QCOMPARE(f.keeper->routerProtocol(), QString()); // PCP is still asked
        QByteArray answer = pcpProbe->data().left(44);
        answer[1] = char(0x81);
        qToBigEndian(quint32(120), answer.data() + 4);
        qToBigEndian(quint32(100), answer.data() + 8);
        answer.replace(12, 12, QByteArray(12, '\0'));
        daemon.writeDatagram(answer + QByteArray::fromHex("00000000000000000000ffff0b162102"),
                             pcpProbe->senderAddress(), pcpProbe->senderPort());
        QTRY_COMPARE(f.keeper->routerProtocol(), QString("PCP"));
        QCOMPARE(f.keeper->externalAddress(), QString("11.22.33.2"));
        QCOMPARE(routerLabelOf(*f.keeper), Text::routerLabel("PCP "));
        QCOMPARE(f.log.count(Messages::pcpRouterFound(LanguageCode::Jt, "127.0.0.1")), 1);
        QVERIFY(!f.log.contains(Messages::natPmpRouterFound(LanguageCode::Jt, "127.0.0.1")));
    }

private:
    static void settle() { QTest::qWait(50); }
};

QTEST_MAIN(TestMappingKeeper)
#include "TestMappingKeeper.moc"

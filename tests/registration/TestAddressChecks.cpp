#include "EngineFixture.h"

#include "messages/Messages.h"

#include <QCoreApplication>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QUdpSocket>

// An engine after a success reply that published `published`, and a socket
// that plays the check host (the provider's server) on 127.0.0.1.
struct CheckFixture : EngineFixture
{
    QUdpSocket checkHost;

    explicit CheckFixture(const QByteArray& published = "127.0.0.1")
    {
        loginWith("dengluok112a.kelvane.example&&&" + published + "&&&", ordinary);
        checkHost.bind(QHostAddress::LocalHost, 0);
    }

    AddressChecks& checks() { return engine->checks(); }

    // Sends to a check channel, from the provider or `from`. Loopback datagrams
    // are in the channel's buffer at once; the events read them.
    void confirm(quint16 channel, const QByteArray& datagram, QUdpSocket* from = nullptr)
    {
        (from ? *from : checkHost).writeDatagram(datagram, QHostAddress::LocalHost, channel);
        for (int turn = 0; turn < 3; ++turn)
            QCoreApplication::processEvents();
    }

    bool loggingInAgain()
    {
        return primary().loginRetryTimer.interval() == 10 || primary().loginRetryTimer.interval() == 100;
    }
    QString status(Messages::CheckStatus status)
    {
        return time() + Messages::checkStatus(LanguageCode::Jt, status, primary().publishedAddress());
    }
};

class TestAddressChecks : public QObject
{
    Q_OBJECT

private slots:
    void serverCheck()
    {
        CheckFixture f("198.51.100.7");
        f.checks().serverCheckTimer.fire(); // the router has not reported yet
        QCOMPARE(f.checks().serverCheckTimer.interval(), 0);
        QCOMPARE(f.line(0), Messages::routerNotice().at(0));
        QCOMPARE(f.line(2), Messages::routerNotice().at(2));

        f.state.setRouterExternalAddress("198.51.100.7");
        f.checks().serverCheckTimer.fire();
        QCOMPARE(f.checks().serverCheckTimer.interval(), 8888);
        QCOMPARE(f.line(0), f.status(Messages::CheckStatus::ServerCheckNoChange));

        f.state.setRouterExternalAddress("198.51.100.9");
        f.engine->setAutoLogin(true);
        f.checks().serverCheckTimer.fire();
        QCOMPARE(f.checks().serverCheckTimer.interval(), 0);
        QCOMPARE(f.primary().loginRetryTimer.interval(), 100); // through the start-up login
    }

    void localCheck()
    {
        CheckFixture f("192.0.2.10");
        f.checks().localCheckTimer.setInterval(3000);
        f.checks().localCheckTimer.fire();
        QCOMPARE(f.checks().localCheckTimer.interval(), 3000);
        QCOMPARE(f.engine->status(), f.status(Messages::CheckStatus::LocalCheckTick));

        for (const QString& local : {QString("192.0.2.99"), QString()}) {
            f.fakes.localAddress.address = local;
            f.checks().localCheckTimer.fire();
            QCOMPARE(f.checks().localCheckTimer.interval(), 0);
            QCOMPARE(f.primary().loginRetryTimer.interval(), 10); // through the login button
            QCOMPARE(f.line(0), f.status(Messages::CheckStatus::LocalCheckChangeFound));
            f.checks().localCheckTimer.setInterval(3000);
            f.fakes.clock.time = f.fakes.clock.time.addSecs(ReloginBackoff::firstDelaySeconds);
        }
    }

    void firstChannel_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<int>("timer5"); // -1: a new login
        QTest::newRow("interval 5") << QByteArray("127.0.0.1&&&1234&&&5###") << 10000;
        QTest::newRow("interval 0 stops") << QByteArray("127.0.0.1&&&1234&&&0###") << 0;
        QTest::newRow("other address") << QByteArray("198.51.100.9&&&1234&&&5###") << -1;
        QTest::newRow("loopback ignored") << QByteArray("8*888###") << 8888;
        QTest::newRow("bare separator") << QByteArray("&&&") << -1;
        QTest::newRow("negative") << QByteArray("127.0.0.1&&&1&&&-5###") << 8888;
        QTest::newRow("huge counts as 15 minutes") << QByteArray("127.0.0.1&&&1&&&2147483647###") << 900000;
        QTest::newRow("NUL") << QByteArray("127.0.0.1&&&1&&&5\0###", 21) << 8888;
        QTest::newRow("2048 bytes") << QByteArray(2048, '&') << -1;
    }

    void firstChannel()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(int, timer5);
        CheckFixture f;
        f.checks().serverCheckTimer.setInterval(8888);
        f.confirm(8881, datagram);
        if (timer5 < 0) {
            QVERIFY(f.loggingInAgain());
            QCOMPARE(f.checks().serverCheckTimer.interval(), 0);
        } else {
            QCOMPARE(f.checks().serverCheckTimer.interval(), timer5);
            QVERIFY(!f.loggingInAgain());
        }
    }

    void secondChannelStartsTheInternalCycleAfterTwoConfirmations()
    {
        CheckFixture f;
        f.state.setRouterExternalAddress("127.0.0.1");
        f.confirm(8882, "127.0.0.1&&&4000&&&1###");
        f.checks().serverCheckTimer.fire(); // one is not enough
        QCOMPARE(f.checks().serverCheckTimer.interval(), 8888);

        f.confirm(8882, "127.0.0.1&&&4000&&&1###");
        f.confirm(8882, "127.0.0.1&&&99999&&&1###"); // no port: not counted
        f.checks().serverCheckTimer.fire();
        QCOMPARE(f.checks().serverCheckTimer.interval(), 8888);
        f.confirm(8882, "127.0.0.1&&&4000&&&1###");
        f.confirm(8882, "127.0.0.1&&&4001&&&1###");
        f.checks().serverCheckTimer.fire();
        QCOMPARE(f.checks().serverCheckTimer.interval(), 0);
        QCOMPARE(f.checks().checkCycleTimer.interval(), 6000);

        f.confirm(8882, "127.0.0.1&&&8*888&&&1###");
        QCOMPARE(f.engine->status(), f.status(Messages::CheckStatus::LoopbackReceived));
        f.confirm(8882, "198.51.100.9&&&4000&&&1###");
        QVERIFY(f.loggingInAgain());
    }

    void onlyTheProviderMayConfirm()
    {
        CheckFixture f;
        QUdpSocket stranger;
        QVERIFY(stranger.bind(QHostAddress("127.0.0.2"), 0));
        f.checks().serverCheckTimer.setInterval(8888);
        for (quint16 channel : {8881, 8882}) {
            f.confirm(channel, "127.0.0.1&&&1234&&&0###", &stranger);
            f.confirm(channel, "198.51.100.9&&&1234&&&5###", &stranger);
        }
        QCOMPARE(f.checks().serverCheckTimer.interval(), 8888);
        QVERIFY(!f.loggingInAgain());
        f.confirm(8882, "8*888###", &stranger); // the probe comes back from anywhere
        QCOMPARE(f.engine->status(), f.status(Messages::CheckStatus::LoopbackReceived));
        f.confirm(8881, "127.0.0.1&&&1234&&&0###");
        QCOMPARE(f.checks().serverCheckTimer.interval(), 0);
    }

    void aFloodOfMismatchingConfirmationsLogsInOnce()
    {
        CheckFixture f;
        const qsizetype before = f.ordinary.received.size();
        for (int i = 0; i < 50; ++i)
            f.confirm(i % 2 ? 8881 : 8882, "198.51.100." + QByteArray::number(i) + "&&&1234&&&5###");
        QTRY_COMPARE_WITH_TIMEOUT(f.ordinary.received.size(), before + 1, 5000);
        QTest::qWait(200);
        QCOMPARE(f.ordinary.received.size(), before + 1);
    }

    // Behind carrier NAT the page and the login server see different pool
    // addresses for good: the re-logins back off. An address the page never
    // showed before is a real change and logs in at once; the log says once
    // when a re-login is held back, and until when.
    void behindAnotherNatOnlyANewAddressBeatsTheBackoff()
    {
        CheckFixture f;
        const QString page = "http://www.kelvane.example/ips.asp";
        f.fakes.http.pages.insert(page, "100.64.9.9");
        f.state.setRouterExternalAddress("100.64.1.2");
        QSignalSpy relogins(&f.checks(), &AddressChecks::reloginWanted);
        const QDateTime start = f.fakes.clock.time;
        QList<int> reloginAt;
        for (int second = 0; second < 700; second += 9) {
            if (second >= 600)
                f.fakes.http.pages.insert(page, "100.64.9.10");
            f.fakes.clock.time = start.addSecs(second);
            const qsizetype before = relogins.size();
            f.checks().runServerCheck();
            QCoreApplication::processEvents();
            if (relogins.size() > before)
                reloginAt << second;
        }
        QCOMPARE(f.line(0), f.time() + Messages::routerBehindAnotherNat(LanguageCode::Jt, "100.64.1.2"));
        QCOMPARE(reloginAt, (QList<int>{0, 63, 126, 252, 504, 630}));
        const QStringList held =
            f.engine->logLines().filter(Messages::reloginHeldBack(LanguageCode::Jt, {}).left(8));
        QCOMPARE(held.size(), 4); // once per wait, never per check
    }

    void aRouterThatStoppedAnsweringProvesNothing()
    {
        CheckFixture f("198.51.100.7");
        f.state.setRouterExternalAddress("198.51.100.9");
        f.state.setRouterAnswering(false);
        f.checks().runServerCheck();
        QCoreApplication::processEvents();
        QVERIFY(!f.loggingInAgain());
        QCOMPARE(f.line(0), f.time() + Messages::routerNotAnswering(LanguageCode::Jt));
    }

    void noProbeWhileALoginAwaitsItsReply()
    {
        CheckFixture f;
        QVERIFY(f.loginWith({}, f.ordinary)); // the fake server stays silent
        f.checks().sendProbes();
        QVERIFY(f.line(0) != f.status(Messages::CheckStatus::InternalCheckSent));
    }

    void internalCheckSendsTheProbeToTheLearnedAndPartnerPorts()
    {
        CheckFixture f;
        QUdpSocket learned;
        QUdpSocket partner;
        QVERIFY(learned.bind(QHostAddress::LocalHost, 0) && partner.bind(QHostAddress::LocalHost, 0));
        f.confirm(8881, "127.0.0.1&&&" + QByteArray::number(partner.localPort()) + "&&&5###");
        f.confirm(8882, "127.0.0.1&&&" + QByteArray::number(learned.localPort()) + "&&&5###");
        f.checks().sendProbes();
        QCOMPARE(f.line(0), f.status(Messages::CheckStatus::InternalCheckSent));
        for (QUdpSocket* socket : {&learned, &partner}) {
            QTRY_VERIFY(socket->hasPendingDatagrams());
            QCOMPARE(socket->receiveDatagram().data(), QByteArray("8*888###"));
        }
    }

    void noProbeToAPublicAddressThatIsNoAddress()
    {
        EngineFixture f;
        f.engine->checks().sendProbes();
        QCOMPARE(f.line(0),
                 f.time() + Messages::checkStatus(LanguageCode::Jt,
                                                  Messages::CheckStatus::InternalCheckNotSent, "wgip"));
    }

    void sevenUnansweredTicksEndTheInternalCycle()
    {
        {
            EngineFixture f; // "wgip": the probes go nowhere
            AddressChecks& checks = f.engine->checks();
            for (int tick = 1; tick < 7; ++tick) {
                checks.checkCycleTimer.fire();
                QCOMPARE(checks.checkCycleTimer.interval(), 3000);
            }
            checks.checkCycleTimer.fire();
            QCOMPARE(checks.checkCycleTimer.interval(), 0);
            QCOMPARE(checks.serverCheckTimer.interval(), 99000);
        }

        CheckFixture seen; // a loopback starts the count again, and the cycle ends sooner later
        seen.confirm(8882, "8*888###");
        for (int tick = 0; tick < 7; ++tick)
            seen.checks().checkCycleTimer.fire();
        QCOMPARE(seen.checks().checkCycleTimer.interval(), 3000);
        seen.checks().checkCycleTimer.fire();
        QCOMPARE(seen.checks().serverCheckTimer.interval(), 100);
    }
};

QTEST_GUILESS_MAIN(TestAddressChecks)
#include "TestAddressChecks.moc"

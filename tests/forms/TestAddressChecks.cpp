#include "LoginFixture.h"

#include "messages/Messages.h"
#include "messages/TimeStamps.h"
#include "net/TNMUDP.h"
#include "ui/EventLog.h"
#include "ui/StatusPanels.h"

#include <QCheckBox>
#include <QLabel>
#include <QNetworkDatagram>
#include <QUdpSocket>

// A primary window after a success reply in public mode, and a socket that
// plays the check host on 127.0.0.1; the router's address is set in the session.
struct CheckFixture : LoginFixture
{
    QUdpSocket checkHost;

    CheckFixture()
    {
        form->wgip = QStringLiteral("127.0.0.1");
        form->Label7->setText(form->wgip);
        // The provider's servers are played on 127.0.0.1: as if a login went there.
        session.addProviderServer(QStringLiteral("127.0.0.1"));
        checkHost.bind(QHostAddress::LocalHost, 0);
    }

    // Sends to a check channel, from the provider or `from`, and waits (bounded)
    // until the window has read it.
    void confirm(quint16 channel, const QByteArray& datagram, QUdpSocket* from = nullptr)
    {
        QUdpSocket& sender = from ? *from : checkHost;
        TNMUDP* endpoint = channel == 8881 ? form->NMUDP2.get() : form->NMUDP3.get();
        bool read = false;
        auto handler = endpoint->OnDataReceived;
        endpoint->OnDataReceived = [&](TNMUDP* sender, int bytes, const QString& from, int port) {
            read = true;
            handler(sender, bytes, from, port);
        };
        sender.writeDatagram(datagram, QHostAddress::LocalHost, channel);
        QVERIFY(QTest::qWaitFor([&] { return read; }, 5000));
        endpoint->OnDataReceived = handler;
    }

    bool loggingInAgain() const { return form->Timer4.interval() == 10 || form->Timer4.interval() == 100; }
    QString status(Messages::CheckStatus status) const
    {
        return longTime(fakes.clock.time) + Messages::checkStatus(LanguageCode::Jt, status, form->wgip);
    }
};

class TestAddressChecks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        CheckFixture f;
        QVERIFY2(f.form->NMUDP2->LocalPort() == 8881 && f.form->NMUDP3->LocalPort() == 8882,
                 "the check channel ports 8881 and 8882 must be free");
    }

    void serverCheck()
    {
        CheckFixture f;
        f.form->Timer5Timer(); // the router has not reported yet
        QCOMPARE(f.form->Timer5.interval(), 0);
        QCOMPARE(f.form->dlrz->line(0), Messages::routerNotice().at(0));
        QCOMPARE(f.form->dlrz->line(2), Messages::routerNotice().at(2));
        QCOMPARE(f.form->dlrz->lineCount(), 3); // a missing fourth line is not made

        f.form->Label7->setText("198.51.100.7");
        f.session.setRouterExternalAddress("198.51.100.7");
        f.form->Timer5Timer();
        QCOMPARE(f.form->Timer5.interval(), 8888);
        QCOMPARE(f.form->dlrz->line(0), f.status(Messages::CheckStatus::ServerCheckNoChange));

        f.session.setRouterExternalAddress("198.51.100.9");
        f.form->advertisementCounter2 = 11;
        f.form->zddr->setChecked(true);
        f.form->Timer5Timer();
        QCOMPARE(f.form->Timer5.interval(), 0);
        QCOMPARE(f.form->Timer4.interval(), 100); // through the start-up login button
        QCOMPARE(f.form->advertisementCounter2, 0);
    }

    void localCheck()
    {
        CheckFixture f;
        f.form->wgip = f.fakes.localAddress.address;
        f.form->Timer9.setInterval(3000);
        f.form->Timer9Timer();
        QCOMPARE(f.form->Timer9.interval(), 3000);
        QCOMPARE(f.form->StatusBar1->panelText(0), f.status(Messages::CheckStatus::LocalCheckTick));

        for (const QString& local : {QString("192.0.2.99"), QString()}) {
            f.fakes.localAddress.address = local;
            f.form->Timer9Timer();
            QCOMPARE(f.form->Timer9.interval(), 0);
            QCOMPARE(f.form->Timer4.interval(), 10); // through the login button
            QCOMPARE(f.form->dlrz->line(0), f.status(Messages::CheckStatus::LocalCheckChangeFound));
            f.form->Timer9.setInterval(3000);
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
        f.form->Timer5.setInterval(8888);
        f.confirm(8881, datagram);
        if (timer5 < 0) {
            QVERIFY(f.loggingInAgain());
            QCOMPARE(f.form->Timer5.interval(), 0);
        } else {
            QCOMPARE(f.form->Timer5.interval(), timer5);
            QVERIFY(!f.loggingInAgain());
        }
    }

    void secondChannelStartsTheInternalCycleAfterTwoConfirmations()
    {
        CheckFixture f;
        f.session.setRouterExternalAddress("127.0.0.1");
        f.confirm(8882, "127.0.0.1&&&4000&&&1###");
        f.form->Timer5Timer(); // one is not enough
        QCOMPARE(f.form->Timer5.interval(), 8888);
        QCOMPARE(f.form->learnedPort, 0);

        f.confirm(8882, "127.0.0.1&&&4000&&&1###");
        f.confirm(8882, "127.0.0.1&&&4001&&&1###");
        f.confirm(8882, "127.0.0.1&&&99999&&&1###"); // no port: not counted
        QCOMPARE(f.form->confirmationCount, 2);
        QCOMPARE(f.form->learnedPort, 4001);
        f.form->Timer5Timer();
        QCOMPARE(f.form->Timer5.interval(), 0);
        QCOMPARE(f.form->Timer6.interval(), 6000);
        QCOMPARE(f.form->confirmationCount, 0);

        f.confirm(8882, "127.0.0.1&&&8*888&&&1###");
        QCOMPARE(f.form->loopbackCount, 1);
        QCOMPARE(f.form->loopbackStatus, QString("ok"));
        QCOMPARE(f.form->StatusBar1->panelText(0), f.status(Messages::CheckStatus::LoopbackReceived));

        f.confirm(8882, "198.51.100.9&&&4000&&&1###");
        QVERIFY(f.loggingInAgain());
    }

    void onlyTheProviderMayConfirm()
    {
        CheckFixture f;
        QUdpSocket stranger;
        QVERIFY(stranger.bind(QHostAddress("127.0.0.2"), 0));
        f.form->Timer5.setInterval(8888);
        for (quint16 channel : {8881, 8882}) {
            f.confirm(channel, "127.0.0.1&&&1234&&&0###", &stranger);
            f.confirm(channel, "198.51.100.9&&&1234&&&5###", &stranger);
        }
        QCOMPARE(f.form->Timer5.interval(), 8888);
        QVERIFY(!f.loggingInAgain());
        QCOMPARE(f.form->confirmationCount, 0);
        f.confirm(8882, "8*888###", &stranger); // the probe comes back from anywhere
        QCOMPARE(f.form->loopbackCount, 1);
        f.confirm(8881, "127.0.0.1&&&1234&&&0###");
        QCOMPARE(f.form->Timer5.interval(), 0);
    }

    void aFloodOfMismatchingConfirmationsLogsInOnce()
    {
        CheckFixture f;
        for (int i = 0; i < 50; ++i)
            f.confirm(i % 2 ? 8881 : 8882, "198.51.100." + QByteArray::number(i) + "&&&1234&&&5###");
        QTRY_COMPARE_WITH_TIMEOUT(f.ordinary.received.size(), 1, 5000);
        QTest::qWait(200);
        QCOMPARE(f.ordinary.received.size(), 1);
    }

    // Another NAT beyond the router: its address is not the one the provider
    // sees, so the check compares with the provider's page, once a minute.
    void behindAnotherNatTheProviderPageDecides()
    {
        CheckFixture f;
        const QString page = "http://www.kelvane.example/ips.asp";
        f.fakes.http.pages.insert(page, "127.0.0.1");
        f.session.setRouterExternalAddress("100.64.1.2");
        const QDateTime start = f.fakes.clock.time;
        for (int second = 0; second < 600; second += 9) {
            f.fakes.clock.time = start.addSecs(second);
            f.form->Timer5Timer();
            QTRY_VERIFY(!f.form->webRequestsPending());
        }
        QCOMPARE(f.fakes.http.requested.size(), 10);
        QVERIFY(f.ordinary.received.isEmpty());
        QCOMPARE(f.form->dlrz->line(0), longTime(f.fakes.clock.time) +
                                            Messages::routerBehindAnotherNat(LanguageCode::Jt, "100.64.1.2"));

        f.fakes.http.pages.insert(page, "198.51.100.9"); // the public address changed
        f.fakes.clock.time = f.fakes.clock.time.addSecs(60);
        f.form->Timer5Timer();
        QTRY_COMPARE_WITH_TIMEOUT(f.ordinary.received.size(), 1, 5000);
    }

    void aRouterThatStoppedAnsweringProvesNothing()
    {
        CheckFixture f;
        f.form->Label7->setText("198.51.100.7");
        f.session.setRouterExternalAddress("198.51.100.9");
        f.session.setRouterAnswering(false);
        f.form->Timer5Timer();
        QTRY_VERIFY(!f.form->webRequestsPending());
        QVERIFY(!f.loggingInAgain());
        QCOMPARE(f.form->dlrz->line(0),
                 longTime(f.fakes.clock.time) + Messages::routerNotAnswering(LanguageCode::Jt));
    }

    void noProbeWhileALoginAwaitsItsReply()
    {
        CheckFixture f;
        f.form->learnedPort = 4000;
        f.form->Button1Click(); // the fake server stays silent
        QTRY_COMPARE_WITH_TIMEOUT(f.ordinary.received.size(), 1, 5000);
        f.form->Button2Click();
        QVERIFY(f.form->dlrz->line(0) != f.status(Messages::CheckStatus::InternalCheckSent));
    }

    void internalCheckSendsTheProbeToTheLearnedAndPartnerPorts()
    {
        CheckFixture f;
        QUdpSocket learned;
        QUdpSocket partner;
        QVERIFY(learned.bind(QHostAddress::LocalHost, 0) && partner.bind(QHostAddress::LocalHost, 0));
        f.confirm(8881, "127.0.0.1&&&" + QByteArray::number(partner.localPort()) + "&&&5###");
        f.form->learnedPort = learned.localPort();
        f.form->Button2Click();
        QCOMPARE(f.form->dlrz->line(0), f.status(Messages::CheckStatus::InternalCheckSent));
        for (QUdpSocket* socket : {&learned, &partner}) {
            QTRY_VERIFY(socket->hasPendingDatagrams());
            QCOMPARE(socket->receiveDatagram().data(), QByteArray("8*888###"));
        }

        // Never to port 0, nor to a public address that is no address.
        f.form->partnerPort = 0;
        f.form->Button2Click();
        QTRY_VERIFY(learned.hasPendingDatagrams());
        learned.receiveDatagram();
        QTest::qWait(50);
        QVERIFY(!partner.hasPendingDatagrams());
        f.form->wgip = QStringLiteral("wgip");
        f.form->Button2Click();
        QCOMPARE(f.form->dlrz->line(0), f.status(Messages::CheckStatus::InternalCheckNotSent));
    }

    void sevenUnansweredTicksEndTheInternalCycle()
    {
        for (const QString& status : {QString("ok"), QString("net")}) {
            CheckFixture f;
            f.form->loopbackStatus = status;
            f.form->wgip = QStringLiteral("wgip"); // sends nothing
            for (int tick = 1; tick < 7; ++tick) {
                f.form->Timer6Timer();
                QCOMPARE(f.form->Timer6.interval(), 3000);
            }
            f.form->Timer6Timer();
            QCOMPARE(f.form->Timer6.interval(), 0);
            QCOMPARE(f.form->Timer5.interval(), status == "ok" ? 100 : 99000);
            QCOMPARE(f.form->checkTickCount, status == "ok" ? 0 : 7);
        }
        CheckFixture f; // a loopback in between starts the count again
        for (int tick = 1; tick < 6; ++tick)
            f.form->Timer6Timer();
        f.form->loopbackCount = 1;
        f.form->Timer6Timer();
        QCOMPARE(f.form->checkTickCount, 0);
        QCOMPARE(f.form->Timer6.interval(), 3000);
    }
};

QTEST_MAIN(TestAddressChecks)
#include "TestAddressChecks.moc"

#include "LoginFixture.h"

#include "forms/TForm111.h"
#include "messages/Messages.h"
#include "messages/TimeStamps.h"
#include "net/TNMUDP.h"
#include "ui/EventLog.h"
#include "ui/StatusPanels.h"

#include <QCheckBox>
#include <QLabel>
#include <QNetworkDatagram>
#include <QUdpSocket>

// A primary window after a success reply in public mode, with the port mapping
// window beside it, and a socket that plays the check host on 127.0.0.1.
struct CheckFixture : LoginFixture
{
    std::unique_ptr<TForm111> mapping;
    QUdpSocket checkHost;

    CheckFixture()
    {
        mapping = std::make_unique<TForm111>(fakes.platform(), shell, session);
        form->wgip = QStringLiteral("127.0.0.1");
        form->Label7->setText(form->wgip);
        checkHost.bind(QHostAddress::LocalHost, 0);
    }

    // Sends to a check channel and waits (bounded) until the window has read it.
    void confirm(quint16 channel, const QByteArray& datagram)
    {
        TNMUDP* endpoint = channel == 8881 ? form->NMUDP2.get() : form->NMUDP3.get();
        bool read = false;
        auto handler = endpoint->OnDataReceived;
        endpoint->OnDataReceived = [&](TNMUDP* sender, int bytes, const QString& from, int port) {
            read = true;
            handler(sender, bytes, from, port);
        };
        checkHost.writeDatagram(datagram, QHostAddress::LocalHost, channel);
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

        f.mapping->Edit3->setText("127.0.0.1");
        f.form->Timer5Timer();
        QCOMPARE(f.form->Timer5.interval(), 8888);
        QCOMPARE(f.form->dlrz->line(0), f.status(Messages::CheckStatus::ServerCheckNoChange));

        f.mapping->Edit3->setText("198.51.100.9");
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
        QTest::newRow("huge") << QByteArray("127.0.0.1&&&1&&&2147483647###") << 8888;
        QTest::newRow("overflowing") << QByteArray("127.0.0.1&&&1&&&1073742###") << 8888;
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
        f.mapping->Edit3->setText("127.0.0.1");
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

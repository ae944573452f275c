#include "fakes/FakeClock.h"
#include "portmap/pcp/PcpPinholes.h"

#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

using namespace std::chrono_literals;
using Step = RouterMapper::PinholeStep;

// A PCP server on loopback that the test answers for; loopback stands for
// the IPv6 addresses, which the pinholes treat alike.
class TestPcpPinholes : public QObject
{
    Q_OBJECT

    FakeClock clock;
    QUdpSocket server;
    std::unique_ptr<PcpPinholes> pinholes;
    const QHostAddress loopback{QHostAddress::LocalHost};
    const int tcp8081 = PcpPinholes::idOf(Pcp::Protocol::Tcp, 8081);

    QNetworkDatagram nextRequest()
    {
        [&] { QTRY_VERIFY(server.hasPendingDatagrams()); }();
        return server.receiveDatagram();
    }
    void answer(const QNetworkDatagram& request, quint8 result, quint32 lifetime, QUdpSocket& from)
    {
        QByteArray datagram = request.data();
        datagram[1] = char(0x81);
        datagram[3] = char(result);
        qToBigEndian(lifetime, datagram.data() + 4);
        from.writeDatagram(datagram, request.senderAddress(), quint16(request.senderPort()));
    }

private slots:
    void init()
    {
        server.close();
        QVERIFY(server.bind(loopback, 0));
        pinholes = std::make_unique<PcpPinholes>(clock, server.localPort(), PcpTiming{1000, 4000, 3});
        clock.takeOverTimers();
    }

    // Opened, renewed and closed against the real daemon in the lab; here
    // what a gateway seldom sends: strangers, refusals, silence.
    void onlyTheGatewaysAnswerWithTheNonceCountsAndRefusalsEndFailed()
    {
        QSignalSpy ended(pinholes.get(), &PcpPinholes::ended);
        QVERIFY(!pinholes->send(Step::Add, 0x20000, loopback, loopback, 3600));
        QVERIFY(pinholes->send(Step::Add, tcp8081, loopback, loopback, 3600));
        QVERIFY(!pinholes->send(Step::Renew, tcp8081, loopback, loopback, 3600)); // one at a time
        const auto add = nextRequest();
        QCOMPARE(add.data().mid(36, 24),
                 QByteArray::fromHex("06000000 1f91 1f91 00000000000000000000ffff7f000001"));
        QUdpSocket stranger;
        answer(add, Pcp::Success, 3600, stranger);
        QByteArray otherNonce = add.data();
        otherNonce[24] = char(otherNonce[24] ^ 1);
        answer({otherNonce, add.senderAddress(), quint16(add.senderPort())}, Pcp::Success, 3600, server);
        answer(add, Pcp::NotAuthorized, 0, server);
        QTRY_COMPARE(ended.size(), 1);
        QCOMPARE(ended[0], (QVariantList{QVariant::fromValue(Step::Add), false, tcp8081}));

        QVERIFY(pinholes->send(Step::Add, tcp8081, loopback, loopback, 3600));
        for (int send = 0; send < 3; ++send) {
            QCOMPARE(nextRequest().data(), add.data()); // the nonce is the pinhole's
            clock.advance(4s);
        }
        QCOMPARE(ended.size(), 2);
        QCOMPARE(ended[1][1].toBool(), false);
    }

    // A refused delete asks for the shortest lease instead: the pinhole lapses soon.
    void aPinholeTheGatewayWillNotDeleteIsShortened()
    {
        QSignalSpy ended(pinholes.get(), &PcpPinholes::ended);
        QVERIFY(pinholes->send(Step::Remove, tcp8081, loopback, loopback));
        const auto removal = nextRequest();
        QCOMPARE(removal.data().mid(4, 4), QByteArray(4, '\0'));
        answer(removal, Pcp::NotAuthorized, 0, server);
        const auto shortening = nextRequest();
        QCOMPARE(shortening.data().mid(4, 4), QByteArray::fromHex("00000001"));
        QCOMPARE(shortening.data().mid(24, 12), removal.data().mid(24, 12));
        answer(shortening, Pcp::Success, 120, server);
        QTRY_COMPARE(ended.size(), 1);
        QCOMPARE(ended[0], (QVariantList{QVariant::fromValue(Step::Remove), true, tcp8081}));
    }
};

QTEST_GUILESS_MAIN(TestPcpPinholes)
#include "TestPcpPinholes.moc"

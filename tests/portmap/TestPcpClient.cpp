#include "fakes/FakeClock.h"
#include "portmap/pcp/PcpClient.h"

#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

using namespace std::chrono_literals;

// A PCP server on loopback that the test answers for; the client's timers
// run on a test clock.
class TestPcpClient : public QObject
{
    Q_OBJECT

    FakeClock clock;
    QUdpSocket server;
    std::unique_ptr<PcpClient> client;

    QNetworkDatagram nextRequest()
    {
        [&] { QTRY_VERIFY(server.hasPendingDatagrams()); }();
        return server.receiveDatagram();
    }

    // The answer the server gives to a MAP request, granting `externalPort` at 11.22.33.2.
    static QByteArray answer(QByteArray request, quint16 externalPort, quint32 lifetime, quint32 epoch,
                             quint8 result = Pcp::Success)
    {
        request[1] = char(0x81);
        request[3] = char(result);
        qToBigEndian(lifetime, request.data() + 4);
        qToBigEndian(epoch, request.data() + 8);
        request.replace(12, 12, QByteArray(12, '\0'));
        qToBigEndian(externalPort, request.data() + 42);
        return request.left(44) + QByteArray::fromHex("00000000000000000000ffff0b162102");
    }

    void reply(const QNetworkDatagram& to, const QByteArray& datagram)
    {
        server.writeDatagram(datagram, to.senderAddress(), quint16(to.senderPort()));
    }
    void grant(const QNetworkDatagram& request, quint16 externalPort, quint32 lifetime, quint32 epoch)
    {
        reply(request, answer(request.data(), externalPort, lifetime, epoch));
    }

private slots:
    void init()
    {
        server.close();
        QVERIFY(server.bind(QHostAddress::LocalHost, 0));
        client = std::make_unique<PcpClient>(clock, QHostAddress::LocalHost, server.localPort(),
                                             PcpClient::Timing{3000, 12000, 5}, 3600);
        clock.takeOverTimers();
    }

    void aMappingTakesOnlyTheServersAnswerWithItsNonceAndIsRenewedUntilDeleted()
    {
        QSignalSpy mapped(client.get(), &PcpClient::mapped);
        QSignalSpy address(client.get(), &PcpClient::externalAddressRead);
        client->map(Pcp::Protocol::Tcp, 80, 8080);
        const auto request = nextRequest();
        QCOMPARE(request.data().mid(4, 4), QByteArray::fromHex("00000e10"));
        QCOMPARE(request.data().mid(8, 16), QByteArray::fromHex("00000000000000000000ffff7f000001"));
        QUdpSocket stranger;
        stranger.writeDatagram(answer(request.data(), 9999, 3600, 1), request.senderAddress(),
                               quint16(request.senderPort()));
        QByteArray otherNonce = request.data();
        otherNonce[24] = char(otherNonce[24] ^ 1);
        reply(request, answer(otherNonce, 9998, 3600, 1));
        grant(request, 8080, 3600, 1);
        QTRY_COMPARE(mapped.size(), 1);
        QCOMPARE(mapped[0][1].value<quint16>(), 8080);
        QCOMPARE(address[0][0].toString(), "11.22.33.2");

        clock.advance(1800s);
        const auto renewal = nextRequest();
        QCOMPARE(renewal.data(), request.data()); // the same nonce keeps the mapping
        grant(renewal, 8080, 3600, 1801);
        QTRY_COMPARE(mapped.size(), 2);

        QSignalSpy unmapped(client.get(), &PcpClient::unmapped);
        client->unmap(Pcp::Protocol::Tcp, 80, 8080);
        const auto deletion = nextRequest();
        QCOMPARE(deletion.data().mid(4, 4), QByteArray(4, '\0'));
        QCOMPARE(deletion.data().mid(24, 12), request.data().mid(24, 12));
        grant(deletion, 8080, 0, 1802);
        QTRY_COMPARE(unmapped.size(), 1);
        QVERIFY(!client->holds(Pcp::Protocol::Tcp, 8080));
    }

    void aSilentGatewayIsAskedWithDoublingWaitsUpToTheCapThenGivenUp()
    {
        QSignalSpy refused(client.get(), &PcpClient::refused);
        client->map(Pcp::Protocol::Udp, 53, 53);
        const auto first = nextRequest();
        for (const auto wait : {3s, 6s, 12s, 12s}) {
            clock.advance(wait);
            QCOMPARE(nextRequest().data(), first.data());
        }
        clock.advance(11999ms);
        QVERIFY(refused.isEmpty());
        clock.advance(1ms);
        QCOMPARE(refused.size(), 1);
        QCOMPARE(refused[0][1].toInt(), -1);
    }

    void theAddressAloneComesFromAShortMappingDeletedAgain()
    {
        QSignalSpy address(client.get(), &PcpClient::externalAddressRead);
        client->requestExternalAddress();
        const auto probe = nextRequest();
        QCOMPARE(probe.data().mid(4, 4), QByteArray::fromHex("00000078"));
        grant(probe, 40000, 120, 7);
        QTRY_COMPARE(address.size(), 1);
        QCOMPARE(address[0][1].value<quint32>(), 7u);
        const auto deletion = nextRequest();
        QCOMPARE(deletion.data().mid(24, 20), probe.data().mid(24, 18) + QByteArray::fromHex("9c40"));
        QCOMPARE(deletion.data().mid(4, 4), QByteArray(4, '\0'));
    }

    void anEpochThatWentBackMapsEveryHeldMappingAgain()
    {
        QSignalSpy restarted(client.get(), &PcpClient::gatewayRestarted);
        client->map(Pcp::Protocol::Tcp, 22, 2222);
        const auto request = nextRequest();
        grant(request, 2222, 3600, 5000);
        QTRY_VERIFY(client->holds(Pcp::Protocol::Tcp, 2222));
        clock.advance(1800s);
        grant(nextRequest(), 2222, 3600, 3);
        QTRY_COMPARE(restarted.size(), 1);
        QCOMPARE(nextRequest().data(), request.data());
    }

    void aGatewayWithoutPcpEndsTheRequestAtOnce()
    {
        QSignalSpy refused(client.get(), &PcpClient::refused);
        client->map(Pcp::Protocol::Tcp, 80, 8080);
        reply(nextRequest(), QByteArray::fromHex("0081 0001 0000012c"));
        QTRY_COMPARE(refused.size(), 1);
        QCOMPARE(refused[0][1].toInt(), int(Pcp::UnsupportedVersion));
    }
};

QTEST_GUILESS_MAIN(TestPcpClient)
#include "TestPcpClient.moc"

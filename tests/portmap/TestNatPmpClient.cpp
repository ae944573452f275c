#include "portmap/NatPmpClient.h"

#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTest>

// A gateway on loopback that the test answers for.
class TestNatPmpClient : public QObject
{
    Q_OBJECT

    QUdpSocket gateway;
    std::unique_ptr<NatPmpClient> client;

    QNetworkDatagram nextRequest()
    {
        [&] { QTRY_VERIFY(gateway.hasPendingDatagrams()); }();
        return gateway.receiveDatagram();
    }

private slots:
    void init()
    {
        gateway.close();
        QVERIFY(gateway.bind(QHostAddress::LocalHost, 0));
        client = std::make_unique<NatPmpClient>(QHostAddress::LocalHost, gateway.localPort());
    }

    void aMappingIsRenewedAtHalfItsLifetimeUntilDeleted()
    {
        QSignalSpy mapped(client.get(), &NatPmpClient::mapped);
        client->map(NatPmp::Protocol::Tcp, 80, 8080);
        const auto request = nextRequest();
        QCOMPARE(request.data(), NatPmp::mapRequest(NatPmp::Protocol::Tcp, 80, 8080, 7200));
        // Another port of the gateway's address is not the gateway.
        QUdpSocket stranger;
        stranger.writeDatagram(QByteArray::fromHex("0082 0000 00000001 0050 270f 00001c20"),
                               request.senderAddress(), request.senderPort());
        gateway.writeDatagram(QByteArray::fromHex("0082 0000 00000001 0050 1f90 00000e10"),
                              request.senderAddress(), request.senderPort());
        QTRY_COMPARE(mapped.size(), 1);
        QCOMPARE(mapped[0][2].value<quint16>(), 8080);
        auto* renewal = client->renewalOf(NatPmp::Protocol::Tcp, 80);
        QCOMPARE(renewal->interval(), 1800 * 1000);
        renewal->fire();
        const auto renewing = nextRequest();
        QCOMPARE(renewing.data(), request.data());

        client->unmap(NatPmp::Protocol::Tcp, 80);
        gateway.writeDatagram(QByteArray::fromHex("0082 0000 00000002 0050 1f90 00000e10"),
                              renewing.senderAddress(), renewing.senderPort());
        QCOMPARE(nextRequest().data(), NatPmp::mapRequest(NatPmp::Protocol::Tcp, 80, 0, 0));
        QCOMPARE(client->renewalOf(NatPmp::Protocol::Tcp, 80), nullptr);
    }

    void aSilentGatewayIsAskedFourTimesWithDoublingWaits()
    {
        QSignalSpy failed(client.get(), &NatPmpClient::externalAddressFailed);
        client->requestExternalAddress();
        for (const int wait : {250, 500, 1000, 2000}) {
            QCOMPARE(client->retryTimer.interval(), wait);
            QCOMPARE(nextRequest().data(), NatPmp::externalAddressRequest());
            client->retryTimer.fire();
        }
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed[0][0].toInt(), -1);
        QVERIFY(!client->retryTimer.isRunning());
    }
};

QTEST_GUILESS_MAIN(TestNatPmpClient)
#include "TestNatPmpClient.moc"

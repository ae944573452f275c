#include "portmap/natpmp/NatPmpClient.h"

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
        QCOMPARE(mapped[0][1].value<quint16>(), 8080);
        auto* renewal = client->renewalOf(NatPmp::Protocol::Tcp, 8080);
        QCOMPARE(renewal->interval(), 1800 * 1000);
        renewal->fire();
        const auto renewing = nextRequest();
        QCOMPARE(renewing.data(), request.data());

        client->unmap(NatPmp::Protocol::Tcp, 80, 8080);
        gateway.writeDatagram(QByteArray::fromHex("0082 0000 00000002 0050 1f90 00000e10"),
                              renewing.senderAddress(), renewing.senderPort());
        QCOMPARE(nextRequest().data(), NatPmp::mapRequest(NatPmp::Protocol::Tcp, 80, 0, 0));
        QCOMPARE(client->renewalOf(NatPmp::Protocol::Tcp, 8080), nullptr);
    }

    // Two public ports to one local port are renewed apart; deleting one
    // (the gateway deletes by local port) asks for the other again.
    void mappingsSharingALocalPortAreRenewedAndKeptApart()
    {
        const auto tcp = NatPmp::Protocol::Tcp;
        QNetworkDatagram request;
        const auto exchange = [&](const QByteArray& expected, const char* answer) {
            request = nextRequest();
            QCOMPARE(request.data(), expected);
            gateway.writeDatagram(QByteArray::fromHex(answer), request.senderAddress(), request.senderPort());
        };
        client->map(tcp, 80, 8080);
        exchange(NatPmp::mapRequest(tcp, 80, 8080, 7200), "0082 0000 00000001 0050 1f90 00000e10");
        client->map(tcp, 80, 8081);
        exchange(NatPmp::mapRequest(tcp, 80, 8081, 7200), "0082 0000 00000001 0050 1f91 00000e10");
        QTRY_VERIFY(client->renewalOf(tcp, 8081));
        client->renewalOf(tcp, 8080)->fire();
        exchange(NatPmp::mapRequest(tcp, 80, 8080, 7200), "0082 0000 00000002 0050 1f90 00000e10");
        client->unmap(tcp, 80, 8081);
        exchange(NatPmp::mapRequest(tcp, 80, 0, 0), "0082 0000 00000003 0050 0000 00000000");
        QCOMPARE(nextRequest().data(), NatPmp::mapRequest(tcp, 80, 8080, 7200));
        QVERIFY(!client->renewalOf(tcp, 8081));
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

#include "OwnNetworkNamespace.h"
#include "platform/LocalAddress.h"

#include <QTest>

class TestDefaultRouteSource : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QString why;
        if (!enterOwnNetworkNamespace(&why))
            QSKIP(qPrintable(why));
        QVERIFY(ipBatch({QStringLiteral("link set lo up")}));
    }

    void noRouteGivesNothing() { QCOMPARE(defaultRouteSourceAddress(), std::nullopt); }

    void theLanCardWinsOverABridgeListedAfterIt()
    {
        QVERIFY(
            ipBatch({QStringLiteral("link add lan0 type veth peer name lan1"),
                     QStringLiteral("address add 10.77.0.2/24 dev lan0"), QStringLiteral("link set lan0 up"),
                     QStringLiteral("link set lan1 up"), QStringLiteral("route add default via 10.77.0.1"),
                     // A container bridge, as a container engine makes it after the network is up.
                     QStringLiteral("link add docker0 type bridge"),
                     QStringLiteral("address add 172.17.0.1/16 dev docker0"),
                     QStringLiteral("link set docker0 up")}));
        QCOMPARE(defaultRouteSourceAddress(), std::optional<std::uint32_t>(0x0A4D0002));
    }
};

QTEST_GUILESS_MAIN(TestDefaultRouteSource)
#include "TestDefaultRouteSource.moc"

#include "platform/DefaultGateway.h"

#include <QTest>

// Addresses as a little-endian kernel prints them.
class TestDefaultGateway : public QObject
{
    Q_OBJECT

private slots:
    void gatewayOfTheDefaultRoute_data()
    {
        const QByteArray head =
            "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<QString>("gateway");
        QTest::newRow("default") << head + "eth0\t00000000\t014DA8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
                                 << "192.168.77.1";
        QTest::newRow("lowest metric wins")
            << head + "wlan0\t00000000\t0100000A\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
                      "eth0\t00000000\t014DA8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
            << "192.168.77.1";
        QTest::newRow("subnet route only")
            << head + "eth0\t004DA8C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
            << "";
        QTest::newRow("route down") << head + "eth0\t00000000\t014DA8C0\t0002\t0\t0\t100\t00000000\t0\t0\t0\n"
                                    << "";
        QTest::newRow("junk") << head + "eth0\t0000000000\tzz\t0003\n\t\t\n"
                              << "";
        QTest::newRow("empty") << QByteArray() << "";
    }

    void gatewayOfTheDefaultRoute()
    {
        QFETCH(QByteArray, table);
        QFETCH(QString, gateway);
        QCOMPARE(defaultGateway(table).value_or(QString()), gateway);
    }

    void ipv6GatewayOfTheDefaultRoute_data()
    {
        const QByteArray zero(32, '0');
        const auto route = [&zero](const char* hop, const char* metric, const char* flags,
                                   const char* device) {
            return zero + " 00 " + zero + " 00 " + hop + ' ' + metric + " 00000001 00000000 " + flags + "  " +
                   device + '\n';
        };
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<QString>("gateway");
        QTest::newRow("global") << route("20010db8007700000000000000000001", "00000400", "00000003", "lan0")
                                << "2001:db8:77::1";
        QTest::newRow("link-local names its interface, lowest metric")
            << route("20010db8007700000000000000000001", "00000400", "00000003", "eth1") +
                   route("fe800000000000000000000000000001", "00000100", "00450003", "eth0")
            << "fe80::1%eth0";
        QTest::newRow("down") << route("20010db8007700000000000000000001", "00000400", "00000002", "lan0")
                              << "";
        QTest::newRow("junk") << QByteArray(zero + " 00 zz\n\n") << "";
    }

    void ipv6GatewayOfTheDefaultRoute()
    {
        QFETCH(QByteArray, table);
        QTEST(defaultGatewayIPv6(table).value_or(QString()), "gateway");
    }
};

QTEST_GUILESS_MAIN(TestDefaultGateway)
#include "TestDefaultGateway.moc"

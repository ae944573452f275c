#include "platform/LocalAddress.h"

#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>

#include <memory>

using Addresses = std::vector<std::uint32_t>;

class TestLocalAddress : public QObject
{
    Q_OBJECT

private slots:
    void chooseLocalAddress_data()
    {
        QTest::addColumn<std::optional<Addresses>>("lookedUp");
        QTest::addColumn<std::optional<std::uint32_t>>("defaultRoute");
        QTest::addColumn<Addresses>("interfaces");
        QTest::addColumn<QString>("chosen");
        const std::optional<std::uint32_t> noRoute;
        const std::optional<std::uint32_t> lanRoute = 0x0A4D0002; // 10.77.0.2
        QTest::newRow("last looked-up address") << std::optional(Addresses{0xC0A80105, 0x0A000007})
                                                << lanRoute << Addresses{0xAC100001} << "10.0.0.7";
        QTest::newRow("any address the look-up gives")
            << std::optional(Addresses{0xFF000A01}) << noRoute << Addresses{} << "255.0.10.1";
        // Not every address is loopback: no fallback, even when the last one is.
        QTest::newRow("loopback last among others") << std::optional(Addresses{0x0A000007, 0x7F000101})
                                                    << lanRoute << Addresses{0xC0A80105} << "127.0.1.1";
        QTest::newRow("only loopback: the default route's source")
            << std::optional(Addresses{0x7F000101}) << lanRoute << Addresses{0xAC110001, 0x0A4D0002}
            << "10.77.0.2";
        QTest::newRow("only loopback, no route: first interface")
            << std::optional(Addresses{0x7F000101}) << noRoute << Addresses{0xC0A80105, 0x0A000007}
            << "192.168.1.5";
        QTest::newRow("several loopback, no route") << std::optional(Addresses{0x7F000001, 0x7F000101})
                                                    << noRoute << Addresses{0xC0A80105} << "192.168.1.5";
        QTest::newRow("only loopback, nothing else")
            << std::optional(Addresses{0x7F000101}) << noRoute << Addresses{} << "127.0.0.1";
        QTest::newRow("failed look-up")
            << std::optional<Addresses>() << lanRoute << Addresses{0xC0A80105} << QString();
        QTest::newRow("empty look-up")
            << std::optional(Addresses{}) << lanRoute << Addresses{0xC0A80105} << QString();
    }

    void chooseLocalAddress()
    {
        QFETCH(std::optional<Addresses>, lookedUp);
        QFETCH(std::optional<std::uint32_t>, defaultRoute);
        QFETCH(Addresses, interfaces);
        QFETCH(QString, chosen);
        QCOMPARE(::chooseLocalAddress(lookedUp, defaultRoute, interfaces), chosen);
    }

    void localEndOfAConnection()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress(QStringLiteral("127.0.0.2")), 0));
        QTcpSocket client;
        client.connectToHost(QHostAddress(QStringLiteral("127.0.0.2")), server.serverPort());
        QVERIFY(client.waitForConnected(5000));
        QCOMPARE(socketLocalAddress(int(client.socketDescriptor())), QStringLiteral("127.0.0.1"));
        QVERIFY(server.waitForNewConnection(5000));
        std::unique_ptr<QTcpSocket> accepted(server.nextPendingConnection());
        QCOMPARE(socketLocalAddress(int(accepted->socketDescriptor())), QStringLiteral("127.0.0.2"));
    }

    void socketWithoutAddress()
    {
        QUdpSocket anyAddress;
        QVERIFY(anyAddress.bind(QHostAddress::AnyIPv4, 0));
        QCOMPARE(socketLocalAddress(int(anyAddress.socketDescriptor())), QString());
        QCOMPARE(socketLocalAddress(-1), QString());
    }

    void realLookUpGivesDottedQuadOrNothing()
    {
        const QString address = HostNameLocalAddress().localAddress();
        static const QRegularExpression dotted(QStringLiteral("^(\\d{1,3}\\.){3}\\d{1,3}$"));
        QVERIFY2(address.isEmpty() || dotted.match(address).hasMatch(), qPrintable(address));
    }
};

QTEST_GUILESS_MAIN(TestLocalAddress)
#include "TestLocalAddress.moc"

#include "platform/LocalAddress.h"

#include <QRegularExpression>
#include <QTest>

using Addresses = std::vector<std::uint32_t>;

class TestLocalAddress : public QObject
{
    Q_OBJECT

private slots:
    void lastListedAddressWins()
    {
        QCOMPARE(chooseLocalAddress(Addresses{0xC0A80105, 0x0A000007}, {0xAC100001}), "10.0.0.7");
        QCOMPARE(chooseLocalAddress(Addresses{0xFF000A01}, {}), "255.0.10.1");
        // Not every address is loopback: no fallback, even when the last one is.
        QCOMPARE(chooseLocalAddress(Addresses{0x0A000007, 0x7F000101}, {0xC0A80105}), "127.0.1.1");
    }

    void onlyLoopbackFallsBackToInterfaces()
    {
        QCOMPARE(chooseLocalAddress(Addresses{0x7F000101}, {0xC0A80105, 0x0A000007}), "10.0.0.7");
        QCOMPARE(chooseLocalAddress(Addresses{0x7F000001, 0x7F000101}, {0xC0A80105}), "192.168.1.5");
        QCOMPARE(chooseLocalAddress(Addresses{0x7F000101}, {}), "127.0.0.1");
    }

    void failedLookUpGivesEmptyText()
    {
        QCOMPARE(chooseLocalAddress(std::nullopt, {0xC0A80105}), QString());
        QCOMPARE(chooseLocalAddress(Addresses{}, {0xC0A80105}), QString());
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

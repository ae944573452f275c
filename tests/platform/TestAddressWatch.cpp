#include "OwnNetworkNamespace.h"
#include "platform/AddressWatch.h"

#include <QSignalSpy>
#include <QTest>

class TestAddressWatch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QString why;
        if (!enterOwnNetworkNamespace(&why))
            QSKIP(qPrintable(why));
        QVERIFY(ipBatch(
            {QStringLiteral("link set lo up"), QStringLiteral("link add w0 type veth peer name w1")}));
    }

    void nothingHeardWhileNothingChanges()
    {
        NetlinkAddressWatch watch;
        QSignalSpy changed(&watch, &AddressWatch::changed);
        QVERIFY(!changed.wait(1500));
    }

    void aNewAddressIsHeardOnce()
    {
        NetlinkAddressWatch watch;
        QSignalSpy changed(&watch, &AddressWatch::changed);
        QVERIFY(ipBatch({QStringLiteral("address add 10.88.0.2/24 dev w0")}));
        QVERIFY(changed.wait(2000));
        QVERIFY(!changed.wait(1000));
        QCOMPARE(changed.count(), 1);
    }

    void aLinkComingUpWithItsRoutesIsHeardOnce()
    {
        NetlinkAddressWatch watch;
        QSignalSpy changed(&watch, &AddressWatch::changed);
        // Apart, as DHCP and the link's own messages come: each its own read.
        for (const char* command : {"link set w0 up", "link set w1 up", "route add default via 10.88.0.1",
                                    "address add 10.88.0.3/24 dev w0"}) {
            QVERIFY(ipBatch({QString::fromLatin1(command)}));
            QTest::qWait(100);
        }
        QVERIFY(changed.wait(2000));
        QVERIFY(!changed.wait(1000));
        QCOMPARE(changed.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestAddressWatch)
#include "TestAddressWatch.moc"

#include "portmap/AnnouncementRate.h"
#include "portmap/natpmp/NatPmpAnnouncements.h"

#include <QTest>

class TestNatPmpAnnouncements : public QObject
{
    Q_OBJECT

private slots:
    void onlyAWellFormedAnnouncementFromTheGatewayCounts_data()
    {
        const QByteArray natPmp = QByteArray::fromHex("0080 0000 00000000 0b162102");
        const QByteArray pcp = QByteArray::fromHex("0280 0000 00000000 00000000") + QByteArray(12, '\0');
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QString>("sender");
        QTest::addColumn<int>("senderPort");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("NAT-PMP, from the gateway") << natPmp << "192.168.77.1" << 5351 << true;
        QTest::newRow("PCP ANNOUNCE, from the gateway") << pcp << "192.168.77.1" << 5351 << true;
        QTest::newRow("another host") << natPmp << "192.168.77.20" << 5351 << false;
        QTest::newRow("another port of the gateway") << natPmp << "192.168.77.1" << 5350 << false;
        QTest::newRow("NAT-PMP refusal") << QByteArray::fromHex("0080 0003 00000000 00000000") << "192.168.77.1"
                                         << 5351 << false;
        QTest::newRow("NAT-PMP cut short") << natPmp.left(11) << "192.168.77.1" << 5351 << false;
        QTest::newRow("PCP MAP answer") << pcp.left(1) + "\x81" + pcp.mid(2) << "192.168.77.1" << 5351 << false;
    }

    void onlyAWellFormedAnnouncementFromTheGatewayCounts()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(QString, sender);
        QFETCH(int, senderPort);
        QFETCH(bool, accepted);
        QCOMPARE(NatPmpAnnouncements::accepted(datagram, QHostAddress(sender), quint16(senderPort),
                                               QHostAddress(QStringLiteral("192.168.77.1")), 5351),
                 accepted);
    }

    // Seconds after the first announcement at which more arrive, and which are acted on.
    void announcementsAreActedOnAtMostOnceAMinute_data()
    {
        QTest::addColumn<QList<int>>("arrivals");
        QTest::addColumn<QList<bool>>("acted");
        QTest::newRow("a burst") << QList<int>{0, 0, 1, 3, 59} << QList<bool>{true, false, false, false, false};
        QTest::newRow("a minute apart") << QList<int>{0, 60, 119, 120} << QList<bool>{true, true, false, true};
        QTest::newRow("clock set back") << QList<int>{100, 10, 20, 70} << QList<bool>{true, true, false, true};
    }

    void announcementsAreActedOnAtMostOnceAMinute()
    {
        QFETCH(QList<int>, arrivals);
        QFETCH(QList<bool>, acted);
        AnnouncementRate rate;
        QList<bool> got;
        for (const int second : arrivals)
            got << rate.admit(QDateTime(QDate(2024, 5, 1), QTime(12, 0)).addSecs(second));
        QCOMPARE(got, acted);
    }
};

QTEST_GUILESS_MAIN(TestNatPmpAnnouncements)
#include "TestNatPmpAnnouncements.moc"

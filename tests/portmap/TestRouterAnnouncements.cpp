#include "portmap/upnp/RouterAnnouncements.h"

#include <QTest>

using Meaning = RouterAnnouncements::Meaning;

class TestRouterAnnouncements : public QObject
{
    Q_OBJECT

private slots:
    void onlyTheRouterItselfAndARestartCount()
    {
        RouterAnnouncements router;
        router.setRouter(
            {"192.168.77.1", "uuid:3d3c-d07b::upnp:rootdevice", "http://192.168.77.1:5000/d.xml", "7"});
        const auto take = [&](const QByteArray& nts, const QByteArray& boot, const QByteArray& more = {},
                              const QString& sender = "192.168.77.1") {
            const auto announcement =
                SsdpNotify::read("NOTIFY * HTTP/1.1\r\nLOCATION: http://192.168.77.1:5000/d.xml"
                                 "\r\nUSN: uuid:3d3c-d07b::upnp:rootdevice\r\nnts: ssdp:" +
                                 nts + "\r\nBOOTID.UPNP.ORG: " + boot + "\r\n" + more);
            return announcement ? router.take(*announcement, sender) : Meaning::Nothing;
        };
        QCOMPARE(take("alive", "8", {}, "192.168.77.20"), Meaning::Nothing);
        QCOMPARE(take("alive", "8", "USN: uuid:other\r\n"), Meaning::Nothing);
        QCOMPARE(take("gone", "8"), Meaning::Nothing);
        QCOMPARE(take("alive", "7"), Meaning::Nothing);
        QCOMPARE(take("alive", "8"), Meaning::Restarted);
        QCOMPARE(take("alive", "8"), Meaning::Nothing);
        QCOMPARE(take("byebye", "x"), Meaning::Nothing);
        QCOMPARE(take("alive", "8"), Meaning::Restarted);
        // An update names the next boot: the alive of that boot is no restart.
        QCOMPARE(take("update", "8", "NEXTBOOTID.UPNP.ORG: 9\r\n"), Meaning::Nothing);
        QCOMPARE(take("alive", "9"), Meaning::Nothing);
        QCOMPARE(take("alive", "9", "LOCATION: http://192.168.77.1:4012/d.xml\r\n"),
                 Meaning::DescriptionMoved);
    }
};

QTEST_APPLESS_MAIN(TestRouterAnnouncements)
#include "TestRouterAnnouncements.moc"

#include "portmap/RouterAnnouncements.h"

#include <QTest>

namespace {

using Meaning = RouterAnnouncements::Meaning;

// As miniupnpd 2.3.1 sends them, shortened.
QByteArray notify(const QByteArray& nts, const QByteArray& bootId = "7",
                  const QByteArray& location = "http://192.168.77.1:5000/rootDesc.xml",
                  const QByteArray& uuid = "uuid:3d3c-d07b")
{
    return "NOTIFY * HTTP/1.1\r\nLOCATION: " + location + "\r\nNT: upnp:rootdevice\r\nUSN: " + uuid +
           "::upnp:rootdevice\r\nnts: " + nts + "\r\nBOOTID.UPNP.ORG: " + bootId + "\r\n\r\n";
}

} // namespace

class TestRouterAnnouncements : public QObject
{
    Q_OBJECT

private slots:
    void onlyTheRouterItselfAndARestartCount()
    {
        RouterAnnouncements router;
        router.setRouter({"192.168.77.1", "uuid:3d3c-d07b::upnp:rootdevice",
                          "http://192.168.77.1:5000/rootDesc.xml", "7"});
        const auto take = [&](const QByteArray& datagram, const QString& sender = "192.168.77.1") {
            const auto announcement = SsdpNotify::read(datagram);
            return announcement ? router.take(*announcement, sender) : Meaning::Nothing;
        };
        QCOMPARE(take(notify("ssdp:alive", "8"), "192.168.77.20"), Meaning::Nothing);
        QCOMPARE(take(notify("ssdp:alive", "8", "http://192.168.77.1:5000/rootDesc.xml", "uuid:other")),
                 Meaning::Nothing);
        for (const QByteArray& garbled :
             {notify("ssdp:gone", "8"), notify("ssdp:alive", "8").replace("NOTIFY", "HTTP/"),
              notify("ssdp:alive", "8").replace("USN", QByteArray("\0", 1))})
            QCOMPARE(take(garbled), Meaning::Nothing);
        QCOMPARE(take(notify("ssdp:alive")), Meaning::Nothing);
        QCOMPARE(take(notify("ssdp:alive", "8")), Meaning::Restarted);
        QCOMPARE(take(notify("ssdp:alive", "8")), Meaning::Nothing);
        QCOMPARE(take(notify("ssdp:byebye", "x")), Meaning::Nothing);
        QCOMPARE(take(notify("ssdp:alive", "8")), Meaning::Restarted);
        // An update names the next boot: the alive of that boot is no restart.
        QCOMPARE(take(notify("ssdp:update", "8") + "NEXTBOOTID.UPNP.ORG: 9\r\n"), Meaning::Nothing);
        QCOMPARE(take(notify("ssdp:alive", "9")), Meaning::Nothing);
        QCOMPARE(take(notify("ssdp:alive", "9", "http://192.168.77.1:40123/rootDesc.xml")),
                 Meaning::DescriptionMoved);
    }
};

QTEST_APPLESS_MAIN(TestRouterAnnouncements)
#include "TestRouterAnnouncements.moc"

#include "portmap/RouterAnnouncements.h"
#include "portmap/SsdpNotify.h"

#include <QTest>

namespace {

using Meaning = RouterAnnouncements::Meaning;

const QString Router = QStringLiteral("192.168.77.1");

// As miniupnpd 2.3.1 sends them.
QByteArray notify(const QByteArray& nts, const QByteArray& bootId = "7",
                  const QByteArray& location = "http://192.168.77.1:5000/rootDesc.xml",
                  const QByteArray& uuid = "uuid:3d3cec3a-8cf0-11e0-98ee-001a6bd2d07b")
{
    return "NOTIFY * HTTP/1.1\r\nHOST: 239.255.255.250:1900\r\nCACHE-CONTROL: max-age=120\r\nLOCATION: " +
           location + "\r\nSERVER: Debian UPnP/1.1 MiniUPnPd/2.3.1\r\nNT: upnp:rootdevice\r\nUSN: " + uuid +
           "::upnp:rootdevice\r\nNTS: " + nts +
           "\r\nOPT: \"http://schemas.upnp.org/upnp/1/0/\"; ns=01\r\n"
           "01-NLS: " +
           bootId + "\r\nBOOTID.UPNP.ORG: " + bootId + "\r\nCONFIGID.UPNP.ORG: 1337\r\n\r\n";
}

RouterAnnouncements known()
{
    RouterAnnouncements announcements;
    announcements.setRouter({Router, "uuid:3d3cec3a-8cf0-11e0-98ee-001a6bd2d07b::upnp:rootdevice",
                             "http://192.168.77.1:5000/rootDesc.xml", "7"});
    return announcements;
}

Meaning take(RouterAnnouncements& announcements, const QByteArray& datagram, const QString& sender = Router)
{
    const auto announcement = SsdpNotify::read(datagram);
    return announcement ? announcements.take(*announcement, sender) : Meaning::Nothing;
}

} // namespace

class TestRouterAnnouncements : public QObject
{
    Q_OBJECT

private slots:
    void readsTheHeadersThatMatter()
    {
        const auto alive = SsdpNotify::read(notify("ssdp:alive"));
        QVERIFY(alive);
        QCOMPARE(alive->kind, SsdpNotify::Announcement::Alive);
        QCOMPARE(alive->udn, QByteArray("uuid:3d3cec3a-8cf0-11e0-98ee-001a6bd2d07b"));
        QCOMPARE(alive->location, QByteArray("http://192.168.77.1:5000/rootDesc.xml"));
        QCOMPARE(alive->bootId, std::optional<quint32>(7));
        QCOMPARE(SsdpNotify::read(notify("ssdp:byebye", "x"))->bootId, std::nullopt);
        const auto update = SsdpNotify::read("NOTIFY * HTTP/1.1\r\nusn: uuid:a\r\nnts: ssdp:update\r\n"
                                             "BOOTID.UPNP.ORG: 7\r\nNEXTBOOTID.UPNP.ORG: 8\r\n\r\n");
        QCOMPARE(update->bootId, std::optional<quint32>(8));
        for (const QByteArray& other :
             {QByteArray("HTTP/1.1 200 OK\r\nUSN: uuid:a\r\nNTS: ssdp:alive\r\n"),
              QByteArray("M-SEARCH * HTTP/1.1\r\nUSN: uuid:a\r\nNTS: ssdp:alive\r\n"), notify("ssdp:gone"),
              notify("ssdp:alive", "1", "l", "urn:x"),
              notify("ssdp:alive").replace("USN", QByteArray("U\0N", 3))})
            QVERIFY2(!SsdpNotify::read(other), other.constData());
    }

    void onlyTheRouterItselfCounts()
    {
        RouterAnnouncements announcements = known();
        QCOMPARE(take(announcements, notify("ssdp:alive", "8"), "192.168.77.20"), Meaning::Nothing);
        QCOMPARE(take(announcements, notify("ssdp:alive", "8", "http://192.168.77.1:5000/rootDesc.xml",
                                            "uuid:another-device")),
                 Meaning::Nothing);
        QCOMPARE(take(announcements, notify("ssdp:alive")), Meaning::Nothing);
        QCOMPARE(RouterAnnouncements().take(*SsdpNotify::read(notify("ssdp:byebye")), Router),
                 Meaning::Nothing);
    }

    void aRestartIsANewBootOrAByeByeThenAnAlive()
    {
        RouterAnnouncements announcements = known();
        QCOMPARE(take(announcements, notify("ssdp:alive", "8")), Meaning::Restarted);
        QCOMPARE(take(announcements, notify("ssdp:alive", "8")), Meaning::Nothing);
        QCOMPARE(take(announcements, notify("ssdp:byebye", "8")), Meaning::Nothing);
        QCOMPARE(take(announcements, notify("ssdp:alive", "8")), Meaning::Restarted);
        QCOMPARE(take(announcements, notify("ssdp:alive", "8", "http://192.168.77.1:40123/rootDesc.xml")),
                 Meaning::DescriptionMoved);
        QCOMPARE(take(announcements, notify("ssdp:alive", "8", "http://192.168.77.1:40123/rootDesc.xml")),
                 Meaning::Nothing);
    }
};

QTEST_APPLESS_MAIN(TestRouterAnnouncements)
#include "TestRouterAnnouncements.moc"

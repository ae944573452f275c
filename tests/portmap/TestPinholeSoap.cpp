#include "portmap/upnp/PinholeSoap.h"

#include <QTest>

namespace {

QByteArray answer(const QByteArray& status, const QByteArray& body)
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: text/xml\r\n\r\n<s:Envelope><s:Body>" + body +
           "</s:Body></s:Envelope>";
}

QByteArray added(const QByteArray& id)
{
    return answer("200 OK",
                  "<u:AddPinholeResponse xmlns:u=\"urn:schemas-upnp-org:service:WANIPv6FirewallControl:1\">"
                  "<UniqueID>" +
                      id + "</UniqueID></u:AddPinholeResponse>");
}

} // namespace

class TestPinholeSoap : public QObject
{
    Q_OBJECT

private slots:
    void uniqueId_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<int>("id"); // -1: no pinhole
        QTest::newRow("good") << added("17") << 17;
        QTest::newRow("zero") << added("0") << 0;
        QTest::newRow("highest") << added("65535") << 65535;
        QTest::newRow("blanks") << added(" \r\n42\t") << 42;
        QTest::newRow("prefixed") << answer("200 OK", "<m:UniqueID>9</m:UniqueID>") << 9;
        QTest::newRow("out of range") << added("65536") << -1;
        QTest::newRow("huge") << added("99999999999999999999") << -1;
        QTest::newRow("negative") << added("-1") << -1;
        QTest::newRow("hex") << added("0x10") << -1;
        QTest::newRow("empty") << added("") << -1;
        QTest::newRow("nested") << added("<b>5</b>") << -1;
        QTest::newRow("no end tag") << answer("200 OK", "<UniqueID>5") << -1;
        QTest::newRow("missing") << answer("200 OK", "<u:AddPinholeResponse/>") << -1;
        QTest::newRow("fault") << answer("500 Internal Server Error",
                                         "<s:Fault><detail><UPnPError><errorCode>606</errorCode>"
                                         "<errorDescription>Action not authorized</errorDescription>"
                                         "</UPnPError></detail></s:Fault><UniqueID>3</UniqueID>")
                               << -1;
        QTest::newRow("garbage") << QByteArray("\x00\xff<UniqueID>1</UniqueID>", 24) << -1;
        QTest::newRow("nothing") << QByteArray() << -1;
    }

    void uniqueId()
    {
        QFETCH(QByteArray, response);
        QTEST(PinholeSoap::uniqueId(response).value_or(-1), "id");
    }

    void requestsNameTheFirewallService()
    {
        const SoapRequest::Target target{"http://[::1]:5000/ctl/IP6FCtl", "192.168.77.1", 5000,
                                         PinholeSoap::Service};
        const QByteArray add = PinholeSoap::addPinhole(target, "2001:db8:1::10", 8080, "UDP", 3600);
        QVERIFY(add.startsWith("POST /ctl/IP6FCtl HTTP/1.0\r\n"));
        QVERIFY(
            add.contains("SoapAction: \"urn:schemas-upnp-org:service:WANIPv6FirewallControl:1#AddPinhole\""));
        QVERIFY(
            add.contains("<RemotePort>0</RemotePort>\r\n<InternalClient>2001:db8:1::10</InternalClient>\r\n"
                         "<InternalPort>8080</InternalPort>\r\n<Protocol>17</Protocol>\r\n"
                         "<LeaseTime>3600</LeaseTime>"));
        QVERIFY(PinholeSoap::updatePinhole(target, 7, 120)
                    .contains("<UniqueID>7</UniqueID>\r\n<NewLeaseTime>120</NewLeaseTime>"));
        QVERIFY(PinholeSoap::deletePinhole(target, 7).contains("#DeletePinhole\""));
    }
};

QTEST_APPLESS_MAIN(TestPinholeSoap)
#include "TestPinholeSoap.moc"

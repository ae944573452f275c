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
        QTest::newRow("highest") << added("65535") << 65535;
        QTest::newRow("blanks") << added(" \r\n42\t") << 42;
        QTest::newRow("prefixed") << answer("200 OK", "<m:UniqueID>9</m:UniqueID>") << 9;
        QTest::newRow("out of range") << added("65536") << -1;
        QTest::newRow("hex") << added("0x10") << -1;
        QTest::newRow("nested") << added("<b>5</b>") << -1;
        QTest::newRow("no end tag") << answer("200 OK", "<UniqueID>5") << -1;
        QTest::newRow("missing") << answer("200 OK", "<u:AddPinholeResponse/>") << -1;
        QTest::newRow("fault") << answer("500 Internal Server Error",
                                         "<errorCode>606</errorCode><UniqueID>3</UniqueID>")
                               << -1;
        QTest::newRow("garbage") << QByteArray("\x00\xff<UniqueID>1</UniqueID>", 24) << -1;
    }

    void uniqueId()
    {
        QFETCH(QByteArray, response);
        QTEST(PinholeSoap::uniqueId(response).value_or(-1), "id");
    }
};

QTEST_APPLESS_MAIN(TestPinholeSoap)
#include "TestPinholeSoap.moc"

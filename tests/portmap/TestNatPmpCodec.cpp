#include "portmap/natpmp/NatPmpCodec.h"

#include <QTest>

namespace {

// Blanks between the fields only help the reader: fromHex skips them.
QByteArray bytes(const char* hex)
{
    return QByteArray::fromHex(hex);
}

} // namespace

class TestNatPmpCodec : public QObject
{
    Q_OBJECT

private slots:
    void natPmpRequests()
    {
        QCOMPARE(NatPmp::externalAddressRequest(), bytes("0000"));
        QCOMPARE(NatPmp::mapRequest(NatPmp::Protocol::Tcp, 80, 8080, 7200),
                 bytes("0002 0000 0050 1f90 00001c20"));
        QCOMPARE(NatPmp::mapRequest(NatPmp::Protocol::Udp, 53, 0, 0), bytes("0001 0000 0035 0000 00000000"));
    }

    void natPmpAnswers_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QString>("read"); // what the readers made of it
        QTest::newRow("address") << bytes("0080 0000 0000012c cb007105 ff") << "address 0 203.0.113.5";
        QTest::newRow("address refused") << bytes("0080 0003 0000012c") << "address 3 ";
        QTest::newRow("address cut") << bytes("0080 0000 0000012c cb0071") << "";
        QTest::newRow("request echoed") << bytes("0000 0000 0000012c cb007105") << "";
        QTest::newRow("tcp") << bytes("0082 0000 0000012c 0050 1f90 00001c20") << "tcp 0 80 8080 7200";
        QTest::newRow("udp") << bytes("0081 0000 0000012c 0035 0035 00000e10") << "udp 0 53 53 3600";
        QTest::newRow("map refused") << bytes("0082 0002 0000012c") << "tcp 2 0 0 0";
        QTest::newRow("map cut") << bytes("0082 0000 0000012c 0050 1f90 00001c") << "";
        QTest::newRow("version 2") << bytes("0280 0000 0000012c cb007105") << "";
        QTest::newRow("version refused") << bytes("0081 0001 00000010") << "udp 1 0 0 0";
    }

    void natPmpAnswers()
    {
        QFETCH(QByteArray, datagram);
        QString read;
        if (const auto reply = NatPmp::readExternalAddress(datagram))
            read = QString("address %1 %2").arg(reply->result).arg(reply->address);
        if (const auto reply = NatPmp::readMap(datagram))
            read = QString("%1 %2 %3 %4 %5")
                       .arg(reply->protocol == NatPmp::Protocol::Udp ? "udp" : "tcp")
                       .arg(reply->result)
                       .arg(reply->internalPort)
                       .arg(reply->externalPort)
                       .arg(reply->lifetimeSeconds);
        QTEST(read, "read");
    }

    void restartFromEpoch()
    {
        QVERIFY(!NatPmp::gatewayRestarted(300, 311, 11000));
        QVERIFY(!NatPmp::gatewayRestarted(300, 308, 11000)); // a slow clock, within the tolerance
        QVERIFY(NatPmp::gatewayRestarted(300, 3, 11000));
        QVERIFY(NatPmp::gatewayRestarted(300, 305, 3600000)); // up again an hour later
    }
};

QTEST_GUILESS_MAIN(TestNatPmpCodec)
#include "TestNatPmpCodec.moc"

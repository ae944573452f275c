#include "portmap/NatPmpCodec.h"
#include "portmap/PcpCodec.h"

#include <QTest>

namespace {

QByteArray bytes(const char* hex)
{
    return QByteArray::fromHex(hex);
}

const char* const nonceHex = "0102030405060708090a0b0c";

} // namespace

class TestNatPmpCodec : public QObject
{
    Q_OBJECT

private slots:
    void natPmpRequests()
    {
        QCOMPARE(NatPmp::externalAddressRequest(), bytes("0000"));
        QCOMPARE(NatPmp::mapRequest(NatPmp::Protocol::Tcp, 80, 8080, 7200), bytes("00020000"
                                                                                  "0050"
                                                                                  "1f90"
                                                                                  "00001c20"));
        QCOMPARE(NatPmp::mapRequest(NatPmp::Protocol::Udp, 53, 0, 0), bytes("00010000"
                                                                            "0035"
                                                                            "0000"
                                                                            "00000000"));
    }

    void natPmpExternalAddress_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<bool>("read");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("address");
        QTest::newRow("success") << bytes("00800000"
                                          "0000012c"
                                          "cb007105")
                                 << true << 0 << "203.0.113.5";
        QTest::newRow("trailing bytes") << bytes("00800000"
                                                 "0000012c"
                                                 "cb007105ff")
                                        << true << 0 << "203.0.113.5";
        QTest::newRow("refusal head only") << bytes("00800003"
                                                    "0000012c")
                                           << true << 3 << "";
        QTest::newRow("success cut") << bytes("00800000"
                                              "0000012c"
                                              "cb0071")
                                     << false << 0 << "";
        QTest::newRow("head cut") << bytes("00800000"
                                           "000001")
                                  << false << 0 << "";
        QTest::newRow("request echoed") << bytes("00000000"
                                                 "0000012c"
                                                 "cb007105")
                                        << false << 0 << "";
        QTest::newRow("map answer") << bytes("00820000"
                                             "0000012c"
                                             "cb007105")
                                    << false << 0 << "";
        QTest::newRow("version 2") << bytes("02800000"
                                            "0000012c"
                                            "cb007105")
                                   << false << 0 << "";
    }

    void natPmpExternalAddress()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(bool, read);
        const auto reply = NatPmp::readExternalAddress(datagram);
        QCOMPARE(reply.has_value(), read);
        if (!reply)
            return;
        QTEST(int(reply->result), "result");
        QTEST(reply->address, "address");
        QCOMPARE(reply->epoch, 300u);
    }

    void natPmpMap_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<bool>("read");
        QTest::addColumn<bool>("udp");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("externalPort");
        QTest::addColumn<uint>("lifetime");
        QTest::newRow("tcp") << bytes("00820000"
                                      "00000010"
                                      "0050"
                                      "1f90"
                                      "00001c20")
                             << true << false << 0 << 8080 << 7200u;
        QTest::newRow("udp") << bytes("00810000"
                                      "00000010"
                                      "0035"
                                      "0035"
                                      "00000e10")
                             << true << true << 0 << 53 << 3600u;
        QTest::newRow("refused") << bytes("00820002"
                                          "00000010")
                                 << true << false << 2 << 0 << 0u;
        QTest::newRow("success cut") << bytes("00820000"
                                              "00000010"
                                              "0050"
                                              "1f90"
                                              "00001c")
                                     << false << false << 0 << 0 << 0u;
        QTest::newRow("external op") << bytes("00800000"
                                              "00000010"
                                              "0050"
                                              "1f90"
                                              "00001c20")
                                     << false << false << 0 << 0 << 0u;
        QTest::newRow("op 3") << bytes("00830000"
                                       "00000010"
                                       "0050"
                                       "1f90"
                                       "00001c20")
                              << false << false << 0 << 0 << 0u;
        QTest::newRow("empty") << QByteArray() << false << false << 0 << 0 << 0u;
    }

    void natPmpMap()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(bool, read);
        const auto reply = NatPmp::readMap(datagram);
        QCOMPARE(reply.has_value(), read);
        if (!reply)
            return;
        QTEST(reply->protocol == NatPmp::Protocol::Udp, "udp");
        QTEST(int(reply->result), "result");
        QTEST(int(reply->externalPort), "externalPort");
        QTEST(reply->lifetimeSeconds, "lifetime");
    }

    void versionRefusal()
    {
        QVERIFY(NatPmp::refusesVersion(bytes("00810001"
                                             "00000010")));
        QVERIFY(!NatPmp::refusesVersion(bytes("00810000"
                                              "00000010")));
        QVERIFY(!NatPmp::refusesVersion(bytes("00010001"
                                              "00000010")));
        QVERIFY(!NatPmp::refusesVersion(bytes("008100")));
    }

    void pcpMapRequest()
    {
        Pcp::MapRequest request{bytes(nonceHex), Pcp::Protocol::Tcp, 80, 8080, 7200, "192.168.77.10"};
        QCOMPARE(Pcp::mapRequest(request),
                 bytes("02010000"
                       "00001c20"
                       "00000000000000000000ffff"
                       "c0a84d0a" // header
                       "0102030405060708090a0b0c"
                       "06000000"
                       "0050"
                       "1f90" // MAP
                       "00000000000000000000ffff"
                       "00000000"));
        request.nonce.chop(1);
        QVERIFY(Pcp::mapRequest(request).isEmpty());
        request.nonce = bytes(nonceHex);
        request.clientAddress = "gateway";
        QVERIFY(Pcp::mapRequest(request).isEmpty());
    }

    void pcpMapReply_data()
    {
        const QByteArray header = bytes("02810000"
                                        "00001c20"
                                        "0000012c"
                                        "000000000000000000000000");
        const QByteArray map = bytes(nonceHex) + bytes("11000000"
                                                       "0035"
                                                       "0035"
                                                       "00000000000000000000ffff"
                                                       "cb007105");
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<bool>("read");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("externalAddress");
        QTest::newRow("success") << header + map << true << 0 << "203.0.113.5";
        QTest::newRow("success cut") << header + map.chopped(1) << false << 0 << "";
        QTest::newRow("refusal header only") << bytes("02810008") + header.mid(4) << true << 8 << "";
        QTest::newRow("not mapped v4") << header + map.left(20) + QByteArray(16, '\x20') << true << 0 << "";
        QTest::newRow("protocol 1") << header + map.left(12) + bytes("01") + map.mid(13) << false << 0 << "";
        QTest::newRow("request") << bytes("0201") + header.mid(2) + map << false << 0 << "";
        QTest::newRow("nat-pmp") << bytes("00810001"
                                          "00000010")
                                 << false << 0 << "";
    }

    void pcpMapReply()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(bool, read);
        const auto reply = Pcp::readMap(datagram);
        QCOMPARE(reply.has_value(), read);
        if (!reply)
            return;
        QTEST(int(reply->result), "result");
        QTEST(reply->externalAddress, "externalAddress");
        QCOMPARE(reply->lifetimeSeconds, 7200u);
        QCOMPARE(reply->epoch, 300u);
    }

    void pcpAnswerMatchesItsRequest()
    {
        const Pcp::MapRequest request{bytes(nonceHex), Pcp::Protocol::Udp, 53, 53, 7200, "192.168.77.10"};
        Pcp::MapReply reply{0, 7200, 1, bytes(nonceHex), Pcp::Protocol::Udp, 53, 53, "203.0.113.5"};
        QVERIFY(Pcp::answers(reply, request));
        reply.internalPort = 54;
        QVERIFY(!Pcp::answers(reply, request));
        reply.internalPort = 53;
        reply.nonce[0] = 'x';
        QVERIFY(!Pcp::answers(reply, request));
    }
};

QTEST_GUILESS_MAIN(TestNatPmpCodec)
#include "TestNatPmpCodec.moc"

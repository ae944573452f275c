#include "portmap/pcp/PcpCodec.h"

#include <QTest>

namespace {

// Blanks between the fields only help the reader: fromHex skips them.
QByteArray bytes(const char* hex)
{
    return QByteArray::fromHex(hex);
}

const Pcp::Nonce nonce{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

QByteArray request(Pcp::Protocol protocol, quint16 internal, quint16 external, quint32 lifetime, const char* client,
                   const char* suggested = nullptr)
{
    return Pcp::mapRequest({{protocol, internal, external}, lifetime, nonce, QHostAddress(client),
                            suggested ? QHostAddress(suggested) : QHostAddress()});
}

// A MAP answer: lifetime 7200, epoch 300, 80 -> 8080 at 11.22.33.2.
QByteArray mapAnswer(const char* result = "00", const char* protocol = "06")
{
    return bytes("0281 00") + bytes(result) + bytes("00001c20 0000012c 000000000000000000000000") +
           bytes("0102030405060708090a0b0c") + bytes(protocol) +
           bytes("000000 0050 1f90 00000000000000000000ffff 0b162102");
}

QByteArray option(int length)
{
    return bytes("0100") + char(length >> 8) + char(length & 0xff) + QByteArray((length + 3) / 4 * 4, 'x');
}

} // namespace

class TestPcpCodec : public QObject
{
    Q_OBJECT

private slots:
    void mapRequests()
    {
        const char* nonceAt24 = "0102030405060708090a0b0c";
        QCOMPARE(request(Pcp::Protocol::Tcp, 80, 8080, 7200, "192.168.77.10"),
                 bytes("0201 0000 00001c20 00000000000000000000ffff c0a84d0a") + bytes(nonceAt24) +
                     bytes("06 000000 0050 1f90 00000000000000000000ffff 00000000"));
        QCOMPARE(request(Pcp::Protocol::Udp, 53, 5353, 60, "192.168.77.10", "11.22.33.2"),
                 bytes("0201 0000 0000003c 00000000000000000000ffff c0a84d0a") + bytes(nonceAt24) +
                     bytes("11 000000 0035 14e9 00000000000000000000ffff 0b162102"));
        QCOMPARE(request(Pcp::Protocol::Udp, 53, 0, 0, "2001:db8::10"),
                 bytes("0201 0000 00000000 20010db8000000000000000000000010") + bytes(nonceAt24) +
                     bytes("11 000000 0035 0000 00000000000000000000000000000000"));
    }

    void answers_data()
    {
        const QByteArray map = mapAnswer();
        const QByteArray announce = bytes("0280 0000 00000000 0000012c 000000000000000000000000");
        const QString mapRead = "map 0 7200 300 tcp 80 8080 11.22.33.2 nonce";
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QString>("read"); // what the readers made of it
        QTest::newRow("map") << map << mapRead;
        QTest::newRow("map udp, IPv6") << mapAnswer("00", "11").left(44) + bytes("20010db8000000000000000000000001")
                                       << "map 0 7200 300 udp 80 8080 2001:db8::1 nonce";
        QTest::newRow("map refused") << mapAnswer("08") << "map 8 7200 300 tcp 80 8080 11.22.33.2 nonce";
        QTest::newRow("options skipped") << map + option(4) + option(1) << mapRead;
        QTest::newRow("1100 bytes") << map + option(1036) << mapRead;
        QTest::newRow("1104 bytes") << map + option(1040) << "";
        QTest::newRow("option past the end") << map + option(8).left(8) << "";
        QTest::newRow("length not a multiple of 4") << map + char(0) << "";
        QTest::newRow("shorter than the header") << announce.left(20) << "";
        QTest::newRow("map payload cut") << map.left(56) << "";
        QTest::newRow("version 1") << bytes("01") + map.mid(1) << "";
        QTest::newRow("request, no R bit") << bytes("0201") + map.mid(2) << "";
        QTest::newRow("unknown opcode") << bytes("0283") + map.mid(2) << "";
        QTest::newRow("protocol neither TCP nor UDP") << mapAnswer("00", "01") << "";
        QTest::newRow("peer answer") << bytes("0282") + map.mid(2) + QByteArray(20, '\0') << "";
        QTest::newRow("announce") << announce + option(4) << "announce 300";
        QTest::newRow("announce refused") << bytes("0280 0001") + announce.mid(4) << "";
        QTest::newRow("NAT-PMP refuses the version") << bytes("0081 0001 0000012c") << "refuses version";
        QTest::newRow("NAT-PMP success") << bytes("0080 0000 0000012c 0b162102") << "";
    }

    void answers()
    {
        QFETCH(QByteArray, datagram);
        QString read;
        if (const auto a = Pcp::readMap(datagram))
            read = QString("map %1 %2 %3 %4 %5 %6 %7 %8")
                       .arg(a->result)
                       .arg(a->lifetimeSeconds)
                       .arg(a->epoch)
                       .arg(a->protocol == Pcp::Protocol::Udp ? "udp" : "tcp")
                       .arg(a->internalPort)
                       .arg(a->externalPort)
                       .arg(a->externalAddress.toString(), a->nonce == nonce ? "nonce" : "other nonce");
        if (const auto epoch = Pcp::readAnnounce(datagram))
            read = QString("announce %1").arg(*epoch);
        if (Pcp::refusesVersion(datagram))
            read = "refuses version";
        QTEST(read, "read");
    }

    void lostStateFromEpoch()
    {
        QVERIFY(!Pcp::gatewayLostState(300, 311, 11000));
        QVERIFY(!Pcp::gatewayLostState(300, 299, 0)); // back by one second
        QVERIFY(Pcp::gatewayLostState(300, 298, 0));
        QVERIFY(Pcp::gatewayLostState(300, 3, 11000));
        QVERIFY(!Pcp::gatewayLostState(300, 3675, 3600000)); // slow, within 1/16
        QVERIFY(Pcp::gatewayLostState(300, 305, 3600000)); // up again an hour later
        QVERIFY(Pcp::gatewayLostState(300, 4000, 11000)); // ran ahead
    }
};

QTEST_GUILESS_MAIN(TestPcpCodec)
#include "TestPcpCodec.moc"

#include "portmap/MappingLine.h"

#include <QTest>

using namespace MappingLine;

class TestMappingLine : public QObject
{
    Q_OBJECT

private slots:
    void lineIsBuiltWithTwoBlanksAroundTheProtocol()
    {
        QCOMPARE(make("203.0.113.5", "8080", "TCP", "192.168.1.100", "80"),
                 QString("203.0.113.5:8080  TCP  192.168.1.100:80"));
        QCOMPARE(protocolField("UDP"), QString("  UDP  "));
    }

    void portsOfALine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("isMapping");
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<int>("publicPort");
        QTest::addColumn<int>("localPort");
        QTest::newRow("tcp") << "203.0.113.5:8080  TCP  192.168.1.100:80" << true << "TCP" << 8080 << 80;
        QTest::newRow("udp") << "0.0.0.0:53  UDP  10.0.0.5:5353" << true << "UDP" << 53 << 5353;
        QTest::newRow("blanks dropped") << "1.2.3.4: 8 0  TCP  5.6.7.8 : 2 2 " << true << "TCP" << 80 << 22;
        QTest::newRow("tabs dropped") << "1.2.3.4:80\tTCP\t5.6.7.8:\t22" << true << "TCP" << 80 << 22;
        QTest::newRow("TCP anywhere wins") << "1.2.3.4:53  UDP  TCPHOST:53" << false << "" << 0 << 0;
        QTest::newRow("no protocol") << "1.2.3.4:80  SCTP? no  5.6.7.8:80" << false << "" << 0 << 0;
        QTest::newRow("no colon") << "hand-typed note" << false << "" << 0 << 0;
        QTest::newRow("colon after word") << "TCP 1.2.3.4:80" << false << "" << 0 << 0;
        QTest::newRow("no local colon") << "1.2.3.4:80  TCP  5.6.7.8" << false << "" << 0 << 0;
        QTest::newRow("port 0") << "1.2.3.4:0  TCP  5.6.7.8:80" << false << "" << 0 << 0;
        QTest::newRow("port 65536") << "1.2.3.4:80  TCP  5.6.7.8:65536" << false << "" << 0 << 0;
        QTest::newRow("port 65535") << "1.2.3.4:65535  TCP  5.6.7.8:1" << true << "TCP" << 65535 << 1;
        QTest::newRow("signed port") << "1.2.3.4:+80  TCP  5.6.7.8:80" << false << "" << 0 << 0;
        QTest::newRow("letters") << "1.2.3.4:http  TCP  5.6.7.8:80" << false << "" << 0 << 0;
        QTest::newRow("empty") << "" << false << "" << 0 << 0;
    }

    void portsOfALine()
    {
        QFETCH(QString, line);
        QFETCH(bool, isMapping);
        const auto ports = MappingLine::ports(line);
        QCOMPARE(ports.has_value(), isMapping);
        if (!ports)
            return;
        QTEST(ports->protocol, "protocol");
        QTEST(ports->publicPort, "publicPort");
        QTEST(ports->localPort, "localPort");
    }
};

QTEST_GUILESS_MAIN(TestMappingLine)
#include "TestMappingLine.moc"

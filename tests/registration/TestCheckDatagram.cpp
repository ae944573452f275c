#include "registration/CheckDatagram.h"
#include "registration/StoredPassword.h"

#include <QTest>

class TestCheckDatagram : public QObject
{
    Q_OBJECT

private slots:
    void confirmationFields_data()
    {
        QTest::addColumn<QString>("datagram");
        QTest::addColumn<QString>("address"); // "-": none
        QTest::addColumn<int>("port");        // 0: none
        QTest::addColumn<int>("intervalMs");  // -1: none
        QTest::newRow("full") << "203.0.113.5&&&1234&&&5###"
                              << "203.0.113.5" << 1234 << 10000;
        QTest::newRow("more text") << "203.0.113.5&&&1234&&&5###x&&&9###"
                                   << "203.0.113.5" << 1234 << 10000;
        QTest::newRow("interval 0") << "a&&&80&&&0###"
                                    << "a" << 80 << 0;
        QTest::newRow("15 minutes") << "a&&&80&&&450###"
                                    << "a" << 80 << 900000;
        QTest::newRow("a day counts as 15 minutes") << "a&&&80&&&43200###"
                                                    << "a" << 80 << 900000;
        QTest::newRow("negative") << "a&&&-80&&&-5###"
                                  << "a" << 0 << -1;
        QTest::newRow("overflow") << "a&&&99999999999999999999&&&2147483647###"
                                  << "a" << 0 << 900000;
        QTest::newRow("too long for a number") << "a&&&80&&&99999999999999999999###"
                                               << "a" << 80 << -1;
        QTest::newRow("port 65536") << "a&&&65536&&&1###"
                                    << "a" << 0 << 2000;
        QTest::newRow("no ###") << "a&&&80&&&5"
                                << "a" << 80 << -1;
        QTest::newRow("### too early") << "a&&&80###&&&5"
                                       << "a" << 0 << -1;
        QTest::newRow("bare separator") << "&&&"
                                        << "" << 0 << -1;
        QTest::newRow("no separator") << "203.0.113.5"
                                      << "-" << 0 << -1;
        QTest::newRow("letters") << "a&&&eighty&&&five###"
                                 << "a" << 0 << -1;
        QTest::newRow("long address")
            << QString(10000, u'9') + "&&&1&&&1###" << QString(10000, u'9') << 1 << 2000;
    }

    void confirmationFields()
    {
        QFETCH(QString, datagram);
        QFETCH(QString, address);
        QFETCH(int, port);
        QFETCH(int, intervalMs);
        QCOMPARE(CheckDatagram::address(datagram).value_or("-"), address);
        QCOMPARE(CheckDatagram::port(datagram).value_or(0), port);
        QCOMPARE(CheckDatagram::intervalMs(datagram).value_or(-1), intervalMs);
    }

    void loopbackIsFoundInsideOtherText()
    {
        QCOMPARE(CheckDatagram::loopbackProbe, QByteArray("8*888###"));
        QVERIFY(CheckDatagram::isLoopback("8*888###"));
        QVERIFY(CheckDatagram::isLoopback("1.2.3.4&&&8*888&&&1###"));
        QVERIFY(!CheckDatagram::isLoopback("8*88"));
    }

    void storedPasswordsRoundTrip()
    {
        QCOMPARE(StoredPassword::encode("abc", u'1', u'2'), QString("abc"));
        QCOMPARE(StoredPassword::encode("abcd", u'1', u'2'), QString("a1b2cd"));
        const QString twenty = QStringLiteral("密码-0123456789abcdef");
        for (const QString& password : {QString("abc"), QString("abcd"), twenty}) {
            const QString stored = StoredPassword::encode(password, u'8', u'0');
            QCOMPARE(stored.size(), password.size() > 3 ? password.size() + 2 : password.size());
            QCOMPARE(StoredPassword::decode(stored), password);
        }
    }
};

QTEST_GUILESS_MAIN(TestCheckDatagram)
#include "TestCheckDatagram.moc"

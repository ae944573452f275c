#include "portmap/upnp/GatewayText.h"

#include <QTest>

using namespace GatewayText;

class TestGatewayText : public QObject
{
    Q_OBJECT

private slots:
    void foldingChangesOnlyAsciiLetters()
    {
        QCOMPARE(foldUpper("Location: http://a.b/\xe4\xb8\xad"),
                 QByteArray("LOCATION: HTTP://A.B/\xe4\xb8\xad"));
        QCOMPARE(foldUpper(QByteArray("\xe0\xff{", 3)), QByteArray("\xe0\xff{", 3));
    }

    void trimmingDropsControlCharactersAtBothEnds()
    {
        QCOMPARE(trimBlanks(QByteArray(" \t\x01 value x\r\n\0", 14)), QByteArray("value x"));
        QCOMPARE(trimBlanks(" \r\n"), QByteArray());
        QCOMPARE(trimBlanks("\xa0x\xa0"), QByteArray("\xa0x\xa0")); // high bytes are not blanks
    }

    void wholeNumber_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("value"); // -999 stands for "not a number"
        QTest::newRow("plain") << QByteArray("1900") << 1900;
        QTest::newRow("leading spaces") << QByteArray("   80") << 80;
        QTest::newRow("signs") << QByteArray("+7") << 7;
        QTest::newRow("negative") << QByteArray("-5") << -5;
        QTest::newRow("dollar hex") << QByteArray("$1F") << 31;
        QTest::newRow("x hex") << QByteArray("X50") << 80;
        QTest::newRow("0x hex") << QByteArray("0x1388") << 5000;
        QTest::newRow("negative hex") << QByteArray("-$10") << -16;
        QTest::newRow("zero") << QByteArray("0") << 0;
        QTest::newRow("int max") << QByteArray("2147483647") << 2147483647;
        QTest::newRow("int min") << QByteArray("-2147483648") << int(-2147483647 - 1);
        QTest::newRow("empty") << QByteArray() << -999;
        QTest::newRow("only spaces") << QByteArray("  ") << -999;
        QTest::newRow("trailing blank") << QByteArray("80 ") << -999;
        QTest::newRow("leading tab") << QByteArray("\t80") << -999;
        QTest::newRow("sign alone") << QByteArray("-") << -999;
        QTest::newRow("prefix alone") << QByteArray("0x") << -999;
        QTest::newRow("letters") << QByteArray("80a") << -999;
        QTest::newRow("hex digit in decimal") << QByteArray("1F") << -999;
        QTest::newRow("overflow") << QByteArray("2147483648") << -999;
        QTest::newRow("hex overflow") << QByteArray("$FFFFFFFF") << -999;
        QTest::newRow("many digits") << QByteArray(500, '9') << -999;
    }

    void wholeNumber()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, value);
        QCOMPARE(GatewayText::wholeNumber(text).value_or(-999), value);
    }
};

QTEST_GUILESS_MAIN(TestGatewayText)
#include "TestGatewayText.moc"

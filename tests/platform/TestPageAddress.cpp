#include "platform/PageAddress.h"

#include <QTest>

class TestPageAddress : public QObject
{
    Q_OBJECT

private slots:
    void thePasswordNeverReachesTheLog_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("logged");
        QTest::newRow("among others") << "http://h/kaitong1.asp?aaa=1&login=a.example&passwd=secret&x=2"
                                      << "http://h/kaitong1.asp?aaa=1&login=a.example&passwd=***&x=2";
        QTest::newRow("first and last") << "http://h/p.asp?PASSWD=s%26t" << "http://h/p.asp?PASSWD=***";
        QTest::newRow("empty") << "http://h/p.asp?passwd=&a=1" << "http://h/p.asp?passwd=***&a=1";
        QTest::newRow("a longer name is another") << "http://h/p.asp?oldpasswd=x" << "http://h/p.asp?oldpasswd=x";
        QTest::newRow("none") << "http://h/ips.asp" << "http://h/ips.asp";
    }

    void thePasswordNeverReachesTheLog()
    {
        QFETCH(QString, url);
        QFETCH(QString, logged);
        QCOMPARE(pageAddressForLog(url), logged);
    }
};

QTEST_GUILESS_MAIN(TestPageAddress)
#include "TestPageAddress.moc"

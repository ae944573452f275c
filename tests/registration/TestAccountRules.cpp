#include "messages/Messages.h"
#include "registration/AccountRules.h"

#include <QTest>

using namespace AccountRules;

class TestAccountRules : public QObject
{
    Q_OBJECT

private slots:
    void accountCodes_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("accountType");
        QTest::addColumn<QString>("message");
        QTest::newRow("paying") << "0"
                                << "6" << Messages::payingUser();
        QTest::newRow("free") << "1"
                              << "0" << Messages::freeUser();
        QTest::newRow("test") << "5"
                              << "0" << Messages::testUser();
        QTest::newRow("other") << "2"
                               << "0" << QString();
        QTest::newRow("short reply") << ""
                                     << "0" << QString();
    }

    void accountCodes()
    {
        QFETCH(QString, code);
        QFETCH(QString, accountType);
        QFETCH(QString, message);
        QCOMPARE(accountTypeFor(code), accountType);
        QCOMPARE(isPayingUser(code), accountType == "6");
        QCOMPARE(accountMessage(code).value_or(QString()), message);
    }

    void expiryTexts_data()
    {
        QTest::addColumn<QString>("expiry");
        QTest::addColumn<bool>("markers");
        QTest::addColumn<QString>("primary");
        QTest::addColumn<QString>("primaryRepeated");
        QTest::addColumn<QString>("secondary");
        const QString p = Messages::expiryPrefix();
        QTest::newRow("date") << "2027-01-01" << true << p + "2027-01-01" << p + "2027-01-01"
                              << p + "2027-01-01";
        QTest::newRow("dot") << " . " << true << " . " << p + " . "
                             << " . ";
        QTest::newRow("empty between markers") << "" << true << "" << p << p;
        QTest::newRow("no markers") << "" << false << ""
                                    << "" << p;
    }

    void expiryTexts()
    {
        QFETCH(QString, expiry);
        QFETCH(bool, markers);
        LoginExchange::Reply reply;
        reply.expiry = expiry;
        reply.hasExpiryMarkers = markers;
        QTEST(primaryExpiry(reply), "primary");
        QTEST(primaryRepeatedLoginExpiry(reply), "primaryRepeated");
        QTEST(secondaryExpiry(reply), "secondary");
    }
};

QTEST_GUILESS_MAIN(TestAccountRules)
#include "TestAccountRules.moc"

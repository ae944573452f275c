#include "registration/ReloginBackoff.h"

#include <QTest>

class TestReloginBackoff : public QObject
{
    Q_OBJECT

private slots:
    // Asked every second for an hour: when it lets a re-login go.
    void reloginsThatChangeNothingWaitTwiceAsLongEachTime()
    {
        ReloginBackoff backoff;
        const QDateTime start(QDate(2026, 12, 7), QTime(9, 0));
        QList<int> allowedAt;
        for (int second = 0; second < 3600; ++second)
            if (backoff.allow(start.addSecs(second)))
                allowedAt << second;
        QCOMPARE(allowedAt, (QList<int>{0, 30, 90, 210, 450, 930, 1890}));
        QVERIFY(!backoff.allow(start.addSecs(3600)));
        QVERIFY(backoff.allow(start.addSecs(1890 + 1800)));
        QVERIFY(backoff.allow(start.addSecs(1890 + 3600))); // never longer than 30 minutes
    }

    void aChangedAddressLetsTheNextReloginGoAtOnce()
    {
        ReloginBackoff backoff;
        const QDateTime now(QDate(2026, 12, 7), QTime(9, 0));
        QVERIFY(backoff.allow(now));
        QVERIFY(!backoff.allow(now.addSecs(29)));
        backoff.reset();
        QVERIFY(backoff.allow(now.addSecs(29)));
        QVERIFY(!backoff.allow(now.addSecs(58)));
        QVERIFY(backoff.allow(now.addSecs(59)));
    }
};

QTEST_GUILESS_MAIN(TestReloginBackoff)
#include "TestReloginBackoff.moc"

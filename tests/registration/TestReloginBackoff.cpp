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
            if (backoff.allow(start.addSecs(second), "198.51.100.7"))
                allowedAt << second;
        QCOMPARE(allowedAt, (QList<int>{0, 30, 90, 210, 450, 930, 1890}));
        QVERIFY(!backoff.allow(start.addSecs(3600), "198.51.100.7"));
        QVERIFY(backoff.allow(start.addSecs(1890 + 1800), "198.51.100.7"));
        QVERIFY(backoff.allow(start.addSecs(1890 + 3600), "198.51.100.7")); // never longer than 30 minutes
    }

    void aChangedAddressLetsTheNextReloginGoAtOnce()
    {
        ReloginBackoff backoff;
        const QDateTime now(QDate(2026, 12, 7), QTime(9, 0));
        QVERIFY(backoff.allow(now, "198.51.100.7"));
        QVERIFY(!backoff.allow(now.addSecs(29), "198.51.100.7"));
        backoff.reset();
        QVERIFY(backoff.allow(now.addSecs(29), "198.51.100.7"));
        QVERIFY(!backoff.allow(now.addSecs(58), "198.51.100.7"));
        QVERIFY(backoff.allow(now.addSecs(59), "198.51.100.7"));
    }

    // Behind carrier NAT the page and the server disagree for good; when the
    // page then shows an address of its own, that is a change, not a repeat.
    void anAddressNotSeenBeforeGoesAtOnceEvenAfterALongBackoff()
    {
        ReloginBackoff backoff;
        const QDateTime start(QDate(2026, 12, 7), QTime(9, 0));
        for (int second : {0, 30, 90, 210, 450})
            QVERIFY(backoff.allow(start.addSecs(second), "100.64.0.1"));
        QVERIFY(!backoff.allow(start.addSecs(600), "100.64.0.1"));
        QVERIFY(backoff.allow(start.addSecs(601), "100.64.0.2"));
        QVERIFY(!backoff.allow(start.addSecs(610), "100.64.0.3")); // never twice within 10 s
        QVERIFY(!backoff.allow(start.addSecs(700), "100.64.0.2"));
    }
};

QTEST_GUILESS_MAIN(TestReloginBackoff)
#include "TestReloginBackoff.moc"

#include "portmap/RouterRecovery.h"

#include <QTest>

class TestRouterRecovery : public QObject
{
    Q_OBJECT

private slots:
    void searchesBackOffTo120Seconds()
    {
        RouterRecovery recovery;
        QList<int> pauses;
        for (int search = 0; search < 6; ++search)
            pauses << recovery.nextSearchDelayMs();
        QCOMPARE(pauses, (QList<int>{5000, 10000, 20000, 40000, 120000, 120000}));
        recovery.searchSoon();
        QCOMPARE(recovery.nextSearchDelayMs(), 5000);
        recovery.nextSearchDelayMs();
        recovery.found();
        QCOMPARE(recovery.nextSearchDelayMs(), 5000);
    }

    void anOutageIsReportedOnceAtEachEnd()
    {
        RouterRecovery recovery;
        QVERIFY(!recovery.found());
        QVERIFY(recovery.lost());
        QVERIFY(!recovery.lost());
        QVERIFY(recovery.inOutage());
        QVERIFY(recovery.found());
        QVERIFY(!recovery.found());
    }

    void theThirdFailedPollInARowOrOneWithoutAnswerMeansLost()
    {
        RouterRecovery recovery;
        QVERIFY(!recovery.pollFailed(true));
        QVERIFY(!recovery.pollFailed(true));
        recovery.found();
        QVERIFY(!recovery.pollFailed(true));
        QVERIFY(!recovery.pollFailed(true));
        QVERIFY(recovery.pollFailed(true));
        QVERIFY(recovery.pollFailed(false));
    }
};

QTEST_GUILESS_MAIN(TestRouterRecovery)
#include "TestRouterRecovery.moc"

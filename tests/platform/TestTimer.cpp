#include "platform/Timer.h"

#include <QElapsedTimer>
#include <QTest>

class TestTimer : public QObject
{
    Q_OBJECT

private slots:
    void zeroIntervalStopsAndNonZeroStarts()
    {
        int ticks = 0;
        Timer timer([&] { ++ticks; });
        QVERIFY(!timer.isRunning());
        timer.setInterval(5);
        QVERIFY(timer.isRunning());
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 2000); // repeats until stopped
        timer.setInterval(0);
        QCOMPARE(timer.interval(), 0);
        const int stoppedAt = ticks;
        QTest::qWait(30);
        QCOMPARE(ticks, stoppedAt);
    }

    void handlerMayStopItselfAndArmAnother()
    {
        int first = 0;
        int second = 0;
        Timer next([&] { ++second; });
        Timer timer;
        timer.setOnTimer([&] {
            timer.setInterval(0);
            ++first;
            next.setInterval(1);
        });
        timer.setInterval(1);
        QTRY_COMPARE_WITH_TIMEOUT(second >= 1, true, 2000);
        QCOMPARE(first, 1);
        next.setInterval(0);
    }

    void settingAnIntervalRestartsTheCount()
    {
        int ticks = 0;
        Timer timer([&] { ++ticks; });
        timer.setInterval(200);
        // Re-arming before it fires pushes the tick further out each time.
        for (int i = 0; i < 5; ++i) {
            QTest::qWait(50);
            timer.setInterval(200);
        }
        QCOMPARE(ticks, 0);
        timer.setInterval(0);
    }

    void negativeIntervalCountsAsStopped()
    {
        Timer timer([] {});
        timer.setInterval(-5);
        QVERIFY(!timer.isRunning());
    }
};

QTEST_GUILESS_MAIN(TestTimer)
#include "TestTimer.moc"

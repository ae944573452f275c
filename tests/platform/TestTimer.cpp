#include "fakes/FakeClock.h"
#include "platform/Timer.h"

#include <QTest>

#include <memory>

using namespace std::chrono_literals;

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

    // Each tick at its own time, in order, and what a handler arms counts
    // from that tick; a timer a handler ends does not tick again.
    void aTestClockRunsTheTicksDueOnTheWayInOrder()
    {
        FakeClock clock;
        clock.takeOverTimers();
        const QDateTime start = clock.now();
        QStringList ticks;
        const auto at = [&](const char* name) {
            ticks << QString("%1@%2").arg(name).arg(start.msecsTo(clock.now()));
        };
        auto doomed = std::make_unique<Timer>(clock, [&] { at("doomed"); });
        Timer every30(clock, [&] { at("30"); });
        Timer once(clock);
        once.setOnTimer([&] {
            at("once");
            once.setInterval(0);
            every30.setInterval(25); // from now on, every 25 ms
            doomed.reset();
        });
        every30.setInterval(30);
        once.setInterval(50);
        doomed->setInterval(60);
        Timer stopped(clock, [&] { at("stopped"); });
        stopped.setInterval(10);
        stopped.setInterval(0);
        clock.advance(100ms);
        QCOMPARE(ticks, QStringList({"30@30", "once@50", "30@75", "30@100"}));
        QCOMPARE(start.msecsTo(clock.now()), 100);
    }

    void aTestClockTakesOverTimersAlreadyRunning()
    {
        FakeClock clock;
        int ticks = 0;
        Timer timer(clock, [&] { ++ticks; });
        timer.setInterval(1000);
        clock.takeOverTimers();
        QTest::qWait(50);
        clock.advance(999ms);
        QCOMPARE(ticks, 0);
        clock.advance(2001ms);
        QCOMPARE(ticks, 3);
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

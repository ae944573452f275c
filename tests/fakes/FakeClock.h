#pragma once

#include "platform/Clock.h"

#include <QDateTime>

#include <chrono>
#include <vector>

class FakeTicker;

// A test's clock: `time` is what now() says, moved by the test. Its timers
// tick in real time until takeOverTimers(); from then on they tick only when
// advance() moves the time past them, each at its own time and in order, so
// that a test looks at what was sent, logged and stored, not at intervals.
class FakeClock final : public Clock
{
public:
    FakeClock() = default;
    ~FakeClock() override;
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    QDateTime time = QDateTime(QDate(2026, 12, 7), QTime(9, 5, 3));

    QDateTime now() const override { return time; }
    std::unique_ptr<Ticker> ticker(std::function<void()> onTick) override;

    // Timers running in real time stop and count from now on this clock.
    void takeOverTimers();
    // Moves the time on, running every tick due on the way at its own time,
    // and after each the events it posted. A tick that rearms with no pause
    // forever fails the test rather than hang it.
    void advance(std::chrono::milliseconds duration);

private:
    friend class FakeTicker;
    void forget(FakeTicker* ticker);
    FakeTicker* nextDue(qint64 until) const;

    bool m_drivesTimers = false;
    qint64 m_elapsed = 0; // ms advanced since the clock was made
    quint64 m_armings = 0; // orders ticks due at the same time as they were armed
    std::vector<FakeTicker*> m_tickers;
};

#include "fakes/FakeClock.h"

#include <QCoreApplication>
#include <QTimer>
#include <QtGlobal>

#include <algorithm>

class FakeTicker final : public Ticker
{
public:
    FakeTicker(FakeClock& clock, std::function<void()> onTick) : m_clock(&clock), m_onTick(std::move(onTick))
    {
        m_realTimer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_realTimer, &QTimer::timeout, [this] { m_onTick(); });
    }
    ~FakeTicker() override
    {
        if (m_clock)
            m_clock->forget(this);
    }

    void start(int milliseconds) override
    {
        m_interval = milliseconds;
        if (m_clock && m_clock->m_drivesTimers)
            arm();
        else
            m_realTimer.start(milliseconds);
    }
    void stop() override
    {
        m_interval = 0;
        m_realTimer.stop();
    }

    void arm()
    {
        m_due = m_clock->m_elapsed + m_interval;
        m_armedAs = ++m_clock->m_armings;
    }
    void takeOver()
    {
        if (m_realTimer.isActive()) {
            m_realTimer.stop();
            arm();
        }
    }
    bool dueBy(qint64 until) const { return m_interval > 0 && m_due <= until; }
    bool before(const FakeTicker& other) const
    {
        return m_due != other.m_due ? m_due < other.m_due : m_armedAs < other.m_armedAs;
    }
    qint64 due() const { return m_due; }
    // Rearms first: the handler may stop or restart it, or destroy it.
    void tick()
    {
        m_due += m_interval;
        m_armedAs = ++m_clock->m_armings;
        m_onTick();
    }
    void clockGone() { m_clock = nullptr; }

private:
    FakeClock* m_clock;
    std::function<void()> m_onTick;
    QTimer m_realTimer;
    int m_interval = 0;
    qint64 m_due = 0;
    quint64 m_armedAs = 0;
};

FakeClock::~FakeClock()
{
    for (FakeTicker* ticker : m_tickers)
        ticker->clockGone();
}

std::unique_ptr<Ticker> FakeClock::ticker(std::function<void()> onTick)
{
    auto ticker = std::make_unique<FakeTicker>(*this, std::move(onTick));
    m_tickers.push_back(ticker.get());
    return ticker;
}

void FakeClock::takeOverTimers()
{
    m_drivesTimers = true;
    for (FakeTicker* ticker : m_tickers)
        ticker->takeOver();
}

void FakeClock::advance(std::chrono::milliseconds duration)
{
    Q_ASSERT_X(m_drivesTimers, "FakeClock::advance", "takeOverTimers() first");
    const qint64 until = m_elapsed + duration.count();
    constexpr int maxTicks = 1'000'000;
    for (int ticks = 0; FakeTicker* next = nextDue(until); ++ticks) {
        if (ticks == maxTicks)
            qFatal("FakeClock::advance: %d ticks without reaching the end", maxTicks);
        time = time.addMSecs(next->due() - m_elapsed);
        m_elapsed = next->due();
        next->tick();
        QCoreApplication::processEvents();
    }
    time = time.addMSecs(until - m_elapsed);
    m_elapsed = until;
}

void FakeClock::forget(FakeTicker* ticker)
{
    m_tickers.erase(std::remove(m_tickers.begin(), m_tickers.end(), ticker), m_tickers.end());
}

FakeTicker* FakeClock::nextDue(qint64 until) const
{
    FakeTicker* next = nullptr;
    for (FakeTicker* ticker : m_tickers)
        if (ticker->dueBy(until) && (!next || ticker->before(*next)))
            next = ticker;
    return next;
}

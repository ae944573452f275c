#include "platform/Timer.h"

#include "platform/Clock.h"

namespace {

Clock& systemClock()
{
    static SystemClock clock;
    return clock;
}

} // namespace

Timer::Timer(std::function<void()> onTimer) : Timer(systemClock(), std::move(onTimer)) {}

Timer::Timer(Clock& clock, std::function<void()> onTimer)
    : m_onTimer(std::move(onTimer)), m_ticker(clock.ticker([this] { fire(); }))
{
}

Timer::~Timer() = default;

void Timer::setOnTimer(std::function<void()> onTimer)
{
    m_onTimer = std::move(onTimer);
}

void Timer::setInterval(int milliseconds)
{
    m_interval = milliseconds > 0 ? milliseconds : 0;
    if (m_interval == 0)
        m_ticker->stop();
    else
        m_ticker->start(m_interval);
}

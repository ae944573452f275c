#include "platform/Timer.h"

Timer::Timer(std::function<void()> onTimer) : m_onTimer(std::move(onTimer))
{
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        if (m_onTimer)
            m_onTimer();
    });
}

void Timer::setOnTimer(std::function<void()> onTimer)
{
    m_onTimer = std::move(onTimer);
}

void Timer::setInterval(int milliseconds)
{
    m_interval = milliseconds > 0 ? milliseconds : 0;
    if (m_interval == 0)
        m_timer.stop();
    else
        m_timer.start(m_interval);
}

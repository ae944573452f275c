#pragma once

#include <QTimer>

#include <functional>

// A repeating timer with the semantics the windows are written against:
// an interval of 0 stops it, any other interval (re)starts it from now.
// Handlers usually stop their own timer first and arm the next one.
class Timer
{
public:
    explicit Timer(std::function<void()> onTimer = {});
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void setOnTimer(std::function<void()> onTimer);
    void setInterval(int milliseconds);
    int interval() const { return m_interval; }
    bool isRunning() const { return m_interval != 0; }
    // Runs the handler now, as a tick would; tests drive timers this way.
    void fire() const
    {
        if (m_onTimer)
            m_onTimer();
    }

private:
    QTimer m_timer;
    int m_interval = 0;
    std::function<void()> m_onTimer;
};

#pragma once

#include <functional>
#include <memory>

class Clock;
class Ticker;

// A repeating timer with the semantics the windows are written against:
// an interval of 0 stops it, any other interval (re)starts it from now.
// Handlers usually stop their own timer first and arm the next one.
class Timer
{
public:
    // Ticks on the system's clock.
    explicit Timer(std::function<void()> onTimer = {});
    // Ticks on `clock`, which outlives the timer.
    explicit Timer(Clock& clock, std::function<void()> onTimer = {});
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void setOnTimer(std::function<void()> onTimer);
    void setInterval(int milliseconds);
    int interval() const { return m_interval; }
    bool isRunning() const { return m_interval != 0; }
    // Runs the handler now, as a tick would. Tests that advance a test clock
    // need neither this nor interval().
    void fire() const
    {
        if (m_onTimer)
            m_onTimer();
    }

private:
    int m_interval = 0;
    std::function<void()> m_onTimer;
    std::unique_ptr<Ticker> m_ticker; // last: it calls the handler
};

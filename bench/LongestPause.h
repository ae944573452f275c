#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

// The longest gap between the ticks of a 1 ms timer on the calling thread,
// from construction on: how long that thread's event loop stopped at most.
class LongestPause
{
public:
    LongestPause()
    {
        m_tick.setInterval(1);
        QObject::connect(&m_tick, &QTimer::timeout, [this] {
            const qint64 now = m_clock.elapsed();
            if (now - m_last > m_longest) {
                m_longest = now - m_last;
                m_longestEnded = now;
            }
            m_last = now;
        });
        m_clock.start();
        m_tick.start();
    }

    qint64 milliseconds() const { return m_longest; }
    // When the longest pause ended, in milliseconds from construction.
    qint64 endedAt() const { return m_longestEnded; }

private:
    QElapsedTimer m_clock;
    QTimer m_tick;
    qint64 m_last = 0;
    qint64 m_longest = 0;
    qint64 m_longestEnded = 0;
};

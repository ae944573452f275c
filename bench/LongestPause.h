#pragma once

#include <QList>
#include <QTimer>

#include <algorithm>
#include <chrono>

#include <time.h>

// The gaps between the ticks of a 1 ms timer on the calling thread, from
// construction on: how long that thread's event loop stopped at most. Gaps of
// 20 ms or more are kept, so that those of two threads can be compared.
class LongestPause
{
public:
    using Clock = std::chrono::steady_clock;
    struct Gap
    {
        Clock::time_point begin;
        Clock::time_point end;
        qint64 milliseconds() const
        {
            return std::chrono::duration_cast<std::chrono::milliseconds>(end - begin).count();
        }
    };

    LongestPause()
    {
        m_tick.setInterval(1);
        m_tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_tick, &QTimer::timeout, [this] {
            const Clock::time_point now = Clock::now();
            const qint64 cpu = threadCpuMicroseconds();
            if (cpu - m_lastCpu > m_longestWork) {
                m_longestWork = cpu - m_lastCpu;
                m_longestWorkEnded = now;
            }
            m_lastCpu = cpu;
            const Gap gap{m_last, now};
            if (gap.milliseconds() > m_longest.milliseconds())
                m_longest = gap;
            if (gap.milliseconds() >= 20)
                m_gaps.append(gap);
            m_last = now;
        });
        m_last = m_start = Clock::now();
        m_lastCpu = threadCpuMicroseconds();
        m_longest = {m_start, m_start};
        m_tick.start();
    }

    qint64 milliseconds() const { return m_longest.milliseconds(); }
    // When the longest pause ended, in milliseconds from construction.
    qint64 endedAt() const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(m_longest.end - m_start).count();
    }
    QList<Gap> gaps() const { return m_gaps; }
    // The most processor time the thread spent between two ticks: its own
    // longest stretch of work, whatever else the machine was doing.
    qint64 longestWorkMilliseconds() const { return m_longestWork / 1000; }
    qint64 longestWorkEndedAt() const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(m_longestWorkEnded - m_start).count();
    }

    // The longest of this thread's gaps once the time that `other` (an idle
    // thread beside it) stopped too is taken out: what this thread's own work
    // cost, without what the machine cost every thread.
    qint64 ownMilliseconds(const QList<Gap>& other) const
    {
        qint64 longest = 0;
        for (const Gap& gap : m_gaps) {
            Clock::duration shared{};
            for (const Gap& o : other) {
                const auto begin = std::max(gap.begin, o.begin);
                const auto end = std::min(gap.end, o.end);
                if (end > begin)
                    shared += end - begin;
            }
            longest = std::max<qint64>(
                longest,
                std::chrono::duration_cast<std::chrono::milliseconds>(gap.end - gap.begin - shared).count());
        }
        return longest;
    }

private:
    static qint64 threadCpuMicroseconds()
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return qint64(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
    }

    QTimer m_tick;
    qint64 m_lastCpu = 0;
    qint64 m_longestWork = 0;
    Clock::time_point m_longestWorkEnded;
    Clock::time_point m_start;
    Clock::time_point m_last;
    Gap m_longest;
    QList<Gap> m_gaps;
};

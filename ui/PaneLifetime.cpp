#include "ui/PaneLifetime.h"

#include <algorithm>

PaneLifetime::PaneLifetime(const Clock& clock, std::function<void()> make, std::function<void()> release)
    : m_clock(clock), m_make(std::move(make)), m_release(std::move(release))
{
    releaseTimer.setOnTimer([this] { releaseTimerTimer(); });
}

void PaneLifetime::setOnScreen(bool onScreen)
{
    if (onScreen) {
        releaseTimer.setInterval(0);
        if (!m_made) {
            m_made = true;
            m_make();
        }
    } else if (m_made && !releaseTimer.isRunning()) {
        m_leftScreen = m_clock.now();
        releaseTimer.setInterval(releaseDelay);
    }
}

void PaneLifetime::releaseTimerTimer()
{
    releaseTimer.setInterval(0);
    if (!m_made)
        return;
    // A timer may run early against the clock (a suspended machine, a clock set back).
    const qint64 away = m_leftScreen.msecsTo(m_clock.now());
    if (away < releaseDelay) {
        releaseTimer.setInterval(int(releaseDelay - std::max<qint64>(away, 0)));
        return;
    }
    m_made = false;
    m_release();
}

#pragma once

#include "platform/Clock.h"
#include "platform/Timer.h"

#include <QDateTime>

#include <functional>

// A browser engine's view costs some 350 MiB and three helper processes, and
// the program spends most of its life with no window on screen. So a window's
// web panes exist only from when it comes on screen until some minutes after
// it left: a quick hide and show keeps them and their pages.
class PaneLifetime
{
public:
    static constexpr int defaultReleaseDelay = 5 * 60 * 1000;
    int releaseDelay = defaultReleaseDelay;

    PaneLifetime(const Clock& clock, std::function<void()> make, std::function<void()> release);

    // On screen: shown, and neither minimised nor hidden in the tray.
    void setOnScreen(bool onScreen);
    bool panesMade() const { return m_made; }
    void releaseTimerTimer();

    Timer releaseTimer;

private:
    const Clock& m_clock;
    std::function<void()> m_make;
    std::function<void()> m_release;
    bool m_made = false;
    QDateTime m_leftScreen;
};

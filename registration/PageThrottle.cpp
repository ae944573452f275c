#include "registration/PageThrottle.h"

bool PageThrottle::allow(const QString& kind, const QDateTime& now)
{
    const auto last = m_lastOpened.constFind(kind);
    // A clock set back counts as the window having passed.
    if (last != m_lastOpened.constEnd() && *last <= now && last->secsTo(now) < windowSeconds)
        return false;
    m_lastOpened.insert(kind, now);
    return true;
}

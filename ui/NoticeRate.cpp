#include "ui/NoticeRate.h"

bool NoticeRate::allow(int kind, const QDateTime& now)
{
    const auto last = m_lastShown.constFind(kind);
    // A clock set back counts as the time having passed.
    if (last != m_lastShown.constEnd() && *last <= now && last->secsTo(now) < spacingSeconds)
        return false;
    m_lastShown.insert(kind, now);
    return true;
}

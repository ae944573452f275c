#include "ui/NoticeRate.h"

bool NoticeRate::allows(int kind, const QDateTime& now) const
{
    const auto last = m_lastShown.constFind(kind);
    // A clock set back counts as the time having passed.
    return last == m_lastShown.constEnd() || *last > now || last->secsTo(now) >= spacingSeconds;
}

void NoticeRate::shown(int kind, const QDateTime& at)
{
    m_lastShown.insert(kind, at);
}

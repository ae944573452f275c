#pragma once

#include <QDateTime>
#include <QHash>

// At most one desktop notice of a kind every ten minutes: a router that
// refuses every add, or a server that stays silent, is told once, not at
// every retry.
class NoticeRate
{
public:
    static constexpr qint64 spacingSeconds = 10 * 60;

    // True (and noted) when no notice of this kind was let through in the last ten minutes.
    bool allow(int kind, const QDateTime& now);

private:
    QHash<int, QDateTime> m_lastShown;
};

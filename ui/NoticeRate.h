#pragma once

#include <QDateTime>
#include <QHash>

// At most one desktop notice of a kind every ten minutes: a router that
// refuses every add, or a server that stays silent, is told once, not at
// every retry. Only a notice the desktop showed counts.
class NoticeRate
{
public:
    static constexpr qint64 spacingSeconds = 10 * 60;

    // True when no notice of this kind was shown in the last ten minutes.
    bool allows(int kind, const QDateTime& now) const;
    void shown(int kind, const QDateTime& at);

private:
    QHash<int, QDateTime> m_lastShown;
};

#pragma once

#include <QDateTime>
#include <QSet>
#include <QString>

// How often the address checks may log in again. The first re-login goes at
// once; while re-logins find the same disagreement again (another NAT, a
// server that publishes something else, a stranger's datagrams), each waits
// twice as long as the one before it: 30 s, 60 s, ... up to 30 minutes. An
// address not seen before is a real change and goes at once, only never
// sooner than 10 s after the last re-login. So no datagram and no network
// shape can make the program log in more often than every 10 s, and the same
// difference no more often than twice a minute.
class ReloginBackoff
{
public:
    static constexpr int firstDelaySeconds = 30;
    static constexpr int longestDelaySeconds = 30 * 60;
    static constexpr int newAddressGapSeconds = 10;

    // Whether a re-login for the address `seen` may start at `now`; when it
    // may, it counts as started.
    bool allow(const QDateTime& now, const QString& seen);
    // Until when repeats are held back; invalid while nothing is.
    QDateTime notBefore() const { return m_notBefore; }
    // A success reply changed the resolved address: the next change may log in at once.
    void reset();

private:
    static constexpr qsizetype maxRemembered = 256;

    QDateTime m_notBefore;
    QDateTime m_lastRelogin;
    int m_delaySeconds = 0;
    QSet<QString> m_seen;
};

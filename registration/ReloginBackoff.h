#pragma once

#include <QDateTime>

// How often the address checks may log in again. The first re-login goes at
// once; while re-logins do not change the resolved address (another NAT, a
// server that publishes something else, a stranger's datagrams), each waits
// twice as long as the one before it: 30 s, 60 s, ... up to 30 minutes. So no
// datagram and no network shape can make the program log in faster than
// twice a minute.
class ReloginBackoff
{
public:
    static constexpr int firstDelaySeconds = 30;
    static constexpr int longestDelaySeconds = 30 * 60;

    // Whether a re-login may start at `now`; when it may, it counts as started.
    bool allow(const QDateTime& now);
    // A success reply changed the resolved address: the next change may log in at once.
    void reset();

private:
    QDateTime m_notBefore;
    int m_delaySeconds = 0;
};

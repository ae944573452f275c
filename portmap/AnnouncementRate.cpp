#include "portmap/AnnouncementRate.h"

bool AnnouncementRate::admit(const QDateTime& now)
{
    if (m_last) {
        const qint64 since = m_last->msecsTo(now);
        if (since >= 0 && since < intervalMs)
            return false;
    }
    m_last = now;
    return true;
}

#include "registration/ReloginBackoff.h"

#include <algorithm>

bool ReloginBackoff::allow(const QDateTime& now, const QString& seen)
{
    const bool held = m_notBefore.isValid() && now < m_notBefore;
    if (held && m_seen.contains(seen))
        return false;
    if (held && m_lastRelogin.secsTo(now) < newAddressGapSeconds)
        return false;
    // Addresses from the network: a flood of new ones must not grow this for good.
    if (m_seen.size() >= maxRemembered)
        m_seen.clear();
    m_seen.insert(seen);
    m_delaySeconds =
        m_delaySeconds == 0 ? firstDelaySeconds : std::min(2 * m_delaySeconds, longestDelaySeconds);
    m_lastRelogin = now;
    m_notBefore = now.addSecs(m_delaySeconds);
    return true;
}

void ReloginBackoff::reset()
{
    m_notBefore = QDateTime();
    m_lastRelogin = QDateTime();
    m_delaySeconds = 0;
    m_seen.clear();
}

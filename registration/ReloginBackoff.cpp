#include "registration/ReloginBackoff.h"

#include <algorithm>

bool ReloginBackoff::allow(const QDateTime& now)
{
    if (m_notBefore.isValid() && now < m_notBefore)
        return false;
    m_delaySeconds =
        m_delaySeconds == 0 ? firstDelaySeconds : std::min(2 * m_delaySeconds, longestDelaySeconds);
    m_notBefore = now.addSecs(m_delaySeconds);
    return true;
}

void ReloginBackoff::reset()
{
    m_notBefore = QDateTime();
    m_delaySeconds = 0;
}

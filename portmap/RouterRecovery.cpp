#include "portmap/RouterRecovery.h"

#include <iterator>
#include <utility>

int RouterRecovery::searchDelayMs(int failedSearches)
{
    constexpr int Steps[] = {5000, 10000, 20000, 40000};
    constexpr int Steady = 120000;
    return failedSearches >= 0 && failedSearches < int(std::size(Steps)) ? Steps[failedSearches] : Steady;
}

bool RouterRecovery::lost()
{
    m_failedPolls = 0;
    return !std::exchange(m_outage, true);
}

bool RouterRecovery::found()
{
    m_failedSearches = 0;
    m_failedPolls = 0;
    return std::exchange(m_outage, false);
}

bool RouterRecovery::pollFailed(bool answered)
{
    return !answered || ++m_failedPolls >= 3;
}

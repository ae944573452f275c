#pragma once

// What the port mapping does while no router answers: when to search again,
// when a failing address poll means the router is gone, and which failures
// and recoveries are worth a line in the log (one each per outage, not one
// per retry).
class RouterRecovery
{
public:
    // The wait before the next search after that many failed searches in a
    // row: 5, 10, 20 and 40 s, then 120 s.
    static int searchDelayMs(int failedSearches);

    // No working router: the search, the description or the address failed
    // for good. True the first time in an outage.
    bool lost();
    // The router answered an address poll; true when it had been lost.
    bool found();
    bool inOutage() const { return m_outage; }

    // The wait before the next search, counting this one as failed.
    int nextSearchDelayMs() { return searchDelayMs(m_failedSearches++); }
    // Searching starts over at the shortest wait, as when the machine's
    // addresses change.
    void searchSoon() { m_failedSearches = 0; }

    // True when the search must start again: the gateway did not answer at
    // all, or this is the third failed poll in a row.
    bool pollFailed(bool answered);

private:
    bool m_outage = false;
    int m_failedSearches = 0;
    int m_failedPolls = 0;
};

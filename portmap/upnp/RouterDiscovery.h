#pragma once

#include "platform/Timer.h"

#include <functional>

class TAutoNAT;

// Finds the router among the devices that answer a search: the first, in the
// order they answered, whose description names a WAN connection (a TV or a
// NAS may answer before the router). The gateway client has one pair of task
// events, so its owner passes the ends of the search and description tasks on.
class RouterDiscovery
{
public:
    enum class Event
    {
        Answered,              // the first device answered; its description is asked for
        DescriptionNotStarted, // the client refused to ask for a description
        DescriptionFailed,     // a device's description named no WAN connection, or did not come
        TryingNextDevice,      // another device that answered is asked
        Found,                 // a router: its control address is known once the task's handler returns
        NoRouter,              // no device answered, or none that did is a router
    };
    using Report = std::function<void(Event event)>;

    RouterDiscovery(TAutoNAT& nat, Report report);

    // Starts a search; false when the client refused it (nothing is reported then).
    bool search();
    // The end of a search or description task.
    void taskEnded(bool succeeded);
    // From the first answer until the router is found or none is.
    bool underway() const { return m_underway; }
    // Forgets a search under way, as when the router is given up.
    void stop();

private:
    void describe();
    void tryNextDevice();

    TAutoNAT& m_nat;
    Report m_report;
    // While the search may still bring answers, the next device is looked for this often.
    Timer m_deviceWait;
    bool m_underway = false;
};

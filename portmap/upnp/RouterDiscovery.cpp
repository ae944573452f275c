#include "portmap/upnp/RouterDiscovery.h"

#include "portmap/upnp/TAutoNAT.h"

#include <utility>

namespace {

constexpr int DeviceWaitMs = 500;

} // namespace

RouterDiscovery::RouterDiscovery(TAutoNAT& nat, Report report) : m_nat(nat), m_report(std::move(report))
{
    m_deviceWait.setOnTimer([this] {
        m_deviceWait.setInterval(0);
        tryNextDevice();
    });
}

bool RouterDiscovery::search()
{
    stop();
    return m_nat.FindDevice();
}

void RouterDiscovery::stop()
{
    m_underway = false;
    m_deviceWait.setInterval(0);
}

void RouterDiscovery::taskEnded(bool succeeded)
{
    switch (m_nat.task()) {
    case TAutoNAT::TaskType::Search:
        if (!succeeded) {
            stop();
            m_report(Event::NoRouter);
        } else if (!m_underway) {
            // Later answers to the same search are kept as further devices.
            m_underway = true;
            m_report(Event::Answered);
            describe();
        }
        break;
    case TAutoNAT::TaskType::ControlPage:
        if (succeeded) {
            stop();
            m_report(Event::Found);
        } else {
            m_report(Event::DescriptionFailed);
            tryNextDevice();
        }
        break;
    default:
        break;
    }
}

void RouterDiscovery::describe()
{
    if (m_nat.GetControlPage())
        return;
    stop();
    m_report(Event::DescriptionNotStarted);
}

void RouterDiscovery::tryNextDevice()
{
    if (m_nat.takeNextDevice()) {
        m_report(Event::TryingNextDevice);
        describe();
        return;
    }
    if (m_nat.searchListening()) {
        m_deviceWait.setInterval(DeviceWaitMs);
        return;
    }
    stop();
    m_report(Event::NoRouter);
}

// Keeping a router in reach: the search, searching again while none answers,
// the external address and its polls, noticing a router that forgot the
// list's mappings, and the listing of what a router holds.

#include "portmap/MappingKeeper.h"

#include "messages/PortMappingMessages.h"
#include "platform/DottedIPv4.h"
#include "portmap/uAutoNAT.h"
#include "registration/ClientState.h"

namespace Text = Messages::PortMapping;

namespace {

// UPnP's "NoSuchEntryInArray": the router holds no such mapping.
constexpr int NoSuchEntry = 714;
const QString NoAddress = QStringLiteral("0.0.0.0");

} // namespace

void MappingKeeper::logUnlessRetrying(const QString& line)
{
    if (!m_recovery.inOutage())
        log(line);
}

void MappingKeeper::startupSearchTick()
{
    startupSearch.setInterval(0);
    searchRouter();
}

void MappingKeeper::searchAgain()
{
    researchTimer.setInterval(0);
    searchRouter();
}

void MappingKeeper::searchRouter()
{
    if (m_discovery.search()) {
        logUnlessRetrying(Text::searchStarted());
        return;
    }
    logUnlessRetrying(Text::searchNotStarted());
    setLabels(Text::searchFailedLabel(), m_resultLabel);
    routerLost();
}

void MappingKeeper::onDiscovery(RouterDiscovery::Event event)
{
    using Event = RouterDiscovery::Event;
    switch (event) {
    case Event::Answered:
        log(QString());
        log(Text::searchSucceeded());
        logRouterDetails();
        break;
    case Event::DescriptionNotStarted:
        log(Text::controlPageNotStarted());
        routerLost();
        break;
    case Event::DescriptionFailed:
        logUnlessRetrying(Text::controlPageFailed());
        break;
    case Event::TryingNextDevice:
        logUnlessRetrying(Text::tryingNextDevice(m_nat->RouterLocation()));
        break;
    case Event::Found:
        log(Text::controlPageRead());
        refreshInternalClient();
        // The client takes the control address only after this task's handler returns.
        pollAfterDescription.setInterval(2000);
        break;
    case Event::NoRouter:
        logUnlessRetrying(Text::searchFailed());
        setLabels(Text::searchFailedLabel(), m_resultLabel);
        routerLost();
        break;
    }
}

void MappingKeeper::logRouterDetails()
{
    const QString name = m_nat->RouterName();
    const qsizetype blank = name.indexOf(u' ');
    setLabels(Text::routerLabel(blank < 0 ? QString() : name.left(blank + 1)), m_resultLabel);
    using Text::RouterDetail;
    log(Text::routerDetail(RouterDetail::Name, name));
    log(Text::routerDetail(RouterDetail::Location, m_nat->RouterLocation()));
    log(Text::routerDetail(RouterDetail::USN, m_nat->RouterUSN()));
    log(Text::routerDetail(RouterDetail::IP, m_nat->RouterIp()));
    log(Text::routerDetail(RouterDetail::Port, QString::number(m_nat->RouterPort())));
    log(Text::routerDetail(RouterDetail::URL, m_nat->RouterURL()));
    log(Text::routerDetail(RouterDetail::URLBase, m_nat->URLBase()));
}

void MappingKeeper::routerLost()
{
    m_routerKnown = false;
    m_discovery.stop();
    m_checkIndex = -1;
    checkStepTimer.setInterval(0);
    pollAfterDescription.setInterval(0);
    routerPollTimer.setInterval(0);
    m_session.setRouterAnswering(false);
    if (m_recovery.lost())
        log(Text::routerLostRetrying());
    researchTimer.setInterval(m_recovery.nextSearchDelayMs());
}

void MappingKeeper::refreshInternalClient()
{
    const QString address = m_nat->LocalIp();
    if (address.isEmpty() || address == m_internalClient)
        return;
    m_internalClient = address;
    emit internalClientChanged(address);
}

void MappingKeeper::pollAfterDescriptionTick()
{
    pollAfterDescription.setInterval(0);
    m_routerKnown = true;
    pollExternalAddress();
}

void MappingKeeper::routerPoll()
{
    routerPollTimer.setInterval(11111);
    pollExternalAddress();
}

void MappingKeeper::pollExternalAddress()
{
    if (!m_routerKnown)
        return;
    // A poll never takes over a running add: the router would get the add,
    // but its answer would be lost.
    if (m_nat->busy()) {
        m_pollWaiting = true;
        return;
    }
    requestExternalAddress();
}

void MappingKeeper::requestExternalAddress()
{
    m_nat->GetExternalIp();
    log(Text::externalAddressRequested());
}

void MappingKeeper::afterTask()
{
    if (m_pollWaiting && !m_nat->busy()) {
        m_pollWaiting = false;
        deferredPollTimer.setInterval(100);
    }
}

// The address reaches the list, "jilu.txt" and the login's checks: anything
// but a dotted IPv4 address counts as a failure.
void MappingKeeper::onExternalAddress()
{
    const QString address = m_nat->ExternalIp().trimmed();
    if (!isDottedIPv4(address)) {
        log(Text::externalAddressInvalid());
        onExternalAddressFailed();
        return;
    }
    const bool wasLost = m_recovery.found();
    if (wasLost)
        log(Text::routerBack());
    refreshInternalClient();
    setEnabled(true, true);
    log(Text::externalAddressRead());
    log(Text::externalAddress(address));
    // Not yet: the router's own link is still coming up. Polling goes on.
    if (address == NoAddress) {
        m_session.setRouterAnswering(false);
        log(Text::externalAddressNotYet());
        if (!routerPollTimer.isRunning())
            routerPollTimer.setInterval(11111);
        return;
    }
    m_session.setRouterAnswering(true);
    if (m_externalAddress != address) {
        setExternalAddress(address);
        reapplyAll();
    } else if (wasLost) {
        // Back after an outage with the same address: it may have forgotten.
        startMappingCheck();
    }
}

void MappingKeeper::onExternalAddressFailed()
{
    // Its last address may be stale now: the checks stop trusting it.
    m_session.setRouterAnswering(false);
    log(Text::externalAddressFailed());
    // The label of a failed search stays: that failure came first.
    if (m_routerLabel != Text::searchFailedLabel())
        setLabels(Text::contactDeveloperLabel(), m_resultLabel);
    if (m_recovery.pollFailed(m_nat->answered()))
        routerLost();
}

void MappingKeeper::addressesChanged()
{
    m_recovery.searchSoon();
    if (m_routerKnown) {
        pollExternalAddress();
        return;
    }
    // A search or a description under way goes on; otherwise search now.
    if (!m_nat->busy() && !m_discovery.underway() && !pollAfterDescription.isRunning())
        researchTimer.setInterval(1000);
}

void MappingKeeper::checkMappings()
{
    startMappingCheck();
}

// Asks the router for each stored mapping; those it lost, or that lead
// elsewhere, are applied again, and only those.
void MappingKeeper::startMappingCheck()
{
    if (!m_routerKnown || reapplyTimer.isRunning() || m_checkIndex >= 0 || m_lines.isEmpty())
        return;
    m_checkIndex = 0;
    m_checkMissing.clear();
    checkStepTimer.setInterval(100);
}

void MappingKeeper::checkNextMapping()
{
    if (m_nat->busy())
        return; // the next tick asks again
    while (m_checkIndex < m_lines.size() && !MappingLine::ports(m_lines.at(m_checkIndex)))
        ++m_checkIndex;
    if (m_checkIndex >= m_lines.size()) {
        finishMappingCheck();
        return;
    }
    const auto mapping = MappingLine::ports(m_lines.at(m_checkIndex));
    if (m_nat->GetPortMapping(mapping->publicPort, mapping->protocol))
        checkStepTimer.setInterval(0);
}

void MappingKeeper::onMappingEntry(bool found)
{
    if (m_checkIndex < 0)
        return;
    const auto mapping = MappingLine::ports(m_lines.value(m_checkIndex));
    if (found) {
        const auto& entry = m_nat->mappingEntry();
        const bool pointsHere = mapping && QString::fromLatin1(entry->internalClient) == m_internalClient &&
                                entry->internalPort == mapping->localPort;
        if (!pointsHere)
            m_checkMissing << m_checkIndex;
    } else if (m_nat->fault() && m_nat->fault()->code == NoSuchEntry) {
        m_checkMissing << m_checkIndex;
    } else {
        // No answer, or a router that cannot tell: the address poll watches it.
        m_checkIndex = -1;
        return;
    }
    ++m_checkIndex;
    checkStepTimer.setInterval(100);
}

void MappingKeeper::finishMappingCheck()
{
    checkStepTimer.setInterval(0);
    m_checkIndex = -1;
    if (m_checkMissing.isEmpty())
        return;
    log(Text::mappingsMissing(int(m_checkMissing.size())));
    reapplyAll();
    m_reapplyOnly = m_checkMissing;
}

void MappingKeeper::listRouterMappings(std::function<void(const QStringList& lines)> done)
{
    if (!m_routerKnown) {
        done({Text::routerMappingsNoRouter()});
        return;
    }
    if (m_listing.running())
        return;
    m_listing.start([this, done](const RouterMappingList::Result& result) {
        done(RouterMappingList::describe(result, m_nat->LocalIp(), m_lines));
    });
}

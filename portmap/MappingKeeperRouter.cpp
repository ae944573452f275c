// Keeping a router in reach: the search, searching again while none answers,
// the external address and its polls, noticing a router that forgot the
// list's mappings, and the listing of what a router holds.

#include "portmap/MappingKeeper.h"

#include "messages/Messages.h"
#include "messages/PortMappingMessages.h"
#include "platform/AttachedSubnet.h"
#include "platform/DottedIPv4.h"
#include "portmap/natpmp/NatPmpClient.h"
#include "portmap/upnp/TAutoNAT.h"
#include "registration/ClientState.h"

#include <algorithm>
#include <utility>

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
    // A task for the router left behind ends first, at the latest at its time-out.
    if (m_nat->busy())
        return;
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
    setRouterSeen(RouterSeen::NotFound);
    askNatPmp();
}

void MappingKeeper::onDiscovery(RouterDiscovery::Event event)
{
    using Event = RouterDiscovery::Event;
    switch (event) {
    case Event::Answered:
        logUnlessRetrying(QString());
        logUnlessRetrying(Text::searchSucceeded());
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
        logUnlessRetrying(Text::controlPageRead());
        m_announcements.setRouter({m_nat->RouterIp(), m_nat->RouterUSN().toLatin1(),
                                   m_nat->RouterLocation().toLatin1(), m_nat->routerBootId()});
        refreshInternalClient();
        // The client takes the control address only after this task's handler returns.
        pollAfterDescription.setInterval(2000);
        break;
    case Event::NoRouter:
        logUnlessRetrying(Text::searchFailed());
        setRouterSeen(RouterSeen::NotFound);
        askNatPmp();
        break;
    }
}

void MappingKeeper::logRouterDetails()
{
    const QString name = m_nat->RouterName();
    setRouterSeen(RouterSeen::Found);
    using Text::RouterDetail;
    logUnlessRetrying(Text::routerDetail(RouterDetail::Name, name));
    logUnlessRetrying(Text::routerDetail(RouterDetail::Location, m_nat->RouterLocation()));
    logUnlessRetrying(Text::routerDetail(RouterDetail::USN, m_nat->RouterUSN()));
    logUnlessRetrying(Text::routerDetail(RouterDetail::IP, m_nat->RouterIp()));
    logUnlessRetrying(Text::routerDetail(RouterDetail::Port, QString::number(m_nat->RouterPort())));
    logUnlessRetrying(Text::routerDetail(RouterDetail::URL, m_nat->RouterURL()));
    logUnlessRetrying(Text::routerDetail(RouterDetail::URLBase, m_nat->URLBase()));
}

void MappingKeeper::routerLost()
{
    m_routerKnown = false;
    m_discovery.stop();
    dropNatPmp();
    m_checkIndex = -1;
    checkStepTimer.setInterval(0);
    pollAfterDescription.setInterval(0);
    routerPollTimer.setInterval(0);
    m_session.setRouterAnswering(false);
    if (m_recovery.lost())
        log(Text::routerLostRetrying());
    // A search through the network just left has failed: the new one waits for nothing.
    researchTimer.setInterval(std::exchange(m_searchAfterTask, false) ? 100 : m_recovery.nextSearchDelayMs());
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
    if (m_natPmp) {
        m_natPmp->requestExternalAddress();
        logUnlessRetrying(Text::externalAddressRequested());
        return;
    }
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
    logUnlessRetrying(Text::externalAddressRequested());
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
void MappingKeeper::onExternalAddress(const QString& address)
{
    if (!isDottedIPv4(address)) {
        log(Text::externalAddressInvalid());
        onExternalAddressFailed(true);
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
        startReapply();
    } else if ((wasLost || m_reapplyWhenAnswering) && !reapplyTimer.isRunning()) {
        // Back after an outage or a restart with the same address: it may have forgotten.
        startReapply();
    }
    m_reapplyWhenAnswering = false;
}

void MappingKeeper::onExternalAddressFailed(bool answered)
{
    // Its last address may be stale now: the checks stop trusting it.
    m_session.setRouterAnswering(false);
    // A poll of the router of the last network: that one is given up already.
    if (!m_routerKnown)
        return;
    logUnlessRetrying(Text::externalAddressFailed());
    // The label of a failed search stays: that failure came first.
    if (m_routerSeen != RouterSeen::NotFound)
        setRouterSeen(RouterSeen::Unusable);
    if (m_recovery.pollFailed(answered))
        routerLost();
}

void MappingKeeper::addressesChanged()
{
    m_nat->rejoinSearchGroup();
    m_recovery.searchSoon();
    // Another network: the router is out of reach, whichever router is there now is searched for.
    if (m_routerKnown && !onAttachedSubnet(routerAddress()))
        routerLost();
    // A NAT-PMP question to the gateway of the last network is let go.
    if (!m_routerKnown)
        dropNatPmp();
    if (m_routerKnown) {
        pollExternalAddress();
        return;
    }
    // Searching starts over now: what went out before the change may have
    // had no way. A task of another kind is let finish first.
    using Task = TAutoNAT::TaskType;
    const Task task = m_nat->task();
    if (m_nat->busy() && (task == Task::Search || task == Task::ControlPage || task == Task::ExternalAddress))
        m_nat->abandonTask();
    m_discovery.stop();
    pollAfterDescription.setInterval(0);
    if (m_nat->busy()) {
        m_searchAfterTask = true;
        researchTimer.setInterval(1000);
        return;
    }
    researchTimer.setInterval(0);
    searchRouter();
}

void MappingKeeper::announcementArrived(const QByteArray& datagram, const QString& senderIp)
{
    const auto announcement = SsdpNotify::read(datagram);
    if (!announcement)
        return;
    const auto meaning = m_announcements.take(*announcement, senderIp);
    if (meaning == RouterAnnouncements::Meaning::Nothing)
        return;
    if (!announcementTimer.isRunning()) {
        if (!m_announcementRate.admit(m_platform.clock.now()))
            return;
        announcementTimer.setInterval(500);
    }
    m_announced = std::max(m_announced, meaning);
}

void MappingKeeper::actOnAnnouncement()
{
    // The router's task under way ends first; the next tick acts.
    if (m_nat->busy())
        return;
    announcementTimer.setInterval(0);
    const auto meaning = std::exchange(m_announced, RouterAnnouncements::Meaning::Nothing);
    log(Text::routerRestarted());
    m_recovery.searchSoon();
    // A restarted router may have kept nothing: everything goes back at
    // once, without asking line by line first.
    if (meaning == RouterAnnouncements::Meaning::Restarted && m_routerKnown) {
        if (!reapplyTimer.isRunning())
            startReapply();
        return;
    }
    // Its description moved, or it is back while searched for: find it again
    // now, then look at its mappings. A search under way goes on.
    m_reapplyWhenAnswering = true;
    if (m_discovery.underway() || pollAfterDescription.isRunning())
        return;
    m_routerKnown = false;
    routerPollTimer.setInterval(0);
    researchTimer.setInterval(0);
    searchRouter();
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
    // NAT-PMP cannot be asked what it holds; its mappings are renewed anyway.
    if (m_natPmp) {
        retryTakenPorts();
        return;
    }
    m_checkIndex = 0;
    m_checkMissing.clear();
    checkStepTimer.setInterval(100);
}

void MappingKeeper::checkNextMapping()
{
    if (m_nat->busy() || m_add)
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
    if (found && mapping && heldByAnotherHost(*mapping, m_internalClient)) {
        // Said once; the line waits until that host lets go.
        const auto& entry = *m_nat->mappingEntry();
        const QString holder = QString::fromLatin1(entry.internalClient);
        if (m_heldByOthers.value(MappingLine::key(*mapping)) != holder)
            log(Messages::portHeldByOther(m_language, mapping->publicPort, mapping->protocol, holder,
                                          QString::fromUtf8(entry.description)));
        m_heldByOthers.insert(MappingLine::key(*mapping), holder);
    } else if (found) {
        const auto& entry = m_nat->mappingEntry();
        const bool pointsHere = mapping && QString::fromLatin1(entry->internalClient) == m_internalClient &&
                                entry->internalPort == mapping->localPort;
        if (!pointsHere)
            m_checkMissing << m_checkIndex;
    } else if (m_nat->fault() && m_nat->fault()->code == NoSuchEntry) {
        if (mapping)
            m_heldByOthers.remove(MappingLine::key(*mapping));
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
    startReapply();
    m_reapplyOnly = m_checkMissing;
}

void MappingKeeper::listRouterMappings(std::function<void(const QStringList& lines)> done)
{
    if (!m_routerKnown) {
        done({Text::routerMappingsNoRouter()});
        return;
    }
    if (m_natPmp) {
        done({Messages::natPmpCannotList(m_language, m_natPmpGateway)});
        return;
    }
    if (m_listing.running())
        return;
    m_listing.start([this, done](const RouterMappingList::Result& result) {
        done(RouterMappingList::describe(result, m_nat->LocalIp(), m_lines));
    });
}

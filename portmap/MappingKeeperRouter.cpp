// Keeping a router in reach: the search, searching again while none answers,
// the external address and its polls, noticing a router that forgot the
// list's mappings, and the listing of what a router holds.

#include "portmap/MappingKeeper.h"

#include "messages/Messages.h"
#include "messages/PortMappingMessages.h"
#include "platform/AttachedSubnet.h"
#include "platform/DottedIPv4.h"
#include "registration/ClientState.h"

#include <algorithm>
#include <utility>

namespace Text = Messages::PortMapping;

namespace {

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
    if (anyBusy())
        return;
    researchTimer.setInterval(0);
    searchRouter();
}

// Every protocol is asked at once; the best router that answers is taken,
// in the mappers' order of preference.
void MappingKeeper::searchRouter()
{
    m_routerState = RouterState::Searching;
    stopAll();
    m_finds.assign(m_mappers.size(), {});
    for (std::size_t index = 0; index < m_mappers.size(); ++index) {
        m_router = m_mappers.at(index).get();
        if (m_router->find())
            continue;
        m_finds[index].ended = true;
        if (leads(index))
            setRouterSeen(RouterSeen::NotFound);
    }
    takeBestRouter();
}

// None that is preferred to that mapper can still find a router.
bool MappingKeeper::leads(std::size_t index) const
{
    return std::all_of(m_finds.cbegin(), m_finds.cbegin() + std::ptrdiff_t(index),
                       [](const Find& find) { return find.ended && !find.found; });
}

void MappingKeeper::findEnded(const RouterMapper& mapper, bool found, const std::optional<QString>& address)
{
    const auto at = std::find_if(m_mappers.cbegin(), m_mappers.cend(),
                                 [&mapper](const auto& candidate) { return candidate.get() == &mapper; });
    const auto index = std::size_t(at - m_mappers.cbegin());
    if (index >= m_finds.size() || m_finds.at(index).ended)
        return;
    m_finds[index] = {true, found, address};
    if (!found && leads(index))
        setRouterSeen(RouterSeen::NotFound);
    takeBestRouter();
}

void MappingKeeper::takeBestRouter()
{
    for (std::size_t index = 0; index < m_finds.size(); ++index) {
        const Find& find = m_finds.at(index);
        if (find.ended && !find.found)
            continue;
        m_router = m_mappers.at(index).get();
        if (find.found)
            takeRouter(index);
        return;
    }
    routerLost();
}

void MappingKeeper::takeRouter(std::size_t index)
{
    const std::optional<QString> address = m_finds.at(index).address;
    m_finds.clear();
    for (std::size_t other = 0; other < m_mappers.size(); ++other) {
        if (other != index)
            m_mappers.at(other)->stop();
    }
    noteRouter();
    if (!address) {
        onFound();
        return;
    }
    if (const QString line = m_router->foundLine(); !line.isEmpty())
        logUnlessRetrying(line);
    setRouterSeen(RouterSeen::Found);
    onFoundWithAddress(*address);
}

void MappingKeeper::noteRouter()
{
    const QString name = m_router->name().isEmpty() ? m_router->protocol() : m_router->name();
    const QStringList router{name, m_router->address()};
    if (!m_lastRouter.isEmpty() && router != m_lastRouter)
        log(Messages::routerChanged(m_language, name, m_router->address()));
    m_lastRouter = router;
}

void MappingKeeper::stopAll()
{
    m_finds.clear();
    for (const auto& mapper : m_mappers)
        mapper->stop();
}

void MappingKeeper::onFound()
{
    m_routerState = RouterState::Found;
    refreshInternalClient();
    // The client takes the router's control address only after this answer's handler returns.
    pollAfterDescription.setInterval(2000);
}

void MappingKeeper::onFoundWithAddress(const QString& address)
{
    m_routerState = RouterState::Ready;
    refreshInternalClient();
    onExternalAddress(address);
}

void MappingKeeper::routerLost()
{
    m_routerState = RouterState::Searching;
    stopAll();
    m_check.reset();
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
    const QString address = m_router->localAddress();
    if (address.isEmpty() || address == m_internalClient)
        return;
    m_internalClient = address;
    emit internalClientChanged(address);
}

void MappingKeeper::pollAfterDescriptionTick()
{
    pollAfterDescription.setInterval(0);
    m_routerState = RouterState::Ready;
    pollExternalAddress();
}

void MappingKeeper::routerPoll()
{
    routerPollTimer.setInterval(11111);
    pollExternalAddress();
}

void MappingKeeper::pollExternalAddress()
{
    if (!routerKnown())
        return;
    // A poll never takes over a running add: the router would get the add,
    // but its answer would be lost.
    if (m_router->busy()) {
        m_pollWaiting = true;
        return;
    }
    requestExternalAddress();
}

void MappingKeeper::requestExternalAddress()
{
    m_router->requestExternalAddress();
    logUnlessRetrying(Text::externalAddressRequested());
}

void MappingKeeper::afterTask()
{
    if (m_pollWaiting && !m_router->busy()) {
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
    } else if ((wasLost || m_reapply.whenAnswering) && !reapplyTimer.isRunning()) {
        // Back after an outage or a restart with the same address: it may have forgotten.
        startReapply();
    }
    m_reapply.whenAnswering = false;
}

void MappingKeeper::onExternalAddressFailed(bool answered)
{
    // Its last address may be stale now: the checks stop trusting it.
    m_session.setRouterAnswering(false);
    // A poll of the router of the last network: that one is given up already.
    if (!routerKnown())
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
    for (const auto& mapper : m_mappers)
        mapper->networkChanged();
    m_recovery.searchSoon();
    // Another network: the router is out of reach, whichever router is there now is searched for.
    if (routerKnown() && !onAttachedSubnet(routerAddress()))
        routerLost();
    if (routerKnown()) {
        pollExternalAddress();
        return;
    }
    // Searching starts over now: what went out before the change may have
    // had no way. A task of another kind is let finish first.
    stopAll();
    pollAfterDescription.setInterval(0);
    if (anyBusy()) {
        m_searchAfterTask = true;
        researchTimer.setInterval(1000);
        return;
    }
    researchTimer.setInterval(0);
    searchRouter();
}

void MappingKeeper::announcementArrived(RouterMapper::Announcement announcement)
{
    if (!announcementTimer.isRunning()) {
        if (!m_announcementRate.admit(m_platform.clock.now()))
            return;
        announcementTimer.setInterval(500);
    }
    m_announced = std::max(m_announced, announcement);
}

// The router's own answer tells what changed; a forged announcement gets no
// more than that question.
void MappingKeeper::changeAnnounced(RouterMapper& mapper)
{
    if (!m_announcementRate.admit(m_platform.clock.now()))
        return;
    mapper.requestExternalAddress();
    logUnlessRetrying(Text::externalAddressRequested());
}

void MappingKeeper::actOnAnnouncement()
{
    // The router's task under way ends first; the next tick acts.
    if (anyBusy())
        return;
    announcementTimer.setInterval(0);
    const auto announced = std::exchange(m_announced, RouterMapper::Announcement::Nothing);
    log(Text::routerRestarted());
    m_recovery.searchSoon();
    // A restarted router may have kept nothing: everything goes back at
    // once, without asking line by line first.
    if (announced == RouterMapper::Announcement::Restarted && routerKnown()) {
        if (!reapplyTimer.isRunning())
            startReapply();
        return;
    }
    // It must be found again, or it is back while searched for: find it
    // now, then look at its mappings. A search under way goes on.
    m_reapply.whenAnswering = true;
    const bool finding = std::any_of(m_mappers.cbegin(), m_mappers.cend(),
                                     [](const auto& mapper) { return mapper->finding(); });
    if (finding || pollAfterDescription.isRunning())
        return;
    m_routerState = RouterState::Searching;
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
    if (!routerKnown() || reapplyTimer.isRunning() || m_check || m_lines.isEmpty() ||
        m_withdrawal.keepsListOff())
        return;
    // A router that cannot be asked what it holds renews its mappings anyway.
    if (!m_router->canLookUp()) {
        retryTakenPorts();
        return;
    }
    m_check = MappingCheck{};
    checkStepTimer.setInterval(100);
}

void MappingKeeper::checkNextMapping()
{
    if (!m_check || !routerKnown() || m_router->busy() || m_add)
        return; // the next tick asks again
    while (m_check->line < m_lines.size() && !MappingLine::ports(m_lines.at(m_check->line)))
        ++m_check->line;
    if (m_check->line >= m_lines.size()) {
        finishMappingCheck();
        return;
    }
    const auto mapping = MappingLine::ports(m_lines.at(m_check->line));
    if (m_router->lookUp(*mapping))
        checkStepTimer.setInterval(0);
}

void MappingKeeper::onLookedUp(const RouterMapper::Entry& entry)
{
    using Kind = RouterMapper::Entry::Kind;
    if (m_withdrawal.underWay && m_withdrawal.underWay->asking) {
        withdrawalLookedUp(entry);
        return;
    }
    if (!m_check)
        return;
    const auto mapping = MappingLine::ports(m_lines.value(m_check->line));
    if (entry.kind == Kind::Held && mapping && heldByAnotherHost(entry.internalClient, *mapping)) {
        // Said once; the line waits until that host lets go.
        if (m_heldByOthers.value(MappingLine::key(*mapping)) != entry.internalClient)
            log(Messages::portHeldByOther(m_language, mapping->publicPort, mapping->protocol,
                                          entry.internalClient, entry.description));
        m_heldByOthers.insert(MappingLine::key(*mapping), entry.internalClient);
    } else if (entry.kind == Kind::Held) {
        const bool pointsHere =
            mapping && entry.internalClient == m_internalClient && entry.internalPort == mapping->localPort;
        if (!pointsHere)
            m_check->missing << m_check->line;
    } else if (entry.kind == Kind::NoSuchEntry) {
        if (mapping)
            m_heldByOthers.remove(MappingLine::key(*mapping));
        m_check->missing << m_check->line;
    } else {
        // No answer, or a router that cannot tell: the address poll watches it.
        m_check.reset();
        return;
    }
    ++m_check->line;
    checkStepTimer.setInterval(100);
}

void MappingKeeper::finishMappingCheck()
{
    checkStepTimer.setInterval(0);
    const QList<int> missing = std::exchange(m_check, std::nullopt)->missing;
    if (missing.isEmpty())
        return;
    log(Text::mappingsMissing(int(missing.size())));
    startReapply();
    m_reapply.only = missing;
}

void MappingKeeper::listRouterMappings(std::function<void(const QStringList& lines)> done)
{
    if (!routerKnown()) {
        done({Text::routerMappingsNoRouter()});
        return;
    }
    m_router->list(m_lines, std::move(done));
}

// Taking every stored mapping off the router while the list stays, as a user
// does before leaving the program or the network. Nothing goes back on the
// router until the user applies the list again or the program starts anew.

#include "portmap/MappingKeeper.h"

#include "messages/PortMappingMessages.h"

#include <QSet>

#include <utility>

namespace Text = Messages::PortMapping;

void MappingKeeper::withdrawAll()
{
    if (!routerKnown() || m_withdrawal.inProgress())
        return;
    m_withdrawal = {};
    m_withdrawal.state = Withdrawal::State::Deleting;
    // Lines for one public port are one mapping on the router.
    QSet<QString> keys;
    for (const QString& line : std::as_const(m_lines)) {
        const auto mapping = MappingLine::ports(line);
        if (mapping && !keys.contains(MappingLine::key(*mapping))) {
            keys.insert(MappingLine::key(*mapping));
            m_withdrawal.left << line;
        }
    }
    // The loop, and the check that would put lines back, stop here.
    reapplyTimer.setInterval(0);
    m_reapply.only.reset();
    checkStepTimer.setInterval(0);
    m_check.reset();
    // Their IPv6 pinholes close with them, and open again with the next add.
    m_pinholes.keepOnly({});
    setOutcome({});
    setEnabled(false, false);
    log(Text::withdrawalStarted(int(m_withdrawal.left.size())));
    withdrawalTimer.setInterval(100);
}

void MappingKeeper::withdrawNext()
{
    if (m_withdrawal.underWay)
        return;
    if (!routerKnown()) {
        // Gone while deleting: what is left stays on it.
        m_withdrawal.failed += int(m_withdrawal.left.size()) + (m_withdrawal.confirmed ? 1 : 0);
        m_withdrawal.left.clear();
        m_withdrawal.confirmed.reset();
    } else if (anyBusy() || m_add) {
        return; // the next tick
    }
    if (!m_withdrawal.confirmed && m_withdrawal.left.isEmpty()) {
        finishWithdrawal();
        return;
    }
    // NAT-PMP and PCP delete only what this machine asked for: no question first.
    if (!m_withdrawal.confirmed && !m_router->canLookUp())
        m_withdrawal.confirmed = m_withdrawal.left.takeFirst();
    if (m_withdrawal.confirmed) {
        const QString line = *std::exchange(m_withdrawal.confirmed, std::nullopt);
        if (m_router->remove(*MappingLine::ports(line)))
            m_withdrawal.underWay = Withdrawal::Step{line, false};
        else
            ++m_withdrawal.failed;
        return;
    }
    const QString line = m_withdrawal.left.takeFirst();
    if (m_router->lookUp(*MappingLine::ports(line)))
        m_withdrawal.underWay = Withdrawal::Step{line, true};
    else
        ++m_withdrawal.failed;
}

void MappingKeeper::withdrawalLookedUp(const RouterMapper::Entry& entry)
{
    using Kind = RouterMapper::Entry::Kind;
    const QString line = std::exchange(m_withdrawal.underWay, std::nullopt)->line;
    const auto mapping = MappingLine::ports(line);
    if (entry.kind == Kind::Held && heldByAnotherHost(entry.internalClient, *mapping)) {
        ++m_withdrawal.othersKept;
    } else if (entry.kind == Kind::Held) {
        m_withdrawal.confirmed = line;
    } else if (entry.kind == Kind::NoSuchEntry) {
        ++m_withdrawal.deleted; // off the router already
        emit mappingDeleted(line);
    } else {
        ++m_withdrawal.failed;
    }
}

void MappingKeeper::withdrawalStepEnded(bool succeeded)
{
    const QString line = std::exchange(m_withdrawal.underWay, std::nullopt)->line;
    if (succeeded) {
        ++m_withdrawal.deleted;
        emit mappingDeleted(line);
    } else {
        ++m_withdrawal.failed;
    }
}

void MappingKeeper::finishWithdrawal()
{
    withdrawalTimer.setInterval(0);
    m_withdrawal.state = Withdrawal::State::Done;
    log(Text::withdrawalEnded(m_withdrawal.deleted, m_withdrawal.failed, m_withdrawal.othersKept));
    setEnabled(routerKnown(), routerKnown());
}

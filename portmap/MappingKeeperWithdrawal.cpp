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
    m_reapplyOnly.reset();
    checkStepTimer.setInterval(0);
    m_checkIndex = -1;
    setOutcome({});
    setEnabled(false, false);
    log(Text::withdrawalStarted(int(m_withdrawal.left.size())));
    withdrawalTimer.setInterval(100);
}

void MappingKeeper::withdrawNext()
{
    if (m_withdrawal.lineUnderWay)
        return;
    if (!routerKnown()) {
        // Gone while deleting: what is left stays on it.
        m_withdrawal.failed += int(m_withdrawal.left.size());
        m_withdrawal.left.clear();
    } else if (anyBusy() || m_add) {
        return; // the next tick
    }
    if (m_withdrawal.left.isEmpty()) {
        finishWithdrawal();
        return;
    }
    const QString line = m_withdrawal.left.takeFirst();
    if (m_router->remove(*MappingLine::ports(line)))
        m_withdrawal.lineUnderWay = line;
    else
        ++m_withdrawal.failed;
}

void MappingKeeper::withdrawalStepEnded(bool succeeded)
{
    const QString line = *std::exchange(m_withdrawal.lineUnderWay, std::nullopt);
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
    log(Text::withdrawalEnded(m_withdrawal.deleted, m_withdrawal.failed));
    setEnabled(routerKnown(), routerKnown());
}

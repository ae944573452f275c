// Ports of the list that another host of the network holds on the router:
// said once, never taken over, tried again once that host lets go.

#include "portmap/MappingKeeper.h"

#include "messages/Messages.h"
#include "portmap/upnp/TAutoNAT.h"

#include <utility>

// Its own addresses (now, or when the line was made) are this machine's:
// such a mapping is brought up to date, not left alone.
bool MappingKeeper::heldByAnotherHost(const MappingLine::Ports& mapping, const QString& ourClient) const
{
    const auto& entry = m_nat->mappingEntry();
    if (!entry)
        return false;
    const QString holder = QString::fromLatin1(entry->internalClient);
    return holder != ourClient && holder != m_internalClient && holder != mapping.localAddress;
}

void MappingKeeper::onHolderAnswer(bool found)
{
    const HolderQuestion question = std::exchange(m_holderQuestion, HolderQuestion::None);
    if (!m_add)
        return;
    if (found && heldByAnotherHost(m_add->mapping, m_add->internalClient)) {
        const auto& entry = *m_nat->mappingEntry();
        const QString holder = QString::fromLatin1(entry.internalClient);
        portHeld(holder,
                 Messages::portHeldByOther(m_language, m_add->mapping.publicPort, m_add->mapping.protocol,
                                           holder, QString::fromUtf8(entry.description)));
        return;
    }
    if (question == HolderQuestion::AfterConflict) {
        endAddAttempt(false, m_conflict, true);
        return;
    }
    // A router that did not answer will not take the add either.
    if (!found && !m_nat->answered()) {
        endAddAttempt(false, std::nullopt, false);
        return;
    }
    m_heldByOthers.remove(MappingLine::key(m_add->mapping));
    addStepTimer.setInterval(10);
}

// The add ends refused, and its line is not stored.
void MappingKeeper::portHeld(const QString& holder, const QString& text)
{
    const QString key = MappingLine::key(m_add->mapping);
    if (m_pendingAdd || m_heldByOthers.value(key) != holder) {
        log(text);
        emit addRefused(text);
    }
    m_heldByOthers.insert(key, holder);
    m_add.reset();
    m_loopAdd = false;
    m_pendingAdd.reset();
    setOutcome({MappingOutcome::Kind::Held, 0, text});
    endAdd();
}

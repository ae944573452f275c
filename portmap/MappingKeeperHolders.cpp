// Ports of the list that another host of the network holds on the router:
// said once, never taken over, tried again once that host lets go.

#include "portmap/MappingKeeper.h"

#include "messages/PortMappingMessages.h"

#include <utility>

// Its own addresses (now, or when the line was made) are this machine's:
// such a mapping is brought up to date, not left alone.
bool MappingKeeper::heldByAnotherHost(const QString& holder, const MappingLine::Ports& mapping) const
{
    return MappingLine::heldElsewhere(holder, m_internalClient, mapping);
}

// The add ends refused, and its line is not stored.
void MappingKeeper::portHeld(const QString& holder, const QString& text)
{
    const QString key = MappingLine::key(m_add->mapping);
    if (m_add->byUser() || m_heldByOthers.value(key) != holder) {
        log(text);
        emit addRefused(text);
    }
    m_heldByOthers.insert(key, holder);
    m_add.reset();
    setOutcome({MappingOutcome::Kind::Held, 0, text});
    endAdd();
}

// A router that cannot be asked what it holds is asked again for each port
// another host held; what it gives back comes as a mapping taken again.
void MappingKeeper::retryTakenPorts()
{
    for (const QString& line : std::as_const(m_lines)) {
        const auto mapping = MappingLine::ports(line);
        if (mapping && m_heldByOthers.contains(MappingLine::key(*mapping)))
            m_router->retry(*mapping);
    }
}

// A renewal, or the new try of a port that was taken: a port given back
// ends its hold; another port given is let go.
void MappingKeeper::onMappedAgain(const MappingLine::Ports& asked, int givenPort)
{
    const auto line = storedLine(asked);
    if (!line || !m_heldByOthers.contains(MappingLine::key(*MappingLine::ports(*line))))
        return;
    if (givenPort != asked.publicPort) {
        const MappingLine::Ports given{asked.protocol, givenPort, asked.localPort, {}};
        if (!storedLine(given))
            m_router->release(given);
        return;
    }
    m_heldByOthers.remove(MappingLine::key(*MappingLine::ports(*line)));
    log(Messages::PortMapping::portAdded());
    emit mappingAdded(*line);
}

std::optional<QString> MappingKeeper::storedLine(const MappingLine::Ports& mapping) const
{
    for (const QString& line : m_lines) {
        const auto ports = MappingLine::ports(line);
        if (ports && ports->protocol == mapping.protocol && ports->publicPort == mapping.publicPort &&
            ports->localPort == mapping.localPort)
            return line;
    }
    return std::nullopt;
}

#include "portmap/upnp/RouterMappingList.h"

#include "messages/PortMappingMessages.h"
#include "portmap/MappingLine.h"
#include "portmap/upnp/TAutoNAT.h"

#include <algorithm>

#include <utility>

namespace {

constexpr int StepMs = 20;

} // namespace

RouterMappingList::RouterMappingList(TAutoNAT& nat) : m_nat(nat)
{
    m_step.setOnTimer([this] { askNext(); });
}

void RouterMappingList::start(Done done)
{
    m_done = std::move(done);
    m_index = 0;
    m_result = {};
    m_step.setInterval(StepMs);
}

void RouterMappingList::askNext()
{
    if (m_nat.busy() || !m_nat.GetPortMappingAt(m_index))
        return; // the timer asks again
    m_step.setInterval(0);
}

void RouterMappingList::taskEnded(bool succeeded)
{
    if (!running())
        return;
    if (succeeded) {
        m_result.entries.append(*m_nat.mappingEntry());
    } else if (m_nat.fault()) {
        // The router's "no such entry" (713, or another error code some give) ends the list.
        finish(true);
        return;
    } else if (!m_nat.answered()) {
        finish(false);
        return;
    }
    // An entry the router gave but that cannot be read is passed over.
    if (++m_index >= MaxEntries) {
        finish(true);
        return;
    }
    m_step.setInterval(StepMs);
}

void RouterMappingList::finish(bool complete)
{
    m_step.setInterval(0);
    m_result.complete = complete;
    const Done done = std::exchange(m_done, {});
    done(m_result);
}

QStringList RouterMappingList::describe(const Result& result, const QString& localIp,
                                        const QStringList& storedLines)
{
    namespace Text = Messages::PortMapping;
    QStringList lines;
    for (const SoapAnswer::MappingEntry& entry : result.entries) {
        Text::RouterMapping mapping;
        mapping.protocol = QString::fromLatin1(entry.protocol);
        mapping.externalPort = entry.externalPort;
        mapping.internalClient = QString::fromLatin1(entry.internalClient);
        mapping.internalPort = entry.internalPort;
        mapping.description = QString::fromUtf8(entry.description);
        mapping.enabled = entry.enabled;
        mapping.thisMachine = mapping.internalClient == localIp;
        mapping.stored = std::any_of(storedLines.cbegin(), storedLines.cend(), [&](const QString& line) {
            const auto ports = MappingLine::ports(line);
            return ports && ports->publicPort == entry.externalPort && ports->protocol == mapping.protocol;
        });
        lines << Text::routerMappingLine(mapping);
    }
    if (lines.isEmpty() && result.complete)
        lines << Text::routerMappingsNone();
    if (!result.complete)
        lines << Text::routerMappingsIncomplete();
    return lines;
}

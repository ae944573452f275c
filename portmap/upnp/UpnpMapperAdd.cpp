// An add on a UPnP router: the router is asked first who holds the port, as
// many routers overwrite another host's mapping silently; a refused add
// asks again, to say who took the port in the meantime.

#include "portmap/upnp/UpnpMapper.h"

#include "messages/Messages.h"
#include "messages/PortMappingMessages.h"
#include "portmap/upnp/TAutoNAT.h"

#include <utility>

namespace Text = Messages::PortMapping;

namespace {

// UPnP's "ConflictInMappingEntry": the port is mapped to another host.
constexpr int ConflictInMappingEntry = 718;

} // namespace

bool UpnpMapper::add(const MappingLine::Ports& mapping, const QString& internalClient,
                     const QString& thisMachine)
{
    if (m_add || !m_nat->GetPortMapping(mapping.publicPort, mapping.protocol))
        return false;
    m_add = AddUnderWay{mapping, internalClient, thisMachine};
    m_holderQuestion = HolderQuestion::BeforeAdd;
    return true;
}

void UpnpMapper::addStep()
{
    if (m_nat->busy())
        return; // the next tick
    m_addStep.setInterval(0);
    if (!m_add)
        return;
    if (m_holderQuestion == HolderQuestion::AfterConflict) {
        if (!m_nat->GetPortMapping(m_add->mapping.publicPort, m_add->mapping.protocol))
            endAdd(failure(m_conflict, true));
        return;
    }
    const AddUnderWay& add = *m_add;
    if (m_nat->AddPort(mappingDescription, add.mapping.publicPort, add.internalClient, add.mapping.localPort,
                       add.mapping.protocol)) {
        emit logged(Text::addStarted());
        return;
    }
    endAdd(AddResult::of(AddResult::Kind::NotStarted));
}

void UpnpMapper::onAddEnded(bool succeeded)
{
    if (!succeeded && m_add && m_nat->fault() && m_nat->fault()->code == ConflictInMappingEntry) {
        // Taken in the meantime, or refused for another reason: the router says which.
        m_conflict = m_nat->fault();
        m_holderQuestion = HolderQuestion::AfterConflict;
        m_addStep.setInterval(10);
        return;
    }
    if (!m_add)
        return;
    endAdd(succeeded ? AddResult::of(AddResult::Kind::Added) : failure(m_nat->fault(), m_nat->answered()));
}

// Its own addresses (now, or when the line was made) are this machine's:
// such a mapping is brought up to date, not left alone.
bool UpnpMapper::heldByAnotherHost(const AddUnderWay& add) const
{
    const auto& entry = m_nat->mappingEntry();
    if (!entry)
        return false;
    const QString holder = QString::fromLatin1(entry->internalClient);
    return holder != add.internalClient && holder != add.thisMachine && holder != add.mapping.localAddress;
}

void UpnpMapper::onHolderAnswer(bool found)
{
    const HolderQuestion question = std::exchange(m_holderQuestion, HolderQuestion::None);
    if (!m_add)
        return;
    if (found && heldByAnotherHost(*m_add)) {
        const auto& entry = *m_nat->mappingEntry();
        AddResult held = AddResult::of(AddResult::Kind::HeldByOther);
        held.holder = QString::fromLatin1(entry.internalClient);
        held.text = Messages::portHeldByOther(m_language, m_add->mapping.publicPort, m_add->mapping.protocol,
                                              held.holder, QString::fromUtf8(entry.description));
        endAdd(held);
        return;
    }
    if (question == HolderQuestion::AfterConflict) {
        endAdd(failure(m_conflict, true));
        return;
    }
    // A router that did not answer will not take the add either.
    if (!found && !m_nat->answered()) {
        endAdd(failure(std::nullopt, false));
        return;
    }
    m_addStep.setInterval(10);
}

void UpnpMapper::endAdd(const AddResult& result)
{
    m_add.reset();
    m_holderQuestion = HolderQuestion::None;
    emit addEnded(result);
}

RouterMapper::AddResult UpnpMapper::failure(const std::optional<SoapAnswer::Fault>& fault,
                                            bool answered) const
{
    AddResult result = AddResult::of(fault ? AddResult::Kind::Refused : AddResult::Kind::Failed);
    result.answered = answered;
    if (fault) {
        result.code = fault->code;
        result.text = QString::fromUtf8(fault->description);
        result.reason = QStringLiteral("UPnP error %1: %2").arg(fault->code).arg(result.text);
    }
    return result;
}

#include "portmap/LeaseMapper.h"

#include "messages/PortMappingMessages.h"
#include "platform/DefaultGateway.h"

#include <utility>

namespace {

// A mapping is its protocol and public port, whatever local port it leads to.
bool sameMapping(const std::optional<MappingLine::Ports>& mapping, const MappingLine::Ports& asked)
{
    return mapping && mapping->protocol == asked.protocol && mapping->publicPort == asked.publicPort;
}

} // namespace

LeaseMapper::LeaseMapper(const NatPmpAim& aim, LanguageCode language, QObject* parent)
    : RouterMapper(parent), m_aim(aim), m_language(language)
{
}

bool LeaseMapper::find()
{
    stop();
    const std::optional<QString> gateway = m_aim.port == 0        ? std::nullopt
                                           : m_aim.host.isEmpty() ? defaultGateway()
                                                                  : std::optional(m_aim.host);
    if (!gateway)
        return false;
    m_gateway = *gateway;
    open(QHostAddress(*gateway), quint16(m_aim.port));
    askAddress();
    return true;
}

void LeaseMapper::stop()
{
    if (!isOpen())
        return;
    close();
    m_answered = false;
    m_removing.reset();
    // An add under way will get no answer.
    if (std::exchange(m_adding, std::nullopt))
        emit addEnded(AddResult::of(AddResult::Kind::Abandoned));
}

void LeaseMapper::requestExternalAddress()
{
    if (isOpen())
        askAddress();
}

void LeaseMapper::addressAnswered(const QString& address)
{
    if (std::exchange(m_answered, true)) {
        emit externalAddressRead(address);
        return;
    }
    emit foundWithAddress(address);
}

void LeaseMapper::addressFailed(bool answered)
{
    if (!m_answered) {
        emit notFound();
        return;
    }
    emit externalAddressFailed(answered);
}

bool LeaseMapper::add(const MappingLine::Ports& mapping, const QString& internalClient,
                      const QString& thisMachine)
{
    if (!isOpen() || m_adding)
        return false;
    if (internalClient.trimmed() != thisMachine) {
        emit logged(onlyThisMachine(internalClient.trimmed()));
        emit addEnded(AddResult::of(AddResult::Kind::Failed));
        return true;
    }
    m_adding = mapping;
    emit logged(Messages::PortMapping::addStarted());
    map(mapping);
    return true;
}

bool LeaseMapper::remove(const MappingLine::Ports& mapping)
{
    if (!isOpen())
        return false;
    m_removing = mapping;
    unmap(mapping);
    return true;
}

void LeaseMapper::release(const MappingLine::Ports& mapping)
{
    if (isOpen())
        unmap(mapping);
}

void LeaseMapper::retry(const MappingLine::Ports& mapping)
{
    if (isOpen())
        map(mapping);
}

// The router may give another public port than the one asked for.
void LeaseMapper::leaseGiven(const MappingLine::Ports& asked, int givenPort)
{
    if (!sameMapping(m_adding, asked)) {
        emit mappedAgain(asked, givenPort);
        return;
    }
    m_adding.reset();
    AddResult result = AddResult::of(AddResult::Kind::Added);
    if (givenPort != asked.publicPort) {
        result = AddResult::of(AddResult::Kind::OtherPortOffered);
        result.offeredPort = givenPort;
    }
    emit addEnded(result);
}

void LeaseMapper::leaseEnded(const MappingLine::Ports& mapping)
{
    if (!sameMapping(m_removing, mapping))
        return;
    m_removing.reset();
    emit removeEnded(true);
}

void LeaseMapper::leaseRefused(const MappingLine::Ports& asked, int result, const QString& resultName)
{
    if (sameMapping(m_adding, asked)) {
        m_adding.reset();
        AddResult refusal = AddResult::of(result < 0 ? AddResult::Kind::Failed : AddResult::Kind::Refused);
        refusal.answered = result >= 0;
        if (result >= 0) {
            refusal.code = result;
            refusal.text = resultName;
            refusal.reason = refusalReason(result, resultName);
        }
        emit addEnded(refusal);
        return;
    }
    if (sameMapping(m_removing, asked)) {
        m_removing.reset();
        emit removeEnded(false);
    }
}

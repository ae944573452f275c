#include "portmap/natpmp/NatPmpMapper.h"

#include "messages/Messages.h"
#include "messages/PortMappingMessages.h"
#include "platform/DefaultGateway.h"
#include "portmap/natpmp/NatPmpAnnouncements.h"
#include "portmap/natpmp/NatPmpClient.h"

#include <QHostAddress>

#include <utility>

namespace {

// A mapping is its protocol and public port, whatever local port it leads to.
bool sameMapping(const std::optional<MappingLine::Ports>& mapping, const NatPmp::Mapping& asked)
{
    return mapping && NatPmp::protocolNamed(mapping->protocol) == asked.protocol &&
           mapping->publicPort == asked.externalPort;
}

MappingLine::Ports portsOf(const NatPmp::Mapping& mapping, quint16 externalPort)
{
    return {mapping.protocol == NatPmp::Protocol::Tcp ? QStringLiteral("TCP") : QStringLiteral("UDP"),
            externalPort, mapping.internalPort, {}};
}

void map(NatPmpClient& client, const MappingLine::Ports& mapping)
{
    client.map(NatPmp::protocolNamed(mapping.protocol), quint16(mapping.localPort), quint16(mapping.publicPort));
}

} // namespace

NatPmpMapper::NatPmpMapper(const Platform& platform, LanguageCode language, QObject* parent)
    : RouterMapper(parent), m_clock(platform.clock), m_aim(platform.natPmp), m_language(language)
{
}

NatPmpMapper::~NatPmpMapper() = default;

QString NatPmpMapper::protocol() const
{
    return QStringLiteral("NAT-PMP");
}

QString NatPmpMapper::localAddress() const
{
    return m_client ? m_client->localAddress() : QString();
}

bool NatPmpMapper::find()
{
    stop();
    const std::optional<QString> gateway =
        m_aim.port == 0 ? std::nullopt : m_aim.host.isEmpty() ? defaultGateway() : std::optional(m_aim.host);
    if (!gateway)
        return false;
    m_gateway = *gateway;
    m_client = new NatPmpClient(QHostAddress(*gateway), quint16(m_aim.port), 4,
                                NatPmpClient::defaultLifetimeSeconds, this);
    connect(m_client, &NatPmpClient::externalAddressRead, this,
            [this](const QString& address, quint32 epoch) { onAddress(address, epoch); });
    connect(m_client, &NatPmpClient::externalAddressFailed, this, [this](int result) { onAddressFailed(result); });
    connect(m_client, &NatPmpClient::mapped, this,
            [this](const NatPmp::Mapping& asked, quint16 externalPort, quint32) { onMapped(asked, externalPort); });
    connect(m_client, &NatPmpClient::unmapped, this,
            [this](const NatPmp::Mapping& mapping) { onUnmapped(mapping); });
    connect(m_client, &NatPmpClient::refused, this,
            [this](const NatPmp::Mapping& asked, int result) { onRefused(asked, result); });
    m_announcements = new NatPmpAnnouncements(QHostAddress(*gateway), quint16(m_aim.port),
                                              NatPmpAnnouncements::clientPort, this);
    connect(m_announcements, &NatPmpAnnouncements::announced, this, [this] { emit changeAnnounced(); });
    m_client->requestExternalAddress();
    return true;
}

// Safe from inside the client's own signals: it goes once they have returned.
void NatPmpMapper::stop()
{
    if (!m_client)
        return;
    m_client->disconnect(this);
    m_client->deleteLater();
    m_client = nullptr;
    m_announcements->disconnect(this);
    m_announcements->deleteLater();
    m_announcements = nullptr;
    m_epoch.reset();
    m_answered = false;
    m_removing.reset();
    // An add under way will get no answer.
    if (std::exchange(m_adding, std::nullopt))
        emit addEnded(AddResult::of(AddResult::Kind::Abandoned));
}

void NatPmpMapper::requestExternalAddress()
{
    if (m_client)
        m_client->requestExternalAddress();
}

void NatPmpMapper::onAddress(const QString& address, quint32 epoch)
{
    const QDateTime now = m_clock.now();
    if (m_epoch && NatPmp::gatewayRestarted(m_epoch->first, epoch, m_epoch->second.msecsTo(now)))
        emit restartSeen();
    m_epoch = {epoch, now};
    addressAnswered(address);
}

void NatPmpMapper::addressAnswered(const QString& address)
{
    if (std::exchange(m_answered, true)) {
        emit externalAddressRead(address);
        return;
    }
    emit progress(Messages::natPmpRouterFound(m_language, m_gateway));
    emit answered();
    emit foundWithAddress(address);
}

void NatPmpMapper::onAddressFailed(int result)
{
    // Its own link has no address yet: as a UPnP router that says 0.0.0.0.
    if (result == NatPmp::NetworkFailure) {
        addressAnswered(QStringLiteral("0.0.0.0"));
        return;
    }
    if (!m_answered) {
        emit notFound();
        return;
    }
    emit externalAddressFailed(result >= 0);
}

bool NatPmpMapper::add(const MappingLine::Ports& mapping, const QString& internalClient,
                       const QString& thisMachine)
{
    if (!m_client || m_adding)
        return false;
    if (internalClient.trimmed() != thisMachine) {
        emit logged(Messages::natPmpOnlyThisMachine(m_language, internalClient.trimmed()));
        emit addEnded(AddResult::of(AddResult::Kind::Failed));
        return true;
    }
    m_adding = mapping;
    emit logged(Messages::PortMapping::addStarted());
    map(*m_client, mapping);
    return true;
}

bool NatPmpMapper::remove(const MappingLine::Ports& mapping)
{
    if (!m_client)
        return false;
    m_removing = mapping;
    m_client->unmap(NatPmp::protocolNamed(mapping.protocol), quint16(mapping.localPort),
                    quint16(mapping.publicPort));
    return true;
}

void NatPmpMapper::release(const MappingLine::Ports& mapping)
{
    if (m_client)
        m_client->unmap(NatPmp::protocolNamed(mapping.protocol), quint16(mapping.localPort),
                        quint16(mapping.publicPort));
}

void NatPmpMapper::retry(const MappingLine::Ports& mapping)
{
    if (m_client)
        map(*m_client, mapping);
}

void NatPmpMapper::list(const QStringList&, std::function<void(const QStringList& lines)> done)
{
    done({Messages::natPmpCannotList(m_language, m_gateway)});
}

// The router may give another public port than the one asked for.
void NatPmpMapper::onMapped(const NatPmp::Mapping& asked, quint16 externalPort)
{
    if (!sameMapping(m_adding, asked)) {
        emit mappedAgain(portsOf(asked, asked.externalPort), externalPort);
        return;
    }
    m_adding.reset();
    AddResult result = AddResult::of(AddResult::Kind::Added);
    if (externalPort != asked.externalPort) {
        result = AddResult::of(AddResult::Kind::OtherPortOffered);
        result.offeredPort = externalPort;
    }
    emit addEnded(result);
}

void NatPmpMapper::onUnmapped(const NatPmp::Mapping& mapping)
{
    if (!sameMapping(m_removing, mapping))
        return;
    m_removing.reset();
    emit removeEnded(true);
}

void NatPmpMapper::onRefused(const NatPmp::Mapping& asked, int result)
{
    if (sameMapping(m_adding, asked)) {
        m_adding.reset();
        AddResult refusal = AddResult::of(result < 0 ? AddResult::Kind::Failed : AddResult::Kind::Refused);
        refusal.answered = result >= 0;
        if (result >= 0) {
            refusal.code = result;
            refusal.text = QString::fromUtf8(NatPmp::resultName(quint16(result)));
            refusal.reason = QStringLiteral("NAT-PMP result %1: %2").arg(result).arg(refusal.text);
        }
        emit addEnded(refusal);
        return;
    }
    if (sameMapping(m_removing, asked)) {
        m_removing.reset();
        emit removeEnded(false);
    }
}

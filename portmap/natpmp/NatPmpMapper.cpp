#include "portmap/natpmp/NatPmpMapper.h"

#include "messages/Messages.h"
#include "portmap/natpmp/NatPmpAnnouncements.h"
#include "portmap/natpmp/NatPmpClient.h"

namespace {

MappingLine::Ports portsOf(const NatPmp::Mapping& mapping)
{
    return {mapping.protocol == NatPmp::Protocol::Tcp ? QStringLiteral("TCP") : QStringLiteral("UDP"),
            mapping.externalPort, mapping.internalPort, QString()};
}

} // namespace

NatPmpMapper::NatPmpMapper(const Platform& platform, LanguageCode language, QObject* parent)
    : LeaseMapper(platform.natPmp, language, parent), m_clock(platform.clock)
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

QString NatPmpMapper::foundLine() const
{
    return Messages::natPmpRouterFound(language(), address());
}

void NatPmpMapper::list(const QStringList&, std::function<void(const QStringList& lines)> done)
{
    done({Messages::natPmpCannotList(language(), address())});
}

void NatPmpMapper::open(const QHostAddress& gateway, quint16 port)
{
    m_client = new NatPmpClient(gateway, port, 4, NatPmpClient::defaultLifetimeSeconds, this);
    connect(m_client, &NatPmpClient::externalAddressRead, this,
            [this](const QString& address, quint32 epoch) { onAddress(address, epoch); });
    connect(m_client, &NatPmpClient::externalAddressFailed, this, [this](int result) {
        // Its own link has no address yet: as a UPnP router that says 0.0.0.0.
        if (result == NatPmp::NetworkFailure)
            addressAnswered(QStringLiteral("0.0.0.0"));
        else
            addressFailed(result >= 0);
    });
    connect(m_client, &NatPmpClient::mapped, this,
            [this](const NatPmp::Mapping& asked, quint16 externalPort, quint32) {
                leaseGiven(portsOf(asked), externalPort);
            });
    connect(m_client, &NatPmpClient::unmapped, this,
            [this](const NatPmp::Mapping& mapping) { leaseEnded(portsOf(mapping)); });
    connect(m_client, &NatPmpClient::refused, this, [this](const NatPmp::Mapping& asked, int result) {
        leaseRefused(portsOf(asked), result,
                     result < 0 ? QString() : QString::fromUtf8(NatPmp::resultName(quint16(result))));
    });
    m_announcements = new NatPmpAnnouncements(gateway, port, NatPmpAnnouncements::clientPort, this);
    connect(m_announcements, &NatPmpAnnouncements::announced, this, [this] { emit changeAnnounced(); });
}

// They go once their own signals have returned.
void NatPmpMapper::close()
{
    m_client->disconnect(this);
    m_client->deleteLater();
    m_client = nullptr;
    m_announcements->disconnect(this);
    m_announcements->deleteLater();
    m_announcements = nullptr;
    m_epoch.reset();
}

void NatPmpMapper::askAddress()
{
    m_client->requestExternalAddress();
}

void NatPmpMapper::map(const MappingLine::Ports& mapping)
{
    m_client->map(NatPmp::protocolNamed(mapping.protocol), quint16(mapping.localPort),
                  quint16(mapping.publicPort));
}

void NatPmpMapper::unmap(const MappingLine::Ports& mapping)
{
    m_client->unmap(NatPmp::protocolNamed(mapping.protocol), quint16(mapping.localPort),
                    quint16(mapping.publicPort));
}

QString NatPmpMapper::onlyThisMachine(const QString& internalClient) const
{
    return Messages::natPmpOnlyThisMachine(language(), internalClient);
}

QString NatPmpMapper::refusalReason(int result, const QString& resultName) const
{
    return QStringLiteral("NAT-PMP result %1: %2").arg(result).arg(resultName);
}

void NatPmpMapper::onAddress(const QString& address, quint32 epoch)
{
    const QDateTime now = m_clock.now();
    if (m_epoch && NatPmp::gatewayRestarted(m_epoch->first, epoch, m_epoch->second.msecsTo(now)))
        emit restartSeen();
    m_epoch = {epoch, now};
    addressAnswered(address);
}

#include "portmap/pcp/PcpMapper.h"

#include "messages/Messages.h"
#include "portmap/natpmp/NatPmpAnnouncements.h"
#include "platform/DefaultGateway.h"
#include "portmap/pcp/PcpClient.h"
#include "portmap/pcp/PcpPinholes.h"

namespace {

MappingLine::Ports portsOf(const Pcp::Mapping& mapping)
{
    return {mapping.protocol == Pcp::Protocol::Tcp ? QStringLiteral("TCP") : QStringLiteral("UDP"),
            mapping.externalPort, mapping.internalPort, QString()};
}

Pcp::Protocol protocolOf(const MappingLine::Ports& mapping)
{
    return mapping.protocol == QStringLiteral("TCP") ? Pcp::Protocol::Tcp : Pcp::Protocol::Udp;
}

} // namespace

PcpMapper::PcpMapper(const Platform& platform, LanguageCode language, QObject* parent)
    : LeaseMapper(platform.natPmp, language, parent), m_clock(platform.clock),
      m_pinholes(new PcpPinholes(platform.clock, quint16(platform.natPmp.port), {}, this))
{
    connect(m_pinholes, &PcpPinholes::ended, this, &RouterMapper::pinholeEnded);
}

PcpMapper::~PcpMapper() = default;

QString PcpMapper::protocol() const
{
    return QStringLiteral("PCP");
}

QString PcpMapper::localAddress() const
{
    return m_client ? m_client->localAddress() : QString();
}

QString PcpMapper::foundLine() const
{
    return Messages::pcpRouterFound(language(), address());
}

void PcpMapper::list(const QStringList&, std::function<void(const QStringList& lines)> done)
{
    done({Messages::pcpCannotList(language(), address())});
}

bool PcpMapper::addPinhole(const QString& protocol, int localPort, const QString& address, int leaseSeconds)
{
    if (localPort <= 0 || localPort > 0xffff)
        return false;
    const auto pcpProtocol = protocol == QStringLiteral("TCP") ? Pcp::Protocol::Tcp : Pcp::Protocol::Udp;
    const int id = PcpPinholes::idOf(pcpProtocol, quint16(localPort));
    return sendPinhole(PinholeStep::Add, id, address, leaseSeconds);
}

bool PcpMapper::renewPinhole(int id, const QString& address, int leaseSeconds)
{
    return sendPinhole(PinholeStep::Renew, id, address, leaseSeconds);
}

bool PcpMapper::removePinhole(int id, const QString& address)
{
    return sendPinhole(PinholeStep::Remove, id, address);
}

bool PcpMapper::sendPinhole(PinholeStep step, int id, const QString& address, int leaseSeconds)
{
    const std::optional<QString> gateway = defaultGatewayIPv6();
    const auto lease = quint32(std::max(leaseSeconds, 0));
    return isOpen() && gateway &&
           m_pinholes->send(step, id, QHostAddress(*gateway), QHostAddress(address), lease);
}

void PcpMapper::open(const QHostAddress& gateway, quint16 port)
{
    m_client = new PcpClient(m_clock, gateway, port, {}, PcpClient::defaultLifetimeSeconds, this);
    connect(m_client, &PcpClient::externalAddressRead, this,
            [this](const QString& address, quint32) { addressAnswered(address); });
    connect(m_client, &PcpClient::externalAddressFailed, this, [this](int result) {
        // Its own link has no address yet: as a UPnP router that says 0.0.0.0.
        if (result == Pcp::NetworkFailure)
            addressAnswered(QStringLiteral("0.0.0.0"));
        else
            addressFailed(result >= 0);
    });
    connect(m_client, &PcpClient::mapped, this,
            [this](const Pcp::Mapping& asked, quint16 externalPort, quint32) {
                leaseGiven(portsOf(asked), externalPort);
            });
    connect(m_client, &PcpClient::unmapped, this,
            [this](const Pcp::Mapping& mapping) { leaseEnded(portsOf(mapping)); });
    connect(m_client, &PcpClient::refused, this, [this](const Pcp::Mapping& asked, int result) {
        leaseRefused(portsOf(asked), result,
                     result < 0 ? QString() : QString::fromUtf8(Pcp::resultName(result)));
    });
    // The client asks again for every mapping it held.
    connect(m_client, &PcpClient::gatewayRestarted, this, [this] { emit restartSeen(); });
    m_announcements = new NatPmpAnnouncements(gateway, port, NatPmpAnnouncements::clientPort, this);
    connect(m_announcements, &NatPmpAnnouncements::announced, this, [this] { emit changeAnnounced(); });
}

// They go once their own signals have returned.
void PcpMapper::close()
{
    m_client->disconnect(this);
    m_client->deleteLater();
    m_client = nullptr;
    m_announcements->disconnect(this);
    m_announcements->deleteLater();
    m_announcements = nullptr;
}

void PcpMapper::askAddress()
{
    m_client->requestExternalAddress();
}

void PcpMapper::map(const MappingLine::Ports& mapping)
{
    m_client->map(protocolOf(mapping), quint16(mapping.localPort), quint16(mapping.publicPort));
}

void PcpMapper::unmap(const MappingLine::Ports& mapping)
{
    m_client->unmap(protocolOf(mapping), quint16(mapping.localPort), quint16(mapping.publicPort));
}

QString PcpMapper::onlyThisMachine(const QString& internalClient) const
{
    return Messages::pcpOnlyThisMachine(language(), internalClient);
}

QString PcpMapper::refusalReason(int result, const QString& resultName) const
{
    return QStringLiteral("PCP result %1: %2").arg(result).arg(resultName);
}

// Routers with UPnP off that speak NAT-PMP: the default route's gateway is
// asked once a search finds no UPnP router. Such a router maps ports only to
// the host that asks (where the re-apply leads every line anyway), renews
// nothing by itself and cannot list what it holds; the client renews each
// mapping at half its lifetime, and the epoch of the address polls shows a
// restart that lost them.

#include "portmap/MappingKeeper.h"

#include "messages/Messages.h"
#include "messages/PortMappingMessages.h"
#include "platform/DefaultGateway.h"
#include "portmap/natpmp/NatPmpAnnouncements.h"
#include "portmap/natpmp/NatPmpClient.h"
#include "registration/ClientState.h"

#include <QHostAddress>

#include <utility>

namespace Text = Messages::PortMapping;

namespace {

// A line is its protocol and public port, whatever local port it leads to.
bool sameMapping(const MappingLine::Ports& mapping, const NatPmp::Mapping& asked)
{
    return NatPmp::protocolNamed(mapping.protocol) == asked.protocol && mapping.publicPort == asked.externalPort;
}

} // namespace

void MappingKeeper::askNatPmp()
{
    dropNatPmp();
    const NatPmpAim& aim = m_platform.natPmp;
    const std::optional<QString> gateway =
        aim.port == 0 ? std::nullopt : aim.host.isEmpty() ? defaultGateway() : std::optional(aim.host);
    if (!gateway) {
        routerLost();
        return;
    }
    m_natPmpGateway = *gateway;
    m_natPmp = new NatPmpClient(QHostAddress(*gateway), quint16(aim.port), 4,
                                NatPmpClient::defaultLifetimeSeconds, this);
    connect(m_natPmp, &NatPmpClient::externalAddressRead, this,
            [this](const QString& address, quint32 epoch) { onNatPmpAddress(address, epoch); });
    connect(m_natPmp, &NatPmpClient::externalAddressFailed, this,
            [this](int result) { onNatPmpAddressFailed(result); });
    connect(m_natPmp, &NatPmpClient::mapped, this,
            [this](const NatPmp::Mapping& asked, quint16 externalPort, quint32) {
                onNatPmpMapped(asked, externalPort);
            });
    connect(m_natPmp, &NatPmpClient::unmapped, this,
            [this](const NatPmp::Mapping& mapping) { onNatPmpUnmapped(mapping); });
    connect(m_natPmp, &NatPmpClient::refused, this,
            [this](const NatPmp::Mapping& asked, int result) { onNatPmpRefused(asked, result); });
    m_natPmpAnnouncements = new NatPmpAnnouncements(QHostAddress(*gateway), quint16(aim.port),
                                                    NatPmpAnnouncements::clientPort, this);
    connect(m_natPmpAnnouncements, &NatPmpAnnouncements::announced, this, [this] { onNatPmpAnnounced(); });
    m_natPmp->requestExternalAddress();
}

// Safe from inside the client's own signals: it goes once they have returned.
void MappingKeeper::dropNatPmp()
{
    if (!m_natPmp)
        return;
    m_natPmp->disconnect(this);
    m_natPmp->deleteLater();
    m_natPmp = nullptr;
    m_natPmpAnnouncements->disconnect(this);
    m_natPmpAnnouncements->deleteLater();
    m_natPmpAnnouncements = nullptr;
    m_natPmpEpoch.reset();
    // An add under way will get no answer; the list goes back once a router answers.
    if (m_add) {
        m_add.reset();
        m_loopAdd = false;
        m_pendingAdd.reset();
        reapplyTimer.setInterval(0);
        endAdd();
    }
}

void MappingKeeper::natPmpAnswered()
{
    if (m_routerKnown)
        return;
    m_routerKnown = true;
    logUnlessRetrying(Messages::natPmpRouterFound(m_language, m_natPmpGateway));
    setRouterSeen(RouterSeen::Found);
    const QString local = m_natPmp->localAddress();
    if (!local.isEmpty() && local != m_internalClient) {
        m_internalClient = local;
        emit internalClientChanged(local);
    }
}

void MappingKeeper::onNatPmpAddress(const QString& address, quint32 epoch)
{
    const QDateTime now = m_platform.clock.now();
    if (m_natPmpEpoch &&
        NatPmp::gatewayRestarted(m_natPmpEpoch->first, epoch, m_natPmpEpoch->second.msecsTo(now))) {
        log(Text::routerRestarted());
        m_reapplyWhenAnswering = true;
    }
    m_natPmpEpoch = {epoch, now};
    natPmpAnswered();
    onExternalAddress(address);
}

// A restart or a new address, announced: the router's own answer, with its
// epoch, tells which; a forged announcement gets no more than that question.
void MappingKeeper::onNatPmpAnnounced()
{
    if (!m_announcementRate.admit(m_platform.clock.now()))
        return;
    m_natPmp->requestExternalAddress();
    logUnlessRetrying(Text::externalAddressRequested());
}

void MappingKeeper::onNatPmpAddressFailed(int result)
{
    // Its own link has no address yet: as a UPnP router that says 0.0.0.0.
    if (result == NatPmp::NetworkFailure) {
        natPmpAnswered();
        onExternalAddress(QStringLiteral("0.0.0.0"));
        return;
    }
    if (!m_routerKnown) {
        routerLost();
        return;
    }
    onExternalAddressFailed(result >= 0);
}

void MappingKeeper::addByNatPmp(const MappingLine::Ports& mapping, const QString& internalClient,
                                const QString& line)
{
    if (m_add) {
        log(Text::addNotStarted());
        m_pendingAdd.reset();
        return;
    }
    m_add = AddUnderWay{mapping, internalClient, line};
    m_runningAdd = line;
    if (internalClient.trimmed() != m_internalClient) {
        log(Messages::natPmpOnlyThisMachine(m_language, internalClient.trimmed()));
        endAddAttempt(false, std::nullopt, true);
        return;
    }
    log(Text::addStarted());
    m_natPmp->map(NatPmp::protocolNamed(mapping.protocol), quint16(mapping.localPort),
                  quint16(mapping.publicPort));
}

void MappingKeeper::deleteByNatPmp(const MappingLine::Ports& mapping, const QString& line)
{
    m_runningDelete = line;
    log(Text::deleteStarted());
    m_natPmp->unmap(NatPmp::protocolNamed(mapping.protocol), quint16(mapping.localPort),
                    quint16(mapping.publicPort));
}

// The router may give another public port than the one asked for: the one
// asked for is another host's then, and the one given is let go, unless it is
// a line of the list itself (a router that keeps one mapping per local port).
void MappingKeeper::onNatPmpMapped(const NatPmp::Mapping& asked, quint16 externalPort)
{
    const NatPmp::Mapping given{asked.protocol, asked.internalPort, externalPort};
    if (m_add && sameMapping(m_add->mapping, asked)) {
        const MappingLine::Ports mapping = m_add->mapping;
        if (externalPort == mapping.publicPort) {
            m_heldByOthers.remove(MappingLine::key(mapping));
            endAddAttempt(true, std::nullopt, true);
            return;
        }
        if (!storedLine(given))
            m_natPmp->unmap(asked.protocol, asked.internalPort, externalPort);
        portHeld(QString::number(externalPort),
                 Messages::portTaken(m_language, mapping.publicPort, mapping.protocol, externalPort));
        return;
    }
    // A renewal, or the check's new try of a port that was taken.
    const auto line = storedLine(asked);
    if (!line || !m_heldByOthers.contains(MappingLine::key(*MappingLine::ports(*line))))
        return;
    if (externalPort != asked.externalPort) {
        if (!storedLine(given))
            m_natPmp->unmap(asked.protocol, asked.internalPort, externalPort);
        return;
    }
    m_heldByOthers.remove(MappingLine::key(*MappingLine::ports(*line)));
    log(Text::portAdded());
    emit mappingAdded(*line);
}

std::optional<QString> MappingKeeper::storedLine(const NatPmp::Mapping& mapping) const
{
    for (const QString& line : m_lines) {
        const auto ports = MappingLine::ports(line);
        if (ports && sameMapping(*ports, mapping) && ports->localPort == mapping.internalPort)
            return line;
    }
    return std::nullopt;
}

void MappingKeeper::onNatPmpUnmapped(const NatPmp::Mapping& mapping)
{
    const auto deleting = MappingLine::ports(m_runningDelete);
    if (!deleting || !sameMapping(*deleting, mapping))
        return;
    onDeleteEnded(true);
    m_runningDelete.clear();
}

void MappingKeeper::onNatPmpRefused(const NatPmp::Mapping& asked, int result)
{
    if (m_add && sameMapping(m_add->mapping, asked)) {
        if (result < 0)
            endAddAttempt(false, std::nullopt, false);
        else
            endAddAttempt(false, SoapAnswer::Fault{result, NatPmp::resultName(quint16(result))}, true);
        return;
    }
    const auto deleting = MappingLine::ports(m_runningDelete);
    if (deleting && sameMapping(*deleting, asked)) {
        onDeleteEnded(false);
        m_runningDelete.clear();
    }
}

void MappingKeeper::retryTakenPorts()
{
    for (const QString& line : std::as_const(m_lines)) {
        const auto mapping = MappingLine::ports(line);
        if (mapping && m_heldByOthers.contains(MappingLine::key(*mapping)))
            m_natPmp->map(NatPmp::protocolNamed(mapping->protocol), quint16(mapping->localPort),
                          quint16(mapping->publicPort));
    }
}

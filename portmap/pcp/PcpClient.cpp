#include "portmap/pcp/PcpClient.h"

#include "platform/Clock.h"

#include <QNetworkDatagram>

#include <algorithm>
#include <utility>

namespace {

// Keeps the doubling within an int whatever the caller asks.
constexpr int maxTries = 10;
// A gateway may grant years; the renewal timer counts in milliseconds.
constexpr quint32 longestRenewalSeconds = 24 * 3600;
// Nothing listens there, so the probe opens nothing that answers.
constexpr quint16 discardPort = 9;

} // namespace

PcpTiming PcpTiming::bounded() const
{
    PcpTiming timing = *this;
    timing.tries = std::clamp(tries, 1, maxTries);
    timing.firstWaitMs = std::max(firstWaitMs, 1);
    timing.longestWaitMs = std::max(longestWaitMs, timing.firstWaitMs);
    return timing;
}

int PcpTiming::waitAfter(int sends) const
{
    return int(std::min<qint64>(qint64(firstWaitMs) << std::clamp(sends, 0, maxTries), longestWaitMs));
}

PcpClient::PcpClient(Clock& clock, const QHostAddress& gateway, quint16 port, Timing timing,
                     quint32 lifetimeSeconds, QObject* parent)
    : QObject(parent), m_clock(clock), m_gateway(gateway), m_port(port), m_timing(timing.bounded()),
      m_lifetimeSeconds(lifetimeSeconds), m_retryTimer(clock, [this] { resend(); })
{
    const bool v4 = gateway.protocol() == QAbstractSocket::IPv4Protocol;
    m_socket.bind(v4 ? QHostAddress::AnyIPv4 : QHostAddress::AnyIPv6, 0);
    connect(&m_socket, &QUdpSocket::readyRead, this, &PcpClient::readDatagrams);
}

PcpClient::~PcpClient() = default;

void PcpClient::requestExternalAddress()
{
    enqueue({Request::Probe, {Protocol::Udp, discardPort, 0}});
}

QString PcpClient::localAddress() const
{
    // Connecting a UDP socket sends nothing; it only picks the route.
    QUdpSocket probe;
    probe.connectToHost(m_gateway, m_port);
    return probe.localAddress().isNull() ? QString() : probe.localAddress().toString();
}

void PcpClient::map(Protocol protocol, quint16 internalPort, quint16 externalPort)
{
    enqueue({Request::Map, {protocol, internalPort, externalPort}});
}

void PcpClient::unmap(Protocol protocol, quint16 internalPort, quint16 externalPort)
{
    m_renewals.remove(key(protocol, externalPort));
    enqueue({Request::Unmap, {protocol, internalPort, externalPort}});
}

bool PcpClient::holds(Protocol protocol, quint16 externalPort) const
{
    return m_renewals.contains(key(protocol, externalPort));
}

void PcpClient::enqueue(const Request& request)
{
    m_queue.append(request);
    if (m_queue.size() == 1)
        sendCurrent();
}

void PcpClient::sendCurrent()
{
    m_sends = 0;
    resend();
}

void PcpClient::resend()
{
    if (m_queue.isEmpty()) {
        m_retryTimer.setInterval(0);
        return;
    }
    if (m_sends == m_timing.tries) {
        fail(-1);
        return;
    }
    const Request& request = m_queue.first();
    Pcp::MapRequest datagram;
    datagram.mapping = request.mapping;
    datagram.lifetimeSeconds = request.kind == Request::Probe ? probeLifetimeSeconds
                               : request.kind == Request::Map ? m_lifetimeSeconds
                                                              : 0;
    datagram.nonce = nonceOf(request.mapping.protocol, request.mapping.internalPort);
    datagram.clientAddress = QHostAddress(localAddress());
    m_socket.writeDatagram(Pcp::mapRequest(datagram), m_gateway, m_port);
    m_retryTimer.setInterval(m_timing.waitAfter(m_sends++));
}

void PcpClient::readDatagrams()
{
    while (m_socket.hasPendingDatagrams()) {
        const auto datagram = m_socket.receiveDatagram();
        if (!datagram.senderAddress().isEqual(m_gateway, QHostAddress::ConvertV4MappedToIPv4) ||
            datagram.senderPort() != m_port || m_queue.isEmpty())
            continue;
        if (Pcp::refusesVersion(datagram.data())) {
            fail(Pcp::UnsupportedVersion);
            continue;
        }
        const auto answer = Pcp::readMap(datagram.data());
        if (answer && take(*answer)) {
            finishCurrent();
            followEpoch(answer->epoch);
        }
    }
}

// Whether the answer is the one to the request under way; emits what it says.
bool PcpClient::take(const Pcp::MapAnswer& answer)
{
    const Request request = m_queue.first();
    const Mapping& asked = request.mapping;
    if (!Pcp::answersTo(answer, asked, nonceOf(asked.protocol, asked.internalPort)))
        return false;
    const QString address = answer.externalAddress.toString();
    if (answer.result != Pcp::Success) {
        if (request.kind == Request::Probe)
            emit externalAddressFailed(answer.result);
        else if (request.kind != Request::ProbeDelete)
            emit refused(asked, answer.result);
    } else if (request.kind == Request::Probe) {
        enqueue({Request::ProbeDelete, {asked.protocol, asked.internalPort, answer.externalPort}});
        emit externalAddressRead(address, answer.epoch);
    } else if (request.kind == Request::Unmap) {
        mapAgainBesides(asked);
        emit unmapped(asked);
    } else if (request.kind == Request::Map) {
        if (!deleteWaits(asked.protocol, asked.externalPort) && !deleteWaits(asked.protocol, answer.externalPort))
            keepRenewing(asked, answer.externalPort, answer.lifetimeSeconds);
        emit mapped(asked, answer.externalPort, answer.lifetimeSeconds);
        emit externalAddressRead(address, answer.epoch);
    }
    return true;
}

void PcpClient::followEpoch(quint32 epoch)
{
    const QDateTime now = m_clock.now();
    const bool lost = m_epoch && Pcp::gatewayLostState(*m_epoch, epoch, m_epochReadAt.msecsTo(now));
    m_epoch = epoch;
    m_epochReadAt = now;
    if (!lost)
        return;
    emit gatewayRestarted();
    for (const Renewal& held : std::as_const(m_renewals))
        map(held.mapping.protocol, held.mapping.internalPort, held.mapping.externalPort);
}

void PcpClient::finishCurrent()
{
    m_retryTimer.setInterval(0);
    m_queue.removeFirst();
    if (!m_queue.isEmpty())
        sendCurrent();
}

void PcpClient::fail(int result)
{
    const Request request = m_queue.first();
    finishCurrent();
    if (request.kind == Request::Probe)
        emit externalAddressFailed(result);
    else if (request.kind != Request::ProbeDelete)
        emit refused(request.mapping, result);
}

void PcpClient::keepRenewing(const Mapping& asked, quint16 externalPort, quint32 lifetime)
{
    // A renewal the gateway answered with another port: that port is the mapping now.
    const auto moved = m_renewals.constFind(key(asked.protocol, asked.externalPort));
    if (externalPort != asked.externalPort && moved != m_renewals.cend() &&
        moved->mapping.internalPort == asked.internalPort)
        m_renewals.erase(moved);
    const Mapping mapping{asked.protocol, asked.internalPort, externalPort};
    Renewal& renewal = m_renewals[key(mapping.protocol, mapping.externalPort)];
    if (!renewal.timer)
        renewal.timer = std::make_shared<Timer>(m_clock);
    renewal.mapping = mapping;
    // Asking again with the same nonce for the port the gateway gave keeps it.
    renewal.timer->setOnTimer([this, mapping] { map(mapping.protocol, mapping.internalPort, mapping.externalPort); });
    const auto seconds = std::clamp<quint32>(lifetime / 2, 1, longestRenewalSeconds);
    renewal.timer->setInterval(int(seconds * 1000));
}

void PcpClient::mapAgainBesides(const Mapping& deleted)
{
    for (const Renewal& held : std::as_const(m_renewals)) {
        const Mapping& mapping = held.mapping;
        if (mapping.protocol == deleted.protocol && mapping.internalPort == deleted.internalPort)
            map(mapping.protocol, mapping.internalPort, mapping.externalPort);
    }
}

// A delete of that mapping waits behind the request under way: its answer starts no renewal.
bool PcpClient::deleteWaits(Protocol protocol, quint16 externalPort) const
{
    return std::any_of(m_queue.cbegin() + 1, m_queue.cend(), [&](const Request& waiting) {
        return waiting.kind == Request::Unmap && waiting.mapping.protocol == protocol &&
               waiting.mapping.externalPort == externalPort;
    });
}

Pcp::Nonce& PcpClient::nonceOf(Protocol protocol, quint16 internalPort)
{
    const int internal = key(protocol, internalPort);
    auto found = m_nonces.find(internal);
    if (found == m_nonces.end())
        found = m_nonces.insert(internal, Pcp::freshNonce());
    return *found;
}

int PcpClient::key(Protocol protocol, quint16 port)
{
    return (protocol == Protocol::Udp ? 0x10000 : 0) | port;
}

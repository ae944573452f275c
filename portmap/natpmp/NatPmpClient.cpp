#include "portmap/natpmp/NatPmpClient.h"

#include <QNetworkDatagram>

#include <algorithm>
#include <utility>

namespace {

constexpr int firstWaitMs = 250;
// The ninth send waits 64 s, as the RFC ends.
constexpr int maxTries = 9;
// A gateway may grant years; the renewal timer counts in milliseconds.
constexpr quint32 longestRenewalSeconds = 24 * 3600;

} // namespace

NatPmpClient::NatPmpClient(const QHostAddress& gateway, quint16 port, int tries, quint32 lifetimeSeconds,
                           QObject* parent)
    : QObject(parent), m_gateway(gateway), m_port(port), m_tries(std::clamp(tries, 1, maxTries)),
      m_lifetimeSeconds(lifetimeSeconds)
{
    retryTimer.setOnTimer([this] { resend(); });
    m_socket.bind(QHostAddress::AnyIPv4, 0);
    connect(&m_socket, &QUdpSocket::readyRead, this, &NatPmpClient::readDatagrams);
}

NatPmpClient::~NatPmpClient() = default;

void NatPmpClient::requestExternalAddress()
{
    enqueue({Request::ExternalAddress, {}});
}

QString NatPmpClient::localAddress() const
{
    // Connecting a UDP socket sends nothing; it only picks the route.
    QUdpSocket probe;
    probe.connectToHost(m_gateway, m_port);
    const QHostAddress local = probe.localAddress();
    return local.protocol() == QAbstractSocket::IPv4Protocol ? local.toString() : QString();
}

void NatPmpClient::map(Protocol protocol, quint16 internalPort, quint16 externalPort)
{
    enqueue({Request::Map, {protocol, internalPort, externalPort}});
}

void NatPmpClient::unmap(Protocol protocol, quint16 internalPort, quint16 externalPort)
{
    m_renewals.remove(key(protocol, externalPort));
    enqueue({Request::Unmap, {protocol, internalPort, externalPort}});
}

Timer* NatPmpClient::renewalOf(Protocol protocol, quint16 externalPort) const
{
    return m_renewals.value(key(protocol, externalPort)).timer.get();
}

void NatPmpClient::enqueue(const Request& request)
{
    m_queue.append(request);
    if (m_queue.size() == 1)
        sendCurrent();
}

void NatPmpClient::sendCurrent()
{
    m_sends = 0;
    resend();
}

void NatPmpClient::resend()
{
    if (m_queue.isEmpty()) {
        retryTimer.setInterval(0);
        return;
    }
    if (m_sends == m_tries) {
        fail(-1);
        return;
    }
    const auto& request = m_queue.first();
    const Mapping& mapping = request.mapping;
    const auto datagram = request.kind == Request::ExternalAddress ? NatPmp::externalAddressRequest()
                          : request.kind == Request::Map
                              ? NatPmp::mapRequest(mapping.protocol, mapping.internalPort, mapping.externalPort,
                                                   m_lifetimeSeconds)
                              : NatPmp::mapRequest(mapping.protocol, mapping.internalPort, 0, 0);
    m_socket.writeDatagram(datagram, m_gateway, m_port);
    retryTimer.setInterval(firstWaitMs << m_sends);
    ++m_sends;
}

void NatPmpClient::readDatagrams()
{
    while (m_socket.hasPendingDatagrams()) {
        const auto datagram = m_socket.receiveDatagram();
        if (datagram.senderAddress().isEqual(m_gateway, QHostAddress::ConvertV4MappedToIPv4) &&
            datagram.senderPort() == m_port && !m_queue.isEmpty() && take(datagram.data()))
            finishCurrent();
    }
}

// Whether the datagram answers the request under way; emits what it says.
bool NatPmpClient::take(const QByteArray& datagram)
{
    const auto request = m_queue.first();
    if (request.kind == Request::ExternalAddress) {
        const auto reply = NatPmp::readExternalAddress(datagram);
        if (!reply)
            return false;
        if (reply->result == NatPmp::Success)
            emit externalAddressRead(reply->address, reply->epoch);
        else
            emit externalAddressFailed(reply->result);
        return true;
    }
    const auto reply = NatPmp::readMap(datagram);
    const Mapping& asked = request.mapping;
    if (!reply || reply->protocol != asked.protocol ||
        (reply->result == NatPmp::Success && reply->internalPort != asked.internalPort))
        return false;
    if (reply->result != NatPmp::Success) {
        emit refused(asked, reply->result);
    } else if (request.kind == Request::Unmap) {
        mapAgainBesides(asked);
        emit unmapped(asked);
    } else {
        if (!deleteWaits(asked.protocol, asked.externalPort) && !deleteWaits(asked.protocol, reply->externalPort))
            keepRenewing(asked, reply->externalPort, reply->lifetimeSeconds);
        emit mapped(asked, reply->externalPort, reply->lifetimeSeconds);
    }
    return true;
}

void NatPmpClient::finishCurrent()
{
    retryTimer.setInterval(0);
    m_queue.removeFirst();
    if (!m_queue.isEmpty())
        sendCurrent();
}

void NatPmpClient::fail(int result)
{
    const auto request = m_queue.first();
    if (request.kind == Request::ExternalAddress)
        emit externalAddressFailed(result);
    else
        emit refused(request.mapping, result);
    finishCurrent();
}

void NatPmpClient::keepRenewing(const Mapping& asked, quint16 externalPort, quint32 lifetime)
{
    // A renewal the gateway answered with another port: that port is the mapping now.
    const auto moved = m_renewals.constFind(key(asked.protocol, asked.externalPort));
    if (externalPort != asked.externalPort && moved != m_renewals.cend() &&
        moved->mapping.internalPort == asked.internalPort)
        m_renewals.erase(moved);
    const Mapping mapping{asked.protocol, asked.internalPort, externalPort};
    Renewal& renewal = m_renewals[key(mapping.protocol, mapping.externalPort)];
    if (!renewal.timer)
        renewal.timer = std::make_shared<Timer>();
    renewal.mapping = mapping;
    // Asking again for the port the gateway gave keeps it.
    renewal.timer->setOnTimer([this, mapping] { map(mapping.protocol, mapping.internalPort, mapping.externalPort); });
    const auto seconds = std::clamp<quint32>(lifetime / 2, 1, longestRenewalSeconds);
    renewal.timer->setInterval(int(seconds * 1000));
}

void NatPmpClient::mapAgainBesides(const Mapping& deleted)
{
    for (const Renewal& held : std::as_const(m_renewals)) {
        const Mapping& mapping = held.mapping;
        if (mapping.protocol == deleted.protocol && mapping.internalPort == deleted.internalPort)
            map(mapping.protocol, mapping.internalPort, mapping.externalPort);
    }
}

bool NatPmpClient::deleteWaits(Protocol protocol, quint16 externalPort) const
{
    return std::any_of(m_queue.cbegin() + 1, m_queue.cend(), [&](const Request& waiting) {
        return waiting.kind == Request::Unmap && waiting.mapping.protocol == protocol &&
               waiting.mapping.externalPort == externalPort;
    });
}

int NatPmpClient::key(Protocol protocol, quint16 externalPort)
{
    return (protocol == Protocol::Udp ? 0x10000 : 0) | externalPort;
}

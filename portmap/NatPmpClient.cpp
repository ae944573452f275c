#include "portmap/NatPmpClient.h"

#include <QNetworkDatagram>

#include <algorithm>

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
    enqueue({Request::ExternalAddress});
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
    enqueue({Request::Map, protocol, internalPort, externalPort});
}

void NatPmpClient::unmap(Protocol protocol, quint16 internalPort)
{
    m_renewals.remove(key(protocol, internalPort));
    enqueue({Request::Unmap, protocol, internalPort, 0});
}

Timer* NatPmpClient::renewalOf(Protocol protocol, quint16 internalPort) const
{
    const auto renewal = m_renewals.value(key(protocol, internalPort));
    return renewal.get();
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
    const auto datagram =
        request.kind == Request::ExternalAddress
            ? NatPmp::externalAddressRequest()
            : NatPmp::mapRequest(request.protocol, request.internalPort, request.externalPort,
                                 request.kind == Request::Map ? m_lifetimeSeconds : 0);
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
    if (!reply || reply->protocol != request.protocol ||
        (reply->result == NatPmp::Success && reply->internalPort != request.internalPort))
        return false;
    if (reply->result != NatPmp::Success)
        emit refused(request.protocol, request.internalPort, reply->result);
    else if (request.kind == Request::Unmap)
        emit unmapped(request.protocol, request.internalPort);
    else {
        if (!deleteWaits(request.protocol, request.internalPort))
            keepRenewing(request.protocol, request.internalPort, reply->externalPort, reply->lifetimeSeconds);
        emit mapped(request.protocol, request.internalPort, reply->externalPort, reply->lifetimeSeconds);
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
        emit refused(request.protocol, request.internalPort, result);
    finishCurrent();
}

void NatPmpClient::keepRenewing(Protocol protocol, quint16 internalPort, quint16 externalPort,
                                quint32 lifetime)
{
    auto& renewal = m_renewals[key(protocol, internalPort)];
    if (!renewal)
        renewal = std::make_shared<Timer>();
    // Asking again for the port the gateway gave keeps it.
    renewal->setOnTimer(
        [this, protocol, internalPort, externalPort] { map(protocol, internalPort, externalPort); });
    const auto seconds = std::clamp<quint32>(lifetime / 2, 1, longestRenewalSeconds);
    renewal->setInterval(int(seconds * 1000));
}

bool NatPmpClient::deleteWaits(Protocol protocol, quint16 internalPort) const
{
    return std::any_of(m_queue.cbegin() + 1, m_queue.cend(), [&](const Request& waiting) {
        return waiting.kind == Request::Unmap && waiting.protocol == protocol &&
               waiting.internalPort == internalPort;
    });
}

int NatPmpClient::key(Protocol protocol, quint16 internalPort)
{
    return (protocol == Protocol::Udp ? 0x10000 : 0) | internalPort;
}

#include "portmap/pcp/PcpPinholes.h"

#include <QNetworkDatagram>

PcpPinholes::PcpPinholes(Clock& clock, quint16 serverPort, PcpTiming timing, QObject* parent)
    : QObject(parent), m_clock(clock), m_serverPort(serverPort), m_timing(timing.bounded()),
      m_retryTimer(clock, [this] { resend(); })
{
    connect(&m_socket, &QUdpSocket::readyRead, this, &PcpPinholes::readDatagrams);
}

int PcpPinholes::idOf(Pcp::Protocol protocol, quint16 port)
{
    return (protocol == Pcp::Protocol::Udp ? 0x10000 : 0) | port;
}

bool PcpPinholes::send(Step step, int id, const QHostAddress& gateway, const QHostAddress& address,
                       quint32 leaseSeconds)
{
    if (m_request || id <= 0 || id > 0x1ffff || (id & 0xffff) == 0 || gateway.isNull() || address.isNull())
        return false;
    m_socket.abort();
    if (!m_socket.bind(address, 0))
        return false;
    Pcp::MapRequest map;
    map.mapping = {id & 0x10000 ? Pcp::Protocol::Udp : Pcp::Protocol::Tcp, quint16(id), quint16(id)};
    map.lifetimeSeconds = step == Step::Remove ? 0 : leaseSeconds;
    auto nonce = m_nonces.constFind(id);
    if (nonce == m_nonces.cend())
        nonce = m_nonces.insert(id, Pcp::freshNonce());
    map.nonce = *nonce;
    map.clientAddress = address;
    // A firewall translates nothing: the outside reaches the same address.
    map.suggestedExternalAddress = address;
    m_request = Request{step, id, gateway, map};
    m_sends = 0;
    resend();
    return true;
}

void PcpPinholes::resend()
{
    if (!m_request)
        return;
    if (m_sends == m_timing.tries) {
        finish(false);
        return;
    }
    m_socket.writeDatagram(Pcp::mapRequest(m_request->map), m_request->gateway, m_serverPort);
    m_retryTimer.setInterval(m_timing.waitAfter(m_sends++));
}

void PcpPinholes::readDatagrams()
{
    while (m_socket.hasPendingDatagrams()) {
        const auto datagram = m_socket.receiveDatagram(Pcp::maxMessageSize + 1);
        if (!m_request || !datagram.senderAddress().isEqual(m_request->gateway) ||
            datagram.senderPort() != m_serverPort)
            continue;
        const auto answer = Pcp::readMap(datagram.data());
        const Pcp::MapRequest& asked = m_request->map;
        if (answer && Pcp::answersTo(*answer, asked.mapping, asked.nonce))
            take(*answer);
        else if (Pcp::refusesVersion(datagram.data()))
            finish(false);
    }
}

void PcpPinholes::take(const Pcp::MapAnswer& answer)
{
    const bool removing = m_request->step == Step::Remove && !m_request->shortening;
    if (removing && answer.result != Pcp::Success) {
        m_request->shortening = true;
        m_request->map.lifetimeSeconds = 1;
        m_sends = 0;
        resend();
        return;
    }
    finish(answer.result == Pcp::Success && (removing || answer.lifetimeSeconds > 0));
}

void PcpPinholes::finish(bool succeeded)
{
    const Request request = *m_request;
    m_request.reset();
    m_retryTimer.setInterval(0);
    if (request.step == Step::Remove && succeeded)
        m_nonces.remove(request.id);
    emit ended(request.step, succeeded, request.id);
}

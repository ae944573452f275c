#include "portmap/natpmp/NatPmpAnnouncements.h"

#include "portmap/natpmp/NatPmpCodec.h"

#include <QNetworkDatagram>

namespace {

const QHostAddress AllHosts(QStringLiteral("224.0.0.1"));

// PCP's common answer header: version 2, the ANNOUNCE opcode with the answer
// bit, success; an ANNOUNCE carries nothing after it.
bool isPcpAnnounce(const QByteArray& datagram)
{
    return datagram.size() == 24 && datagram.at(0) == 2 && quint8(datagram.at(1)) == 0x80 && datagram.at(3) == 0;
}

bool isNatPmpAnnounce(const QByteArray& datagram)
{
    const auto reply = NatPmp::readExternalAddress(datagram);
    return datagram.size() == 12 && reply && reply->result == NatPmp::Success;
}

} // namespace

NatPmpAnnouncements::NatPmpAnnouncements(const QHostAddress& gateway, quint16 gatewayPort, quint16 listenPort,
                                         QObject* parent)
    : QObject(parent), m_gateway(gateway), m_gatewayPort(gatewayPort)
{
    // Other NAT-PMP and PCP clients of this machine listen there too.
    m_socket.bind(QHostAddress::AnyIPv4, listenPort, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
    m_socket.joinMulticastGroup(AllHosts);
    connect(&m_socket, &QUdpSocket::readyRead, this, &NatPmpAnnouncements::readDatagrams);
}

bool NatPmpAnnouncements::accepted(const QByteArray& datagram, const QHostAddress& sender, quint16 senderPort,
                                   const QHostAddress& gateway, quint16 gatewayPort)
{
    return sender.isEqual(gateway, QHostAddress::ConvertV4MappedToIPv4) && senderPort == gatewayPort &&
           (isNatPmpAnnounce(datagram) || isPcpAnnounce(datagram));
}

void NatPmpAnnouncements::readDatagrams()
{
    bool heard = false;
    while (m_socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket.receiveDatagram();
        heard = heard || accepted(datagram.data(), datagram.senderAddress(), quint16(datagram.senderPort()),
                                  m_gateway, m_gatewayPort);
    }
    if (heard)
        emit announced();
}

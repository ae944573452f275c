#include "fakes/FakeDnsServer.h"

#include <QNetworkDatagram>

FakeDnsServer::FakeDnsServer(quint16 port)
{
    m_socket.bind(QHostAddress::LocalHost, port);
    connect(&m_socket, &QUdpSocket::readyRead, this, &FakeDnsServer::readPending);
}

void FakeDnsServer::readPending()
{
    while (m_socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket.receiveDatagram();
        received.append({datagram.data(), quint16(datagram.senderPort())});
        const QByteArray out = answer ? answer(datagram.data(), datagram.senderAddress()) : reply;
        if (!out.isEmpty())
            m_socket.writeDatagram(out, datagram.senderAddress(), quint16(datagram.senderPort()));
    }
}

void FakeDnsServer::sendTo(quint16 port, const QByteArray& bytes)
{
    m_socket.writeDatagram(bytes, QHostAddress::LocalHost, port);
}

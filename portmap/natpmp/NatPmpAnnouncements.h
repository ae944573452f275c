#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>

// The gateway's announcements to 224.0.0.1:5350, sent when it restarts or its
// external address changes: NAT-PMP's address answer (RFC 6886 3.2.1) or
// PCP's ANNOUNCE (RFC 6887 14.1.3). Anyone on the network may send there:
// only a well-formed one from the address and port the client asks counts.
class NatPmpAnnouncements : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 clientPort = 5350;

    NatPmpAnnouncements(const QHostAddress& gateway, quint16 gatewayPort, quint16 listenPort = clientPort,
                        QObject* parent = nullptr);

    static bool accepted(const QByteArray& datagram, const QHostAddress& sender, quint16 senderPort,
                         const QHostAddress& gateway, quint16 gatewayPort);

signals:
    void announced();

private:
    void readDatagrams();

    QHostAddress m_gateway;
    quint16 m_gatewayPort;
    QUdpSocket m_socket;
};

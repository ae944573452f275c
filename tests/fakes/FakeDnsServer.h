#pragma once

#include <QByteArray>
#include <QList>
#include <QUdpSocket>

#include <functional>

// The provider's DNS server as the client sees it: a UDP server on 127.0.0.1
// that records every login datagram and answers each with a scripted reply.
class FakeDnsServer : public QObject
{
    Q_OBJECT

public:
    struct Datagram
    {
        QByteArray bytes;
        quint16 sourcePort = 0;
    };

    explicit FakeDnsServer(quint16 port);

    bool isListening() const { return m_socket.state() == QUdpSocket::BoundState; }
    // Sent back to the source of every datagram; empty means silence.
    QByteArray reply;
    // When set, answers instead of `reply`, from the datagram and its sender.
    std::function<QByteArray(const QByteArray& datagram, const QHostAddress& from)> answer;
    QList<Datagram> received;

    // Sends unasked, as a stray or hostile datagram would arrive.
    void sendTo(quint16 port, const QByteArray& bytes);

private:
    void readPending();

    QUdpSocket m_socket;
};

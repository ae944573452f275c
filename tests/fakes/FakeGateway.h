#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QUdpSocket>

#include <functional>

class QTcpSocket;

// What the fake gateway does with one HTTP request.
struct GatewayReply
{
    // Written one after another, each as its own TCP segment, gapMs apart.
    QList<QByteArray> segments;
    int gapMs = 0;
    // Close the connection after the last segment; false leaves it open.
    bool closeAfter = true;
    // After the segments: keep writing this chunk until the client closes or
    // streamLimit bytes have gone out (a response that never ends).
    QByteArray stream;
    qint64 streamLimit = 0;

    // The whole response in one write, then close.
    static GatewayReply whole(const QByteArray& response)
    {
        GatewayReply reply;
        reply.segments = {response};
        return reply;
    }
};

// A UPnP gateway on 127.0.0.1: an SSDP responder that answers every datagram
// it receives with the scripted answers, and an HTTP server that answers each
// request as `reply` says. By default it behaves like a small gateway: a
// description at /rootDesc.xml and the SOAP actions (address, add, delete and
// the two entry queries) at /ctl/IPConn.
class FakeGateway : public QObject
{
    Q_OBJECT

public:
    FakeGateway();
    ~FakeGateway() override;

    quint16 ssdpPort() const { return m_udp.localPort(); }
    quint16 httpPort() const { return m_server.serverPort(); }
    // "http://127.0.0.1:<http port>" + path
    QByteArray url(const QByteArray& path) const;
    // A port on 127.0.0.1 where nothing listens.
    static quint16 refusingPort();

    // Sent, each as one datagram, to the sender of every search.
    QList<QByteArray> ssdpAnswers;
    // The datagrams received, in order.
    QList<QByteArray> searches;
    // Sends a datagram to whoever searched last, from `from`: another address
    // of 127.0.0.0/8 plays another host of the network.
    void sendToSearcher(const QByteArray& datagram, const QHostAddress& from = QHostAddress::LocalHost);

    std::function<GatewayReply(const QByteArray& request)> reply;
    // Whole requests (head and body), in order.
    QList<QByteArray> requests;
    int connections = 0;
    // Connections neither side has closed yet.
    int openConnections() const;
    // Closes every open connection from the gateway's side.
    void closeConnections();

    // The default behaviour's state: description form and the mappings made.
    char igdVersion = '1';
    QByteArray urlBaseElement; // e.g. "<URLBase>http://127.0.0.1:1/</URLBase>"
    QByteArray descriptionPath = "/rootDesc.xml";
    QByteArray externalAddress = "11.22.33.2";
    QMap<QByteArray, QByteArray> mappings; // "80 TCP" -> whole AddPortMapping body
    QList<QByteArray> refusedAdds;         // keys whose add fails with 718, as a mapping of another host does
    GatewayReply standardReply(const QByteArray& request);

    static QByteArray ssdpAnswer(const QByteArray& location,
                                 const QByteArray& server = "Linux/2.6 UPnP/1.0 FakeGateway/1.0");
    static QByteArray response(const QByteArray& status, const QByteArray& body, bool withLength = true);
    // A SOAP fault carrying a UPnP error.
    static QByteArray upnpError(int code, const QByteArray& description);
    QByteArray description() const;

private:
    struct Connection;
    void accept();
    void receive(QTcpSocket* socket, Connection& connection);
    void play(QTcpSocket* socket, GatewayReply script, int next);
    void stream(QTcpSocket* socket, const GatewayReply& script, qint64 sent);

    QUdpSocket m_udp;
    QHostAddress m_searcher;
    quint16 m_searcherPort = 0;
    QTcpServer m_server;
    QList<QPointer<QTcpSocket>> m_sockets;
};

#include "fakes/FakeGateway.h"

#include <QNetworkDatagram>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

struct FakeGateway::Connection
{
    QByteArray received;
    bool answered = false;
};

namespace {

constexpr qsizetype MaxRequestBytes = 64 * 1024;

QByteArray between(const QByteArray& text, const QByteArray& open, const QByteArray& close)
{
    const qsizetype begin = text.indexOf(open);
    if (begin < 0)
        return {};
    const qsizetype end = text.indexOf(close, begin + open.size());
    return end < 0 ? QByteArray() : text.mid(begin + open.size(), end - begin - open.size());
}

// The Content-Length a request head names, 0 when none.
qsizetype requestBodyLength(const QByteArray& head)
{
    static const QRegularExpression length(QStringLiteral("\r\ncontent-length:\\s*(\\d{1,7})"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = length.match(QString::fromLatin1(head));
    return match.hasMatch() ? match.captured(1).toLongLong() : 0;
}

} // namespace

FakeGateway::FakeGateway()
{
    reply = [this](const QByteArray& request) { return standardReply(request); };

    m_udp.bind(QHostAddress::LocalHost, 0);
    connect(&m_udp, &QUdpSocket::readyRead, this, [this] {
        while (m_udp.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = m_udp.receiveDatagram();
            searches.append(datagram.data());
            m_searcher = datagram.senderAddress();
            m_searcherPort = quint16(datagram.senderPort());
            for (const QByteArray& answer : std::as_const(ssdpAnswers))
                sendToSearcher(answer);
        }
    });

    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &FakeGateway::accept);
    // The port is known only now; the default answer names it.
    ssdpAnswers = {ssdpAnswer(url(descriptionPath))};
}

FakeGateway::~FakeGateway() = default;

QByteArray FakeGateway::url(const QByteArray& path) const
{
    return "http://127.0.0.1:" + QByteArray::number(m_server.serverPort()) + path;
}

quint16 FakeGateway::refusingPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

int FakeGateway::openConnections() const
{
    int open = 0;
    for (const QPointer<QTcpSocket>& socket : m_sockets)
        if (socket && socket->state() == QAbstractSocket::ConnectedState)
            ++open;
    return open;
}

void FakeGateway::closeConnections()
{
    for (const QPointer<QTcpSocket>& socket : std::as_const(m_sockets))
        if (socket)
            socket->disconnectFromHost();
}

void FakeGateway::sendToSearcher(const QByteArray& datagram, const QHostAddress& from)
{
    if (from == QHostAddress(QHostAddress::LocalHost)) {
        m_udp.writeDatagram(datagram, m_searcher, m_searcherPort);
        return;
    }
    QUdpSocket stranger;
    stranger.bind(from, 0);
    stranger.writeDatagram(datagram, m_searcher, m_searcherPort);
}

QByteArray FakeGateway::ssdpAnswer(const QByteArray& location, const QByteArray& server)
{
    return "HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=120\r\nST: upnp:rootdevice\r\n"
           "USN: uuid:fake-gateway::upnp:rootdevice\r\nEXT:\r\nSERVER: " +
           server + "\r\nLOCATION: " + location + "\r\n\r\n";
}

QByteArray FakeGateway::response(const QByteArray& status, const QByteArray& body, bool withLength)
{
    QByteArray head = "HTTP/1.1 " + status + "\r\nContent-Type: text/xml; charset=\"utf-8\"\r\n";
    if (withLength)
        head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    return head + "Connection: close\r\n\r\n" + body;
}

QByteArray FakeGateway::description() const
{
    const auto device = [this](const char* type) {
        return QByteArray("<device><deviceType>urn:schemas-upnp-org:device:") + type + ':' + igdVersion +
               "</deviceType>";
    };
    const auto service = [](const char* type, char version, const char* control) {
        return QByteArray("<service><serviceType>urn:schemas-upnp-org:service:") + type + ':' + version +
               "</serviceType><controlURL>" + control + "</controlURL></service>";
    };
    return "<?xml version=\"1.0\"?>\r\n<root xmlns=\"urn:schemas-upnp-org:device-1-0\">" + urlBaseElement +
           device("InternetGatewayDevice") + "<serviceList>" + service("Layer3Forwarding", '1', "/ctl/L3F") +
           "</serviceList><deviceList>" + device("WANDevice") + "<serviceList>" +
           service("WANCommonInterfaceConfig", '1', "/ctl/CmnIfCfg") + "</serviceList><deviceList>" +
           device("WANConnectionDevice") + "<serviceList>" +
           service("WANIPConnection", igdVersion, "/ctl/IPConn") +
           "</serviceList></device></deviceList></device></deviceList></device></root>";
}

QByteArray FakeGateway::upnpError(int code, const QByteArray& description)
{
    return response("500 Internal Server Error",
                    "<?xml version=\"1.0\"?>\r\n<s:Envelope><s:Body><s:Fault><faultcode>s:Client</faultcode>"
                    "<faultstring>UPnPError</faultstring><detail><UPnPError><errorCode>" +
                        QByteArray::number(code) + "</errorCode><errorDescription>" + description +
                        "</errorDescription></UPnPError></detail></s:Fault></s:Body></s:Envelope>\r\n");
}

namespace {

// The output arguments of an entry action, from the stored AddPortMapping body.
QByteArray entryArguments(const QByteArray& added)
{
    QByteArray arguments;
    for (const char* name : {"NewInternalPort", "NewInternalClient", "NewEnabled",
                             "NewPortMappingDescription", "NewLeaseDuration"})
        arguments += QByteArray("<") + name + '>' + between(added, QByteArray("<") + name + '>', "<") + "</" +
                     name + '>';
    return arguments;
}

} // namespace

GatewayReply FakeGateway::standardReply(const QByteArray& request)
{
    if (request.startsWith("GET " + descriptionPath + ' '))
        return GatewayReply::whole(response("200 OK", description()));
    if (!request.startsWith("POST /ctl/IPConn "))
        return GatewayReply::whole(response("404 Not Found", "not found"));
    const QByteArray action = between(request, "#", "\"");
    QByteArray answer =
        "<u:" + action + "Response xmlns:u=\"urn:schemas-upnp-org:service:WANIPConnection:1\">";
    const QByteArray key =
        between(request, "<NewExternalPort>", "<") + ' ' + between(request, "<NewProtocol>", "<");
    if (action == "GetExternalIPAddress") {
        answer += "<NewExternalIPAddress>" + externalAddress + "</NewExternalIPAddress>";
    } else if (action == "AddPortMapping") {
        if (refusedAdds.contains(key))
            return GatewayReply::whole(upnpError(718, "ConflictInMappingEntry"));
        mappings.insert(key, request.mid(request.indexOf("\r\n\r\n") + 4));
    } else if (action == "DeletePortMapping") {
        mappings.remove(key);
    } else if (action == "GetSpecificPortMappingEntry") {
        if (!mappings.contains(key))
            return GatewayReply::whole(upnpError(714, "NoSuchEntryInArray"));
        answer += entryArguments(mappings.value(key));
    } else if (action == "GetGenericPortMappingEntry") {
        const int index = between(request, "<NewPortMappingIndex>", "<").toInt();
        if (index < 0 || index >= mappings.size())
            return GatewayReply::whole(upnpError(713, "SpecifiedArrayIndexInvalid"));
        const auto entry = std::next(mappings.cbegin(), index);
        const QList<QByteArray> portAndProtocol = entry.key().split(' ');
        answer += "<NewRemoteHost></NewRemoteHost><NewExternalPort>" + portAndProtocol.value(0) +
                  "</NewExternalPort><NewProtocol>" + portAndProtocol.value(1) + "</NewProtocol>" +
                  entryArguments(entry.value());
    } else {
        return GatewayReply::whole(upnpError(401, "Invalid Action"));
    }
    const QByteArray body = "<?xml version=\"1.0\"?>\r\n<s:Envelope><s:Body>" + answer + "</u:" + action +
                            "Response></s:Body></s:Envelope>\r\n";
    return GatewayReply::whole(response("200 OK", body));
}

void FakeGateway::accept()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        ++connections;
        m_sockets.append(socket);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        auto connection = std::make_shared<Connection>();
        connect(socket, &QTcpSocket::readyRead, socket,
                [this, socket, connection] { receive(socket, *connection); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void FakeGateway::receive(QTcpSocket* socket, Connection& connection)
{
    connection.received += socket->readAll();
    if (connection.answered)
        return;
    if (connection.received.size() > MaxRequestBytes) {
        socket->abort();
        return;
    }
    const qsizetype headEnd = connection.received.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return;
    const qsizetype whole = headEnd + 4 + requestBodyLength(connection.received.left(headEnd));
    if (connection.received.size() < whole)
        return;
    connection.answered = true;
    const QByteArray request = connection.received.left(whole);
    requests.append(request);
    play(socket, reply(request), 0);
}

void FakeGateway::play(QTcpSocket* socket, GatewayReply script, int next)
{
    if (socket->state() != QAbstractSocket::ConnectedState)
        return;
    if (next < script.segments.size()) {
        socket->write(script.segments[next]);
        socket->flush();
        if (next + 1 < script.segments.size() || !script.stream.isEmpty() || script.closeAfter)
            QTimer::singleShot(next + 1 < script.segments.size() ? script.gapMs : 0, socket,
                               [this, socket, script, next] { play(socket, script, next + 1); });
        return;
    }
    if (!script.stream.isEmpty())
        stream(socket, script, 0);
    else if (script.closeAfter)
        socket->disconnectFromHost();
}

void FakeGateway::stream(QTcpSocket* socket, const GatewayReply& script, qint64 sent)
{
    if (socket->state() != QAbstractSocket::ConnectedState || sent >= script.streamLimit)
        return;
    // Keep only a little queued, so that the pace follows the reader.
    if (socket->bytesToWrite() < script.stream.size()) {
        socket->write(script.stream);
        sent += script.stream.size();
    }
    QTimer::singleShot(1, socket, [this, socket, script, sent] { stream(socket, script, sent); });
}

#include "fakes/ScriptedHttpServer.h"

#include <QTcpSocket>

#include <memory>

ScriptedHttpServer::ScriptedHttpServer(quint16 port)
{
    m_server.listen(QHostAddress::LocalHost, port);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            auto received = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, socket,
                    [this, socket, received] { serve(socket, *received); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

QByteArray ScriptedHttpServer::ok(const QByteArray& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

QString ScriptedHttpServer::url(const QByteArray& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(QString::fromLatin1(path));
}

void ScriptedHttpServer::serve(QTcpSocket* socket, QByteArray& received)
{
    received += socket->readAll();
    const qsizetype end = received.indexOf("\r\n\r\n");
    if (end < 0) {
        if (received.size() > 65536)
            socket->abort();
        return;
    }
    const QByteArray head = received.left(end);
    received.clear();
    m_requests.append(head);
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    const QByteArray path = requestLine.value(1);
    auto found = m_answers.constFind(path);
    if (found == m_answers.cend())
        found = m_answers.constFind(path.left(path.indexOf('?')));
    const QByteArray answer =
        found != m_answers.cend()
            ? (*found)()
            : QByteArray("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\nnot found");
    if (answer.isEmpty())
        return;
    socket->write(answer);
    socket->disconnectFromHost();
}

#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QTcpServer>

#include <functional>

// An HTTP server on 127.0.0.1 that answers each request path with a fixed,
// raw answer; an empty answer means: accept and never reply. A path with a
// query that has no answer of its own gets the answer of the bare path.
// Unknown paths get 404.
class ScriptedHttpServer : public QObject
{
    Q_OBJECT

public:
    // Port 0: one the system chooses.
    explicit ScriptedHttpServer(quint16 port = 0);

    bool isListening() const { return m_server.isListening(); }

    static QByteArray ok(const QByteArray& body);
    void answer(const QByteArray& path, const QByteArray& rawAnswer)
    {
        answerEach(path, [rawAnswer] { return rawAnswer; });
    }
    // Asks `makeAnswer` again for every request.
    void answerEach(const QByteArray& path, std::function<QByteArray()> makeAnswer)
    {
        m_answers.insert(path, std::move(makeAnswer));
    }
    QString url(const QByteArray& path) const;
    // The request heads received, in order.
    const QList<QByteArray>& requests() const { return m_requests; }

private:
    void serve(QTcpSocket* socket, QByteArray& received);

    QTcpServer m_server;
    QHash<QByteArray, std::function<QByteArray()>> m_answers;
    QList<QByteArray> m_requests;
};

#pragma once

#include <QByteArray>
#include <QString>

class TClientSocket;

// The connection object handed to TClientSocket's handlers. It stays valid for
// the life of its client and always acts on the client's current connection.
class TClientWinSocket
{
public:
    TClientWinSocket(const TClientWinSocket&) = delete;
    TClientWinSocket& operator=(const TClientWinSocket&) = delete;

    // Takes all bytes: what the socket cannot take now is sent as soon as it
    // can, and OnWrite follows. Returns the count taken, or -1 without a
    // connection. A failure reaches OnError after the calling handler returns.
    int WriteBytes(const QByteArray& bytes);
    // Every byte that has arrived and not been read yet, as received.
    // Further OnRead events wait until this has been called.
    QByteArray ReadText();
    // This machine's dotted address on the connection; empty without one.
    QString LocalAddress() const;
    // Ends the connection, raising OnDisconnect before the socket is released;
    // abandons an attempt that is still looking up or connecting.
    void Close();

private:
    friend class TClientSocket;
    explicit TClientWinSocket(TClientSocket& client) : m_client(client) {}

    TClientSocket& m_client;
};

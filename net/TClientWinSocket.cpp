#include "net/TClientWinSocket.h"

#include "net/TClientSocket.h"

int TClientWinSocket::WriteBytes(const QByteArray& bytes)
{
    return m_client.write(bytes);
}

QByteArray TClientWinSocket::ReadText()
{
    return m_client.readAvailable();
}

void TClientWinSocket::Close()
{
    m_client.closeConnection();
}

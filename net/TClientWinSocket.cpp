#include "net/TClientWinSocket.h"

#include "net/TClientSocket.h"
#include "platform/LocalAddress.h"

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

QString TClientWinSocket::LocalAddress() const
{
    return m_client.m_fd < 0 ? QString() : socketLocalAddress(m_client.m_fd);
}

#include "LoopbackSockets.h"

#include <QDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace loopback {

static sockaddr_in socketAddress(std::uint16_t port)
{
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    result.sin_addr.s_addr = htonl(address);
    return result;
}

int boundSocket(int type, std::uint16_t& port)
{
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    sockaddr_in local = socketAddress(0);
    socklen_t length = sizeof local;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        qFatal("cannot bind a loopback socket");
    port = ntohs(local.sin_port);
    return fd;
}

QList<std::uint16_t> freePorts(int type, int count)
{
    QList<int> sockets;
    QList<std::uint16_t> ports;
    for (int i = 0; i < count; ++i) {
        std::uint16_t port = 0;
        sockets << boundSocket(type, port);
        ports << port;
    }
    for (const int fd : sockets)
        ::close(fd);
    return ports;
}

void sendTo(int fd, std::uint16_t port, const QByteArray& bytes)
{
    const sockaddr_in to = socketAddress(port);
    ::sendto(fd, bytes.constData(), size_t(bytes.size()), 0, reinterpret_cast<const sockaddr*>(&to),
             sizeof to);
}

QByteArray receive(int fd)
{
    pollfd ready{fd, POLLIN, 0};
    if (::poll(&ready, 1, 5000) != 1)
        return {};
    QByteArray bytes(65536, Qt::Uninitialized);
    const ssize_t received = ::recv(fd, bytes.data(), size_t(bytes.size()), 0);
    bytes.resize(received > 0 ? received : 0);
    return bytes;
}

int acceptConnection(int listener)
{
    pollfd ready{listener, POLLIN, 0};
    if (::poll(&ready, 1, 5000) != 1)
        return -1;
    return ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd"))
                   .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                   .size());
}

} // namespace loopback

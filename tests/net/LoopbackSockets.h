#pragma once

#include <QByteArray>
#include <QList>

#include <cstdint>

// Raw POSIX helpers for the far side of the net tests; 127.0.0.1 only.
namespace loopback {

constexpr std::uint32_t address = 0x7f000001;

// Ports free at the time of the call, distinct from each other.
QList<std::uint16_t> freePorts(int type, int count);
// A socket of `type` bound to 127.0.0.1 on a system-chosen port.
int boundSocket(int type, std::uint16_t& port);
void sendTo(int fd, std::uint16_t port, const QByteArray& bytes);
// The next datagram or stream bytes within five seconds; empty on time-out or end.
QByteArray receive(int fd);
int acceptConnection(int listener);
int openDescriptors();

} // namespace loopback

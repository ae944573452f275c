// Round trips of a small datagram between two endpoints on 127.0.0.1: through
// two TNMUDP endpoints on the event loop, and through two raw POSIX sockets
// that wait in poll(). Prints median and 99th percentile of each and the ratio.
#include "net/TNMUDP.h"
#include "platform/ThreadedHostResolver.h"
#include "platform/Timer.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr int kRounds = 10000;
constexpr int kWarmUp = 500;
constexpr int kPayload = 64;
using Clock = std::chrono::steady_clock;

double microsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

sockaddr_in loopbackAddress(quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A UDP socket bound to 127.0.0.1 on a port the system chose.
int boundSocket(quint16& port)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in local = loopbackAddress(0);
    socklen_t length = sizeof local;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return -1;
    port = ntohs(local.sin_port);
    return fd;
}

std::optional<std::vector<double>> endpointRoundTrips(int rounds)
{
    quint16 pongPort = 0;
    const int probe = boundSocket(pongPort);
    ::close(probe);
    ThreadedHostResolver resolver;
    TNMUDP ping(resolver);
    TNMUDP pong(resolver);
    pong.setLocalPort(pongPort);
    ping.RemoteHost = QStringLiteral("127.0.0.1");
    ping.RemotePort = pongPort;

    const QByteArray payload(kPayload, 'p');
    QByteArray pingBuffer(TNMUDP::MaxDatagram, '\0');
    QByteArray pongBuffer(TNMUDP::MaxDatagram, '\0');
    std::vector<double> times;
    times.reserve(size_t(rounds));
    QEventLoop loop;
    Clock::time_point started;

    pong.OnDataReceived = [&](TNMUDP* self, int, const QString& fromIp, int port) {
        int length = 0;
        self->FetchBytes(pongBuffer, length);
        self->RemoteHost = fromIp;
        self->RemotePort = port;
        self->SendBytes(pongBuffer, length);
    };
    ping.OnDataReceived = [&](TNMUDP* self, int, const QString&, int) {
        int length = 0;
        self->FetchBytes(pingBuffer, length);
        times.push_back(microsSince(started));
        if (int(times.size()) == rounds) {
            loop.quit();
            return;
        }
        started = Clock::now();
        self->SendBytes(payload, kPayload);
    };
    Timer watchdog([&] { loop.quit(); }); // a lost datagram must not hang the run
    watchdog.setInterval(60000);

    started = Clock::now();
    ping.SendBytes(payload, kPayload);
    loop.exec();
    if (int(times.size()) != rounds)
        return std::nullopt;
    return times;
}

bool waitReadable(int fd)
{
    pollfd ready{fd, POLLIN, 0};
    return ::poll(&ready, 1, 1000) == 1;
}

std::optional<std::vector<double>> rawRoundTrips(int rounds)
{
    quint16 pingPort = 0;
    quint16 pongPort = 0;
    const int ping = boundSocket(pingPort);
    const int pong = boundSocket(pongPort);
    const sockaddr_in toPong = loopbackAddress(pongPort);
    char payload[kPayload] = {};
    char buffer[TNMUDP::MaxDatagram];
    std::vector<double> times;
    times.reserve(size_t(rounds));
    for (int i = 0; i < rounds && ping >= 0 && pong >= 0; ++i) {
        const Clock::time_point started = Clock::now();
        ::sendto(ping, payload, sizeof payload, 0, reinterpret_cast<const sockaddr*>(&toPong), sizeof toPong);
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        if (!waitReadable(pong))
            break;
        const ssize_t length =
            ::recvfrom(pong, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        ::sendto(pong, buffer, size_t(std::max<ssize_t>(length, 0)), 0, reinterpret_cast<sockaddr*>(&from),
                 fromLength);
        if (!waitReadable(ping))
            break;
        ::recv(ping, buffer, sizeof buffer, 0);
        times.push_back(microsSince(started));
    }
    ::close(ping);
    ::close(pong);
    if (int(times.size()) != rounds)
        return std::nullopt;
    return times;
}

struct Summary
{
    double median;
    double p99;
};

Summary summarise(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    const size_t rank = size_t(std::ceil(0.99 * double(n)));
    return {median, times[rank - 1]};
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);

    const bool warmedUp = endpointRoundTrips(kWarmUp) && rawRoundTrips(kWarmUp);
    const auto endpoint = endpointRoundTrips(kRounds);
    const auto raw = rawRoundTrips(kRounds);
    if (!warmedUp || !endpoint || !raw) {
        std::fprintf(stderr, "udp_roundtrip: a datagram was lost; no figures\n");
        return 1;
    }
    const Summary e = summarise(*endpoint);
    const Summary r = summarise(*raw);
    std::printf("udp_roundtrip: %d round trips of %d bytes on 127.0.0.1\n", kRounds, kPayload);
    std::printf("  TNMUDP      median %8.1f us   p99 %8.1f us\n", e.median, e.p99);
    std::printf("  raw POSIX   median %8.1f us   p99 %8.1f us\n", r.median, r.p99);
    std::printf("  ratio       median %8.2f      p99 %8.2f\n", e.median / r.median, e.p99 / r.p99);
    return 0;
}

// Runs in a network namespace of its own, so that its multicast never leaves
// it; skipped where no namespace can be made (not root).

#include "fakes/FakePlatform.h"
#include "net/TNMUDP.h"

#include <QTest>

#include <arpa/inet.h>
#include <net/if.h>
#include <net/route.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

const QString Group = QStringLiteral("239.255.255.250");

QString failure(const char* step)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(step), QString::fromLocal8Bit(std::strerror(errno)));
}

// Loopback up, with a route for multicast on it; an empty text on success.
QString enterPrivateNetwork()
{
    if (::geteuid() != 0)
        return QStringLiteral("needs root for a network namespace");
    if (::unshare(CLONE_NEWNET) != 0)
        return failure("unshare");
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq loopback{};
    std::strncpy(loopback.ifr_name, "lo", IFNAMSIZ - 1);
    if (::ioctl(fd, SIOCGIFFLAGS, &loopback) != 0)
        return failure("SIOCGIFFLAGS");
    loopback.ifr_flags = short(loopback.ifr_flags | IFF_UP);
    if (::ioctl(fd, SIOCSIFFLAGS, &loopback) != 0)
        return failure("SIOCSIFFLAGS");
    rtentry route{};
    const auto address = [](sockaddr& to, const char* dotted) {
        auto& in = reinterpret_cast<sockaddr_in&>(to);
        in.sin_family = AF_INET;
        in.sin_addr.s_addr = inet_addr(dotted);
    };
    address(route.rt_dst, "239.0.0.0");
    address(route.rt_genmask, "255.0.0.0");
    route.rt_flags = RTF_UP;
    char device[] = "lo";
    route.rt_dev = device;
    const bool routed = ::ioctl(fd, SIOCADDRT, &route) == 0;
    ::close(fd);
    return routed ? QString() : failure("SIOCADDRT");
}

struct Listener
{
    TNMUDP udp;
    QList<QByteArray> heard;

    Listener(HostResolver& resolver, bool multicastAll, int port) : udp(resolver)
    {
        udp.setMulticastAll(multicastAll);
        udp.setLocalPort(port); // a new socket: the setting must carry over
        udp.RemoteHost = Group;
        udp.RemotePort = port;
        udp.OnDataReceived = [this](TNMUDP*, int, const QString&, int) {
            QByteArray datagram(TNMUDP::MaxDatagram, '\0');
            int length = 0;
            udp.FetchBytes(datagram, length);
            heard.append(datagram.left(length));
        };
    }

    void send(const QByteArray& datagram) { udp.SendBytes(datagram, int(datagram.size())); }
};

} // namespace

class TestTNMUDPMulticast : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QString why = enterPrivateNetwork();
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
    }

    void withoutMulticastAllOnlyJoinedGroupsAreHeard()
    {
        // Another program of the machine has joined the group.
        const int member = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ip_mreq join{};
        join.imr_multiaddr.s_addr = inet_addr("239.255.255.250");
        join.imr_interface.s_addr = htonl(INADDR_LOOPBACK);
        QCOMPARE(::setsockopt(member, IPPROTO_IP, IP_ADD_MEMBERSHIP, &join, sizeof join), 0);

        FakeHostResolver resolver;
        Listener everything(resolver, true, 1900);
        everything.send("search");
        QTRY_COMPARE(everything.heard, QList<QByteArray>{"search"}); // its own, through the other's join

        Listener own(resolver, false, 1901);
        own.send("search");
        own.udp.RemoteHost = QStringLiteral("127.0.0.1");
        own.send("marker"); // arrives after the search would have
        QTRY_VERIFY(!own.heard.isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(own.heard, QList<QByteArray>{"marker"});
        ::close(member);
    }
};

QTEST_GUILESS_MAIN(TestTNMUDPMulticast)
#include "TestTNMUDPMulticast.moc"

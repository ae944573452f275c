#include "platform/AddressWatch.h"

#include <QSocketNotifier>

#include <cerrno>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// DHCP, a link coming up and its routes arrive as a few messages within a moment.
constexpr int SettleMilliseconds = 500;
// Leaves the event loop to others during a flood; the notifier fires again for the rest.
constexpr int ReadsPerWakeUp = 64;

int openRouteSocket()
{
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0)
        return -1;
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV4_ROUTE;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

NetlinkAddressWatch::NetlinkAddressWatch(QObject* parent) : AddressWatch(parent), m_fd(openRouteSocket())
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMilliseconds);
    connect(&m_settle, &QTimer::timeout, this, &AddressWatch::changed);
    if (m_fd < 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { drain(); });
}

NetlinkAddressWatch::~NetlinkAddressWatch()
{
    m_notifier.reset();
    if (m_fd >= 0)
        ::close(m_fd);
}

void NetlinkAddressWatch::drain()
{
    // Only the arrival counts, not what the messages say.
    char buffer[8192];
    bool heard = false;
    for (int i = 0; i < ReadsPerWakeUp; ++i) {
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            heard = true;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // An overrun socket dropped messages: something changed all the same.
        if (n < 0 && errno == ENOBUFS) {
            heard = true;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            m_notifier->setEnabled(false);
        break;
    }
    if (heard)
        m_settle.start();
}

#include "platform/LocalAddress.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

QString dotted(std::uint32_t address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

// gethostbyname keeps the order of the hosts file or the DNS answer, which
// getaddrinfo would re-sort; the result is the last address of that list.
std::optional<std::vector<std::uint32_t>> lookUpHostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return std::nullopt;
    hostent entry{};
    hostent* found = nullptr;
    int error = 0;
    std::vector<char> buffer(1024);
    while (::gethostbyname_r(name, &entry, buffer.data(), buffer.size(), &found, &error) == ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (!found || found->h_addrtype != AF_INET || found->h_length != 4)
        return std::nullopt;
    std::vector<std::uint32_t> addresses;
    for (char** a = found->h_addr_list; *a; ++a) {
        in_addr address;
        std::memcpy(&address, *a, sizeof address);
        addresses.push_back(ntohl(address.s_addr));
    }
    return addresses;
}

std::vector<std::uint32_t> interfaceAddresses()
{
    std::vector<std::uint32_t> addresses;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return addresses;
    for (const ifaddrs* i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || !(i->ifa_flags & IFF_UP) ||
            (i->ifa_flags & IFF_LOOPBACK))
            continue;
        sockaddr_in address;
        std::memcpy(&address, i->ifa_addr, sizeof address);
        addresses.push_back(ntohl(address.sin_addr.s_addr));
    }
    ::freeifaddrs(list);
    return addresses;
}

} // namespace

QString chooseLocalAddress(const std::optional<std::vector<std::uint32_t>>& lookedUp,
                           std::optional<std::uint32_t> defaultRouteSource,
                           const std::vector<std::uint32_t>& interfaces)
{
    if (!lookedUp || lookedUp->empty())
        return {};
    const bool onlyLoopback =
        std::all_of(lookedUp->begin(), lookedUp->end(), [](std::uint32_t a) { return a >> 24 == 127; });
    if (!onlyLoopback)
        return dotted(lookedUp->back());
    // A bridge for containers or a VPN may be listed before or after the LAN card;
    // the default route names the one the router sees.
    if (defaultRouteSource)
        return dotted(*defaultRouteSource);
    return interfaces.empty() ? QStringLiteral("127.0.0.1") : dotted(interfaces.front());
}

std::optional<std::uint32_t> defaultRouteSourceAddress()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return std::nullopt;
    sockaddr_in publicAddress{};
    publicAddress.sin_family = AF_INET;
    publicAddress.sin_port = htons(9);
    publicAddress.sin_addr.s_addr = htonl(0xC0000201); // 192.0.2.1
    sockaddr_in local{};
    socklen_t length = sizeof local;
    std::optional<std::uint32_t> source;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&publicAddress), sizeof publicAddress) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) == 0 && local.sin_family == AF_INET &&
        local.sin_addr.s_addr != 0)
        source = ntohl(local.sin_addr.s_addr);
    ::close(fd);
    return source;
}

QString socketLocalAddress(int fd)
{
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return {};
    std::uint32_t address = 0;
    if (local.ss_family == AF_INET) {
        address = ntohl(reinterpret_cast<const sockaddr_in*>(&local)->sin_addr.s_addr);
    } else if (local.ss_family == AF_INET6) {
        // A dual-stack socket shows an IPv4 peer's connection as ::ffff:a.b.c.d.
        const in6_addr& v6 = reinterpret_cast<const sockaddr_in6*>(&local)->sin6_addr;
        if (!IN6_IS_ADDR_V4MAPPED(&v6))
            return {};
        std::memcpy(&address, v6.s6_addr + 12, 4);
        address = ntohl(address);
    }
    return address == 0 ? QString() : dotted(address);
}

QString HostNameLocalAddress::localAddress()
{
    return chooseLocalAddress(lookUpHostName(), defaultRouteSourceAddress(), interfaceAddresses());
}

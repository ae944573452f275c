#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// The machine's own address: the last IPv4 address its host name resolves to.
class LocalAddressSource
{
public:
    virtual ~LocalAddressSource() = default;
    // Dotted-decimal text, or empty when the look-up fails.
    virtual QString localAddress() = 0;
};

// gethostname + look-up; when only loopback addresses come back (Linux maps the
// host name to 127.0.1.1), the address the default route leaves from, else that
// of the first up, non-loopback interface, and "127.0.0.1" when there is none.
class HostNameLocalAddress final : public LocalAddressSource
{
public:
    QString localAddress() override;
};

// What HostNameLocalAddress makes of what it gathered: the IPv4 addresses the
// host-name look-up listed (nullopt when it failed), the default route's source
// address and those of the up, non-loopback interfaces, all in host byte order
// and in the order listed.
QString chooseLocalAddress(const std::optional<std::vector<std::uint32_t>>& lookedUp,
                           std::optional<std::uint32_t> defaultRouteSource,
                           const std::vector<std::uint32_t>& interfaces);

// The source address the kernel picks for a datagram to a public address: a UDP socket
// connect()ed to 192.0.2.1 port 9 (connect on UDP sends nothing), then getsockname.
// nullopt when there is no route (ENETUNREACH) or the result is 0.0.0.0.
std::optional<std::uint32_t> defaultRouteSourceAddress();

// Dotted local address of a connected socket (getsockname), empty when it has none.
QString socketLocalAddress(int fd);

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
// host name to 127.0.1.1), the IPv4 addresses of the up, non-loopback interfaces
// are used instead, and "127.0.0.1" when there is none.
class HostNameLocalAddress final : public LocalAddressSource
{
public:
    QString localAddress() override;
};

// What HostNameLocalAddress makes of what it gathered: the IPv4 addresses the
// host-name look-up listed (nullopt when it failed) and those of the up,
// non-loopback interfaces, all in host byte order and in the order listed.
QString chooseLocalAddress(const std::optional<std::vector<std::uint32_t>>& lookedUp,
                           const std::vector<std::uint32_t>& interfaces);

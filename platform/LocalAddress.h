#pragma once

#include <QString>

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

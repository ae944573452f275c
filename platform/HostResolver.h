#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

struct HostLookupResult
{
    // IPv4 addresses in host byte order, in the order the look-up listed them.
    std::vector<std::uint32_t> addresses;
    // 0 on success; otherwise a non-zero code (a getaddrinfo error, or ETIMEDOUT).
    int errorCode = 0;

    bool ok() const { return errorCode == 0 && !addresses.empty(); }
};

// Asynchronous host-name look-up. The completion always arrives later on the
// thread of `context` (never inside lookup()), and is dropped when `context`
// has been destroyed by then.
class HostResolver
{
public:
    virtual ~HostResolver() = default;
    virtual void lookup(const QString& host, QObject* context,
                        std::function<void(const HostLookupResult&)> done) = 0;
};

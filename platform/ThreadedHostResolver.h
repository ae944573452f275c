#pragma once

#include "platform/HostResolver.h"

#include <QByteArray>

#include <chrono>

// getaddrinfo (IPv4 only) on a detached worker thread per look-up. A look-up
// that has not answered within the time-out completes with ETIMEDOUT; its late
// answer is dropped. A dotted-decimal literal is answered without a worker.
// lookup() must be called on the thread of `context`.
class ThreadedHostResolver final : public HostResolver
{
public:
    // Runs on the worker thread; blocking.
    using BlockingLookup = std::function<HostLookupResult(const QByteArray& host)>;

    explicit ThreadedHostResolver(std::chrono::milliseconds timeout = std::chrono::seconds(10),
                                  BlockingLookup blockingLookup = systemLookup);

    void lookup(const QString& host, QObject* context,
                std::function<void(const HostLookupResult&)> done) override;

    static HostLookupResult systemLookup(const QByteArray& host);

private:
    std::chrono::milliseconds m_timeout;
    BlockingLookup m_blockingLookup;
};

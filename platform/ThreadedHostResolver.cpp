#include "platform/ThreadedHostResolver.h"

#include "platform/PendingHostLookup.h"

#include <QThread>

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <cerrno>
#include <system_error>
#include <thread>

ThreadedHostResolver::ThreadedHostResolver(std::chrono::milliseconds timeout, BlockingLookup blockingLookup)
    : m_timeout(timeout), m_blockingLookup(std::move(blockingLookup))
{
}

void ThreadedHostResolver::lookup(const QString& host, QObject* context,
                                  std::function<void(const HostLookupResult&)> done)
{
    Q_ASSERT(context->thread() == QThread::currentThread());
    const QByteArray name = host.toUtf8();

    in_addr literal{};
    if (inet_pton(AF_INET, name.constData(), &literal) == 1) {
        HostLookupResult result;
        result.addresses.push_back(ntohl(literal.s_addr));
        QMetaObject::invokeMethod(
            context, [done = std::move(done), result] { done(result); }, Qt::QueuedConnection);
        return;
    }

    auto* pending = new PendingHostLookup(context, int(m_timeout.count()), std::move(done));
    try {
        std::thread([mailbox = pending->mailbox(), lookup = m_blockingLookup, name] {
            const HostLookupResult result = lookup(name);
            const std::lock_guard lock(mailbox->mutex);
            if (PendingHostLookup* target = mailbox->pending)
                QMetaObject::invokeMethod(
                    target, [target, result] { target->finish(result); }, Qt::QueuedConnection);
        }).detach();
    } catch (const std::system_error&) {
        HostLookupResult failed;
        failed.errorCode = EAGAIN;
        pending->finish(failed);
    }
}

HostLookupResult ThreadedHostResolver::systemLookup(const QByteArray& host)
{
    HostLookupResult result;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM; // one entry per address
    addrinfo* list = nullptr;
    result.errorCode = getaddrinfo(host.constData(), nullptr, &hints, &list);
    if (result.errorCode != 0)
        return result;
    for (const addrinfo* entry = list; entry; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET)
            continue;
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
        result.addresses.push_back(ntohl(address->sin_addr.s_addr));
    }
    freeaddrinfo(list);
    return result;
}

#include "platform/PendingHostLookup.h"

#include <cerrno>

PendingHostLookup::PendingHostLookup(QObject* context, int timeoutMs,
                                     std::function<void(const HostLookupResult&)> done)
    : QObject(context), m_done(std::move(done))
{
    m_mailbox->pending = this;
    m_timeout.setOnTimer([this] {
        HostLookupResult timedOut;
        timedOut.errorCode = ETIMEDOUT;
        finish(timedOut);
    });
    m_timeout.setInterval(timeoutMs);
}

PendingHostLookup::~PendingHostLookup()
{
    detach();
}

void PendingHostLookup::finish(const HostLookupResult& result)
{
    if (m_finished)
        return;
    m_finished = true;
    m_timeout.setInterval(0);
    detach();
    // The caller's handler runs from the context's own queue, where it may
    // safely destroy the context (and with it this object).
    QMetaObject::invokeMethod(
        parent(), [done = std::move(m_done), result] { done(result); }, Qt::QueuedConnection);
    deleteLater();
}

void PendingHostLookup::detach()
{
    const std::lock_guard lock(m_mailbox->mutex);
    m_mailbox->pending = nullptr;
}

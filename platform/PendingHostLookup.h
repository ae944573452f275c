#pragma once

#include "platform/HostResolver.h"
#include "platform/Timer.h"

#include <QObject>

#include <memory>
#include <mutex>

class PendingHostLookup;

// What a worker thread and the waiting side share: the worker may only post to
// the pending look-up while holding the mutex, and finds it gone once it ended.
struct HostLookupMailbox
{
    std::mutex mutex;
    PendingHostLookup* pending = nullptr;
};

// One look-up in flight, a child of the caller's context so that it dies with
// it. It hands the first of answer and time-out to the caller and ignores the
// other.
class PendingHostLookup : public QObject
{
public:
    PendingHostLookup(QObject* context, int timeoutMs, std::function<void(const HostLookupResult&)> done);
    ~PendingHostLookup() override;

    std::shared_ptr<HostLookupMailbox> mailbox() const { return m_mailbox; }
    void finish(const HostLookupResult& result);

private:
    void detach();

    std::shared_ptr<HostLookupMailbox> m_mailbox = std::make_shared<HostLookupMailbox>();
    std::function<void(const HostLookupResult&)> m_done;
    Timer m_timeout;
    bool m_finished = false;
};

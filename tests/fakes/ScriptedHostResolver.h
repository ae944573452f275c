#pragma once

#include "platform/HostResolver.h"

#include <QPointer>
#include <QStringList>

#include <cstdint>
#include <deque>

// Answers look-ups in the order a test scripted them (posted, like the real
// one). A look-up without a scripted answer is held until release().
class ScriptedHostResolver final : public HostResolver
{
public:
    std::deque<HostLookupResult> answers;
    QStringList asked; // every host looked up, in order

    void lookup(const QString& host, QObject* context,
                std::function<void(const HostLookupResult&)> done) override;

    int held() const { return int(m_held.size()); }
    // Answers the oldest held look-up.
    void release(const HostLookupResult& result);

    static HostLookupResult address(std::uint32_t hostOrder);
    static HostLookupResult failure();

private:
    struct Held
    {
        QPointer<QObject> context;
        std::function<void(const HostLookupResult&)> done;
    };
    static void post(const Held& held, const HostLookupResult& result);

    std::deque<Held> m_held;
};

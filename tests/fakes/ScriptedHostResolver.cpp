#include "fakes/ScriptedHostResolver.h"

void ScriptedHostResolver::lookup(const QString& host, QObject* context,
                                  std::function<void(const HostLookupResult&)> done)
{
    asked << host;
    Held held{context, std::move(done)};
    if (answers.empty()) {
        m_held.push_back(std::move(held));
        return;
    }
    post(held, answers.front());
    answers.pop_front();
}

void ScriptedHostResolver::release(const HostLookupResult& result)
{
    if (m_held.empty())
        return;
    post(m_held.front(), result);
    m_held.pop_front();
}

HostLookupResult ScriptedHostResolver::address(std::uint32_t hostOrder)
{
    HostLookupResult result;
    result.addresses.push_back(hostOrder);
    return result;
}

HostLookupResult ScriptedHostResolver::failure()
{
    HostLookupResult result;
    result.errorCode = -2; // EAI_NONAME
    return result;
}

void ScriptedHostResolver::post(const Held& held, const HostLookupResult& result)
{
    if (!held.context)
        return;
    QMetaObject::invokeMethod(
        held.context, [done = held.done, result] { done(result); }, Qt::QueuedConnection);
}

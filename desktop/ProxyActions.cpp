#include "desktop/ProxyActions.h"

#include "Engine2Proxy.h"

#include <QDBusPendingCallWatcher>

#include <utility>

namespace {

// The router answers a listing one entry at a time.
constexpr int listingTimeoutMs = 5 * 60 * 1000;

} // namespace

ProxyActions::ProxyActions(std::function<Engine2Proxy*()> proxy, QObject* parent)
    : QObject(parent), m_proxy(std::move(proxy))
{
}

void ProxyActions::logIn(const QString& domain, const QString& password)
{
    if (Engine2Proxy* proxy = m_proxy())
        proxy->LogIn(domain, password);
}

void ProxyActions::saveLogin(const QString& domain, const QString& password)
{
    if (Engine2Proxy* proxy = m_proxy())
        proxy->SaveLogin(domain, password);
}

void ProxyActions::setAutoLogin(bool on)
{
    if (Engine2Proxy* proxy = m_proxy())
        proxy->SetAutoLogin(on);
}

void ProxyActions::setMultiUser(bool on)
{
    if (Engine2Proxy* proxy = m_proxy())
        proxy->SetMultiUser(on);
}

void ProxyActions::setRunHidden(bool on)
{
    if (Engine2Proxy* proxy = m_proxy())
        proxy->SetRunHidden(on);
}

void ProxyActions::setResolveLocal(bool on)
{
    if (Engine2Proxy* proxy = m_proxy())
        proxy->SetResolveLocal(on);
}

void ProxyActions::setFixedAddress(bool on, const QString& address)
{
    if (Engine2Proxy* proxy = m_proxy())
        proxy->SetFixedAddress(on, address);
}

void ProxyActions::addListEntry(const QString& domain, const QString& password)
{
    if (Engine2Proxy* proxy = m_proxy())
        proxy->AddListEntry(domain, password);
}

void ProxyActions::removeListEntry(const QString& domain)
{
    if (Engine2Proxy* proxy = m_proxy())
        proxy->RemoveListEntry(domain);
}

void ProxyActions::addMapping(const QString& protocol, quint16 externalPort, const QString& internalClient,
                              quint16 internalPort)
{
    if (Engine2Proxy* proxy = m_proxy())
        proxy->AddMapping(protocol, externalPort, internalClient, internalPort);
}

void ProxyActions::deleteMapping(const QString& protocol, quint16 externalPort)
{
    if (Engine2Proxy* proxy = m_proxy())
        proxy->DeleteMapping(protocol, externalPort);
}

void ProxyActions::reapplyMappings()
{
    if (Engine2Proxy* proxy = m_proxy())
        proxy->ReapplyMappings();
}

void ProxyActions::withdrawMappings()
{
    if (Engine2Proxy* proxy = m_proxy())
        proxy->WithdrawMappings();
}

void ProxyActions::setMappingLines(const QStringList& lines)
{
    if (Engine2Proxy* proxy = m_proxy())
        proxy->SetMappingLines(lines);
}

void ProxyActions::setAddressCheck(bool on, uint seconds)
{
    if (Engine2Proxy* proxy = m_proxy())
        proxy->SetAddressCheck(on, seconds);
}

void ProxyActions::setIPv6Pinholes(bool on)
{
    if (Engine2Proxy* proxy = m_proxy())
        proxy->SetIPv6Pinholes(on);
}

void ProxyActions::listRouterMappings(std::function<void(const QStringList& lines)> done)
{
    Engine2Proxy* proxy = m_proxy();
    if (!proxy) {
        done({});
        return;
    }
    const int timeout = proxy->timeout();
    proxy->setTimeout(listingTimeoutMs);
    auto* watcher = new QDBusPendingCallWatcher(proxy->ListRouterMappings(), this);
    proxy->setTimeout(timeout);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [done = std::move(done)](QDBusPendingCallWatcher* finished) {
                const QDBusPendingReply<QStringList> reply = *finished;
                done(reply.isError() ? QStringList{reply.error().message()} : reply.value());
                finished->deleteLater();
            });
}

#include "desktop/ProxyActions.h"

#include "Engine2Proxy.h"

#include <QDBusPendingCallWatcher>

namespace {

// The router answers a listing one entry at a time.
constexpr int listingTimeoutMs = 5 * 60 * 1000;
constexpr int quitTimeoutMs = 2000;

} // namespace

ProxyActions::ProxyActions(Engine2Proxy& proxy, bool ownsEngine, QObject* parent)
    : QObject(parent), m_proxy(proxy), m_ownsEngine(ownsEngine)
{
}

void ProxyActions::logIn(const QString& domain, const QString& password)
{
    m_proxy.LogIn(domain, password);
}

void ProxyActions::saveLogin(const QString& domain, const QString& password)
{
    m_proxy.SaveLogin(domain, password);
}

void ProxyActions::setAutoLogin(bool on)
{
    m_proxy.SetAutoLogin(on);
}

void ProxyActions::setMultiUser(bool on)
{
    m_proxy.SetMultiUser(on);
}

void ProxyActions::setRunHidden(bool on)
{
    m_proxy.SetRunHidden(on);
}

void ProxyActions::setResolveLocal(bool on)
{
    m_proxy.SetResolveLocal(on);
}

void ProxyActions::setFixedAddress(bool on, const QString& address)
{
    m_proxy.SetFixedAddress(on, address);
}

void ProxyActions::addListEntry(const QString& domain, const QString& password)
{
    m_proxy.AddListEntry(domain, password);
}

void ProxyActions::removeListEntry(const QString& domain)
{
    m_proxy.RemoveListEntry(domain);
}

void ProxyActions::addMapping(const QString& protocol, quint16 externalPort, const QString& internalClient,
                              quint16 internalPort)
{
    m_proxy.AddMapping(protocol, externalPort, internalClient, internalPort);
}

void ProxyActions::deleteMapping(const QString& protocol, quint16 externalPort)
{
    m_proxy.DeleteMapping(protocol, externalPort);
}

void ProxyActions::reapplyMappings()
{
    m_proxy.ReapplyMappings();
}

void ProxyActions::setMappingLines(const QStringList& lines)
{
    m_proxy.SetMappingLines(lines);
}

void ProxyActions::setAddressCheck(bool on, uint seconds)
{
    m_proxy.SetAddressCheck(on, seconds);
}

void ProxyActions::listRouterMappings(std::function<void(const QStringList& lines)> done)
{
    const int timeout = m_proxy.timeout();
    m_proxy.setTimeout(listingTimeoutMs);
    auto* watcher = new QDBusPendingCallWatcher(m_proxy.ListRouterMappings(), this);
    m_proxy.setTimeout(timeout);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [done = std::move(done)](QDBusPendingCallWatcher* finished) {
                const QDBusPendingReply<QStringList> reply = *finished;
                done(reply.isError() ? QStringList{reply.error().message()} : reply.value());
                finished->deleteLater();
            });
}

// The face ends next: the call must be out before, and the engine answers at once.
void ProxyActions::endSession()
{
    if (!m_ownsEngine)
        return;
    const int timeout = m_proxy.timeout();
    m_proxy.setTimeout(quitTimeoutMs);
    m_proxy.Quit().waitForFinished();
    m_proxy.setTimeout(timeout);
}

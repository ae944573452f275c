#include "engine/ServiceActions.h"

#include "engine/Engine.h"
#include "engine/EngineService.h"

void ServiceActions::logIn(const QString& domain, const QString& password)
{
    m_service.LogIn(domain, password);
}

void ServiceActions::saveLogin(const QString& domain, const QString& password)
{
    m_service.SaveLogin(domain, password);
}

void ServiceActions::setAutoLogin(bool on)
{
    m_service.SetAutoLogin(on);
}

void ServiceActions::setMultiUser(bool on)
{
    m_service.SetMultiUser(on);
}

void ServiceActions::setRunHidden(bool on)
{
    m_service.SetRunHidden(on);
}

void ServiceActions::setResolveLocal(bool on)
{
    m_service.SetResolveLocal(on);
}

void ServiceActions::setFixedAddress(bool on, const QString& address)
{
    m_service.SetFixedAddress(on, address);
}

void ServiceActions::addListEntry(const QString& domain, const QString& password)
{
    m_service.AddListEntry(domain, password);
}

void ServiceActions::removeListEntry(const QString& domain)
{
    m_service.RemoveListEntry(domain);
}

void ServiceActions::addMapping(const QString& protocol, quint16 externalPort, const QString& internalClient,
                                quint16 internalPort)
{
    m_service.AddMapping(protocol, externalPort, internalClient, internalPort);
}

void ServiceActions::deleteMapping(const QString& protocol, quint16 externalPort)
{
    m_service.DeleteMapping(protocol, externalPort);
}

void ServiceActions::reapplyMappings()
{
    m_service.ReapplyMappings();
}

void ServiceActions::withdrawMappings()
{
    m_service.WithdrawMappings();
}

void ServiceActions::setMappingLines(const QStringList& lines)
{
    m_service.SetMappingLines(lines);
}

void ServiceActions::setAddressCheck(bool on, uint seconds)
{
    m_service.SetAddressCheck(on, seconds);
}

void ServiceActions::setIPv6Pinholes(bool on)
{
    m_service.SetIPv6Pinholes(on);
}

void ServiceActions::listRouterMappings(std::function<void(const QStringList& lines)> done)
{
    m_engine.mappingKeeper.listRouterMappings(std::move(done));
}

void ServiceActions::typeCredentials(const QString& domain, const QString& password)
{
    m_engine.logins.setFormCredentials(domain, password);
}

void ServiceActions::begin()
{
    m_engine.logins.begin();
}

void ServiceActions::endSession()
{
    m_engine.logins.endSession();
}

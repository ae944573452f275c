#pragma once

#include "engine/EngineActions.h"

class Engine;
class EngineService;

// The engine of this process, as a face asks it.
class ServiceActions : public EngineActions
{
public:
    ServiceActions(Engine& engine, EngineService& service) : m_engine(engine), m_service(service) {}

    void logIn(const QString& domain, const QString& password) override;
    void saveLogin(const QString& domain, const QString& password) override;
    void setAutoLogin(bool on) override;
    void setMultiUser(bool on) override;
    void setRunHidden(bool on) override;
    void setResolveLocal(bool on) override;
    void setFixedAddress(bool on, const QString& address) override;
    void addListEntry(const QString& domain, const QString& password) override;
    void removeListEntry(const QString& domain) override;
    void addMapping(const QString& protocol, quint16 externalPort, const QString& internalClient,
                    quint16 internalPort) override;
    void deleteMapping(const QString& protocol, quint16 externalPort) override;
    void reapplyMappings() override;
    void withdrawMappings() override;
    void setMappingLines(const QStringList& lines) override;
    void setAddressCheck(bool on, uint seconds) override;
    void setIPv6Pinholes(bool on) override;
    void listRouterMappings(std::function<void(const QStringList& lines)> done) override;
    void typeCredentials(const QString& domain, const QString& password) override;
    void begin() override;
    void endSession() override;

private:
    Engine& m_engine;
    EngineService& m_service;
};

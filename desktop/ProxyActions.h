#pragma once

#include "engine/EngineActions.h"

#include <QObject>

#include <functional>

class Engine2Proxy;

// The engine of another process, asked through the interface's generated
// proxy. Calls go out without waiting: what they change comes back as
// PropertiesChanged. While no engine is there they go nowhere.
class ProxyActions : public QObject, public EngineActions
{
    Q_OBJECT

public:
    // `proxy` gives the engine's proxy now, or nothing.
    explicit ProxyActions(std::function<Engine2Proxy*()> proxy, QObject* parent = nullptr);

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
    // The typing stays here: the form goes to the engine only when it is
    // logged in or saved, never a keystroke at a time.
    void typeCredentials(const QString&, const QString&) override {}
    void begin() override {}
    // The engine sees the face leave the bus: one started for the desktop
    // ends once no face is left.
    void endSession() override {}

private:
    std::function<Engine2Proxy*()> m_proxy;
};

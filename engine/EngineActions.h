#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// What a face asks of the engine, wherever it runs: the methods of its
// interface (example.kelvane.Engine2.xml), with arguments the face checked
// already, and the face's own part in the engine's life.
class EngineActions
{
public:
    virtual ~EngineActions() = default;

    virtual void logIn(const QString& domain, const QString& password) = 0;
    virtual void saveLogin(const QString& domain, const QString& password) = 0;
    virtual void setAutoLogin(bool on) = 0;
    virtual void setMultiUser(bool on) = 0;
    virtual void setRunHidden(bool on) = 0;
    virtual void setResolveLocal(bool on) = 0;
    // On with no address: none yet, and no login goes out.
    virtual void setFixedAddress(bool on, const QString& address) = 0;
    virtual void addListEntry(const QString& domain, const QString& password) = 0;
    virtual void removeListEntry(const QString& domain) = 0;
    virtual void addMapping(const QString& protocol, quint16 externalPort, const QString& internalClient,
                            quint16 internalPort) = 0;
    virtual void deleteMapping(const QString& protocol, quint16 externalPort) = 0;
    virtual void reapplyMappings() = 0;
    // Every stored mapping off the router, the list kept.
    virtual void withdrawMappings() = 0;
    virtual void setMappingLines(const QStringList& lines) = 0;
    virtual void setAddressCheck(bool on, uint seconds) = 0;
    virtual void setIPv6Pinholes(bool on) = 0;
    virtual void listRouterMappings(std::function<void(const QStringList& lines)> done) = 0;

    // The login form as the user types it: an engine of this process takes
    // it for its re-logins; another one gets it only with a login or a save.
    virtual void typeCredentials(const QString& domain, const QString& password) = 0;
    // The first window is up: from now on the options save.
    virtual void begin() = 0;
    // The desktop session or the program ends.
    virtual void endSession() = 0;
};

#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>

#include <optional>

class Engine;
class StatusWatch;

// The engine on the session bus, for the desktop program and for scripts
// (busctl --user introspect example.kelvane.Kelvane /example/kelvane/Kelvane):
// what the windows show, the actions they offer, and a signal for each change.
// Version 1 of the interface; a change that breaks callers gets a new name.
class EngineBus : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "example.kelvane.Engine1")
    Q_PROPERTY(QStringList LogLines READ logLines)
    Q_PROPERTY(QString StatusBar READ statusBar)
    Q_PROPERTY(QStringList Mappings READ mappings)
    Q_PROPERTY(QString RouterExternalAddress READ routerExternalAddress)
    Q_PROPERTY(QString StatusText READ statusText)
    Q_PROPERTY(QString SettingsFolder READ settingsFolder)

public:
    static const QString serviceName;
    static const QString objectPath;
    static const QString interfaceName;

    // `host` is the object registered at the path; the adaptor is its child.
    EngineBus(QObject* host, Engine& engine, StatusWatch& status, QString settingsFolder);

    QStringList logLines() const;
    QString statusBar() const;
    QStringList mappings() const;
    QString routerExternalAddress() const;
    QString statusText() const;
    QString settingsFolder() const { return m_settingsFolder; }

public slots:
    void LogIn(const QString& domain, const QString& password);
    // The multi-user list.
    void AddListEntry(const QString& domain, const QString& password);
    void RemoveListEntry(const QString& line);
    // A mapping as the port mapping window's fields give it: "TCP" or "UDP",
    // the public port, the local address and the local port.
    void AddMapping(const QString& protocol, const QString& publicPort, const QString& internalClient,
                    const QString& localPort);
    void DeleteMapping(const QString& protocol, const QString& publicPort, const QString& internalClient,
                       const QString& localPort);
    void ReapplyMappings();
    // The router's table, one mapping a line; the answer comes when the router has given it.
    QStringList ListRouterMappings(const QDBusMessage& message);

signals:
    void LogLineSet(int index, const QString& text);
    void LogLineAppended(const QString& text);
    void StatusBarChanged(const QString& text);
    void PortMappingLogged(const QString& line);
    void MappingsChanged(const QStringList& lines);
    void RouterExternalAddressChanged(const QString& address);
    void StatusTextChanged(const QString& text);

private:
    friend bool publishEngine(QDBusConnection bus, QObject& host);

    Engine& m_engine;
    StatusWatch& m_status;
    QString m_settingsFolder;
    // Where it is published: late answers go there.
    std::optional<QDBusConnection> m_bus;
};

// Puts `host` (with its EngineBus) on `bus` under the engine's name; false,
// and the run goes on without a bus, when there is none or the name is taken.
bool publishEngine(QDBusConnection bus, QObject& host);
